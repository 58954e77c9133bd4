// The program's own engine as the census uses it: the game that the first game of a run plays
// when its tick counter reads a given value, or when its shuffle hands over a given deck. It
// keeps the engine's global state, so one thread at a time may use it.
#pragma once

#include <cstdint>

#include "kernel.h"
#include "outcome.h"

// Readies the engine for silent play of single deals; once per process.
void PrepareEngine();

// Plays the deal of tick, or the deck given as card numbers in deck order, silently and clears
// the table again.
DealOutcome PlayDeal(std::uint32_t tick);
DealOutcome PlayDeckOnEngine(const std::uint8_t deck[kDeckCards]);

// Writes the traced game of the deal of tick, or of the deck, as the program writes it after the
// prompt, and ends the process. Do not return.
[[noreturn]] void ShowDeal(std::uint32_t tick);
[[noreturn]] void ShowDeck(const std::uint8_t deck[kDeckCards]);
