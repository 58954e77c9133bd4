// The default floating format: a sign or blank, 17 significant digits as d.dddddddddddddddd,
// "E", the exponent's sign and three exponent digits; 24 characters for every value.
#pragma once

#include <cstddef>

constexpr std::size_t kFloatTextLength = 24;

void FormatFloat(double value, char (&text)[kFloatTextLength]);
