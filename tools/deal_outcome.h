// One deal of the census: the game that the first game of a run plays when its tick counter
// reads a given value, played by the program's own engine.
#pragma once

#include <cstdint>

#include "play/end_tests.h"

struct DealOutcome {
    Ending ending;
    int cardsPlayed;  // to the foundations, 0..56
    int iterations;   // of the play loop, at most 60
};

// Readies the engine for silent play of single deals; once per process.
void PrepareEngine();

// Plays the deal of tick silently and clears the table again.
DealOutcome PlayDeal(std::uint32_t tick);

// Writes the traced game of the deal of tick, as the program writes it after the prompt, and
// ends the process. Does not return.
[[noreturn]] void ShowDeal(std::uint32_t tick);
