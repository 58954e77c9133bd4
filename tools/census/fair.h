// Fair decks: every order of the 56 cards equally likely, for the odds of the patience itself.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernel.h"

// Deck i of seed S is shuffled by Fisher-Yates with Lemire's unbiased bounded draws from
// xoshiro256** (Blackman and Vigna), whose state is outputs 4i + 1 .. 4i + 4 of SplitMix64
// seeded with S: it depends on S and i alone, the same on any machine.
void FairDecks(std::uint64_t seed, std::uint64_t first, std::size_t count,
               std::uint8_t (*decks)[kDeckCards]);
