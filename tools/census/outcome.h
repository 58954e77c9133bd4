// What the census keeps of one deal: how its game ended, how far it got, how long it took.
#pragma once

#include <cstdint>

#include "play/end_tests.h"

struct DealOutcome {
    Ending ending;
    std::uint8_t cardsPlayed;  // to the foundations, 0..56
    std::uint8_t iterations;   // of the play loop, at most 60

    bool operator==(const DealOutcome&) const = default;
};

// How the reports name each ending, indexed by Ending.
constexpr const char* kEndingNames[] = {"hand passed five times", "won", "next cards hidden"};
