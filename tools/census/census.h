// The census: every deal of a range of tick values played on the census kernel, in worker
// threads, and counted by how it ended; a sample of the deals is played by the program's own
// engine as well, and any difference stops the census.
#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "outcome.h"

constexpr int kPlayingCards = 56;

struct CensusTotals {
    std::uint64_t games = 0;
    std::uint64_t endings[3] = {};                      // indexed by Ending
    std::uint64_t cardsPlayed[kPlayingCards + 1] = {};  // games by cards played to the foundations
    std::uint32_t maxIterations = 0;
    // The sum of a hash of every deal's tick and outcome: the same for the same outcomes,
    // however the range was split up, and different, almost surely, when any outcome differs.
    std::uint64_t digest = 0;
};

// Counts the outcome of a deal, numbered by its tick or its fair deck.
void Add(CensusTotals& totals, std::uint64_t deal, const DealOutcome& outcome);
void Merge(CensusTotals& totals, const CensusTotals& more);

struct CensusOptions {
    int jobs = 1;
    // Ticks of the deals that ended so are handed to onListed in rising order; when it returns
    // false the census stops.
    std::optional<Ending> listed;
    std::function<bool(std::uint32_t tick)> onListed;
    // Called each time the part of the range done in order grows: its end and the totals so far.
    std::function<void(std::uint64_t doneTo, const CensusTotals& totals)> onProgress;
    // Set by a signal handler: the census stops soon after.
    const volatile std::sig_atomic_t* interrupted = nullptr;
    // One deal in checkEvery is played by the program's engine as well, at places that differ
    // from run to run; 1 checks every deal.
    std::uint32_t checkEvery = 4096;
    // With a seed, the deals are the fair decks of that seed instead of the deals of ticks.
    std::optional<std::uint64_t> fairSeed;
};

// The census kernel and the program's engine found different outcomes for a deal.
struct Disagreement : std::runtime_error {
    Disagreement(const std::string& deal, const DealOutcome& kernel, const DealOutcome& engine);
};

// Plays the deals [from, to), ticks or fair decks, adding them to totals. Returns the end of the
// part of the range that was done in order: to, unless the census was stopped. Throws Disagreement
// when a checked deal differs.
std::uint64_t RunCensus(std::uint64_t from, std::uint64_t to, const CensusOptions& options,
                        CensusTotals& totals);
