// The program's own engine as the census uses it: the game that the first game of a run plays
// when its tick counter reads a given value. It keeps the engine's global state, so one thread
// at a time may use it.
#pragma once

#include <cstdint>

#include "outcome.h"

// Readies the engine for silent play of single deals; once per process.
void PrepareEngine();

// Plays the deal of tick silently and clears the table again.
DealOutcome PlayDeal(std::uint32_t tick);

// Writes the traced game of the deal of tick, as the program writes it after the prompt, and
// ends the process. Does not return.
[[noreturn]] void ShowDeal(std::uint32_t tick);
