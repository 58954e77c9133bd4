// The census kernel: the outcome of a deal worked out from its order of cards alone, many deals
// side by side in vector lanes, with the table held as bit masks instead of piles of records.
// It keeps no global state, so any number of threads may use it at once. Its results equal
// those of the program's own engine deal by deal; the census checks that again on every run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "outcome.h"

constexpr int kDeckCards = 56;

// The outcomes of the deals of ticks first .. first + count - 1 (modulo 2^32), each the first
// game of a run whose tick counter reads that tick.
void PlayTicks(std::uint32_t first, std::uint32_t count, DealOutcome* outcomes);

// Plays decks, each given as the card number (1..56: hertta 2..15, ruutu, risti, pata 2..15)
// at each deck position, top card first.
void PlayDecks(const std::uint8_t (*decks)[kDeckCards], std::size_t count, DealOutcome* outcomes);

// The draws Random(56) of a batch of deals of consecutive ticks, draw k of deal d at
// draws[k][d], and the decks that the shuffle makes of the draws of the batch's first deals.
constexpr int kBatchDeals = 128;
struct BatchDraws {
    alignas(64) std::uint32_t draws[kDeckCards][kBatchDeals];
};
void DrawBatch(std::uint32_t first, BatchDraws& batch);
void ShuffleBatch(const BatchDraws& batch, int count, std::uint8_t (*decks)[kDeckCards]);

// The vector units the kernel is built for and this processor has, one bit each as Highway
// numbers them; the one in use, by name; and a way to choose another (0: the widest again).
std::vector<std::int64_t> KernelTargets();
const char* KernelTarget();
void UseKernelTarget(std::int64_t target);
