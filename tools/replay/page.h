// The page that plays a run back: one self-contained HTML file, its data and script inline, that
// asks nothing of any other address and works opened from disk.
#pragma once

#include <string>
#include <vector>

#include "trace.h"

std::string ReplayPage(const std::vector<RunGame>& run);
