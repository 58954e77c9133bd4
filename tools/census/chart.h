// The cards-played histogram of a census as a chart: a self-contained SVG image.
#pragma once

#include <string>

#include "census.h"

std::string HistogramChart(const CensusTotals& totals, const std::string& title);
