// The census: every deal of a range of tick values played silently, in worker processes, and
// counted by how it ended.
#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <optional>

#include "deal_outcome.h"

constexpr int kPlayingCards = 56;

struct CensusTotals {
    std::uint64_t games = 0;
    std::uint64_t endings[3] = {};                      // indexed by Ending
    std::uint64_t cardsPlayed[kPlayingCards + 1] = {};  // games by cards played to the foundations
    std::uint32_t maxIterations = 0;
};

void Add(CensusTotals& totals, const DealOutcome& outcome);
void Merge(CensusTotals& totals, const CensusTotals& more);

struct CensusOptions {
    int jobs = 1;
    // Ticks of the deals that ended so are handed to onListed in rising order; when it returns
    // false the census stops.
    std::optional<Ending> listed;
    std::function<bool(std::uint32_t tick)> onListed;
    // Called each time the part of the range done in order grows: its end and the totals so far.
    std::function<void(std::uint64_t doneTo, const CensusTotals& totals)> onProgress;
    // Set by a signal handler: the census stops at the next block.
    const volatile std::sig_atomic_t* interrupted = nullptr;
};

// Plays the deals of the ticks [from, to), adding them to totals. Returns the end of the part of
// the range that was done in order: to, unless the census was stopped. Throws
// std::runtime_error when a worker process fails.
std::uint64_t RunCensus(std::uint64_t from, std::uint64_t to, const CensusOptions& options,
                        CensusTotals& totals);
