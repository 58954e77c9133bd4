// The one floating computation of the program is a quotient formed with a 64-bit significand
// (extended precision, rounding to nearest even) and then stored as a double. It is done in
// integer arithmetic so that every machine gives the same bits, with or without an x87 unit.
#pragma once

#include <cstdint>

// dividend / divisor rounded to a 64-bit significand, then to a double; divisor > 0.
double ExtendedQuotient(std::uint64_t dividend, std::uint64_t divisor);
