// A census that survives interruption: the part of the range done in order and its totals,
// kept in a file that is replaced whole, never written in place.
#pragma once

#include <cstdint>
#include <string>

#include "census.h"

struct Checkpoint {
    std::uint64_t from;
    std::uint64_t to;
    std::uint64_t doneTo;  // the ticks [from, doneTo) are counted in totals
    CensusTotals totals;
};

// Reads the checkpoint at path. Returns false when there is no such file; throws
// std::runtime_error with a one-line reason when it cannot be read or is not a sound checkpoint.
bool ReadCheckpoint(const std::string& path, Checkpoint& checkpoint);

// Writes the checkpoint to a temporary file beside path and renames it over path.
void WriteCheckpoint(const std::string& path, const Checkpoint& checkpoint);
