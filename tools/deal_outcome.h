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

// The seeding chains of a batch of deals of consecutive ticks, computed together in vector
// lanes: each chain is independent, while the steps of one chain depend on each other.
constexpr int kBatchDeals = 16;
constexpr int kChainWords = 461;  // the words a deal's 56 draws read, up to 64 + 397
struct SeedBatch {
    std::uint32_t first;
    alignas(64) std::uint32_t words[kChainWords][kBatchDeals];
};

// Seeds the deals of ticks first .. first + kBatchDeals - 1.
void SeedBatchOfDeals(std::uint32_t first, SeedBatch& batch);

// Plays the deal of tick silently and clears the table again; with a batch that holds the
// tick's seeding chain, the random source takes the chain from there.
DealOutcome PlayDeal(std::uint32_t tick, const SeedBatch* batch = nullptr);

// Writes the traced game of the deal of tick, as the program writes it after the prompt, and
// ends the process. Does not return.
[[noreturn]] void ShowDeal(std::uint32_t tick);
