#include "census.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "fair.h"
#include "kernel.h"
#include "reference.h"

namespace {

// Deals per block: the unit of work of a worker, of ordering and of checkpoints.
constexpr std::uint64_t kBlockDeals = 1 << 16;

struct BlockResult {
    CensusTotals totals;
    std::vector<std::uint32_t> listed;
};

std::uint64_t Mix(std::uint64_t x) {  // SplitMix64's finaliser
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
    return x ^ (x >> 31);
}

std::string Describe(const DealOutcome& o) {
    return std::string(kEndingNames[static_cast<int>(o.ending)]) + ", " +
           std::to_string(o.cardsPlayed) + " cards played, " + std::to_string(o.iterations) +
           " iterations";
}

// Everything the workers and the thread that merges their blocks share.
class Census {
  public:
    Census(std::uint64_t from, std::uint64_t to, const CensusOptions& options)
        : from_(from),
          to_(to),
          blocks_((to - from + kBlockDeals - 1) / kBlockDeals),
          options_(options),
          checkFrom_(std::random_device{}() % options.checkEvery) {}

    // Plays blocks until none is left or the census stops.
    void Work() {
        std::vector<DealOutcome> outcomes(kBlockDeals);
        auto decks =
            std::make_unique<std::uint8_t[][kDeckCards]>(options_.fairSeed ? kBlockDeals : 0);
        for (std::uint64_t b; !stop_ && (b = nextBlock_++) < blocks_;) {
            std::uint64_t first = from_ + b * kBlockDeals;
            auto count = static_cast<std::uint32_t>(std::min(to_, first + kBlockDeals) - first);
            if (options_.fairSeed) {
                FairDecks(*options_.fairSeed, first, count, decks.get());
                PlayDecks(decks.get(), count, outcomes.data());
            } else {
                PlayTicks(static_cast<std::uint32_t>(first), count, outcomes.data());
            }
            BlockResult result;
            for (std::uint32_t i = 0; i < count; ++i) {
                Add(result.totals, first + i, outcomes[i]);
                if (options_.listed && outcomes[i].ending == *options_.listed)
                    result.listed.push_back(static_cast<std::uint32_t>(first + i));
            }
            Check(first, count, outcomes);
            std::lock_guard lock(mutex_);
            done_.emplace(b, std::move(result));
            blockDone_.notify_one();
        }
    }

    // Takes the blocks in order as they come. Returns the end of the part done in order.
    std::uint64_t Merge(CensusTotals& totals) {
        std::uint64_t next = 0;
        std::unique_lock lock(mutex_);
        while (next < blocks_ && !disagreement_ && !Interrupted()) {
            blockDone_.wait_for(lock, std::chrono::milliseconds(100),
                                [&] { return done_.contains(next) || disagreement_; });
            for (auto it = done_.find(next); it != done_.end() && !disagreement_;
                 it = done_.find(next)) {
                BlockResult result = std::move(it->second);
                done_.erase(it);
                lock.unlock();
                ::Merge(totals, result.totals);
                bool goOn =
                    std::all_of(result.listed.begin(), result.listed.end(),
                                [&](std::uint32_t tick) { return options_.onListed(tick); });
                ++next;
                if (options_.onProgress) options_.onProgress(DoneTo(next), totals);
                lock.lock();
                if (!goOn) return DoneTo(next);
            }
        }
        if (disagreement_) std::rethrow_exception(disagreement_);
        return DoneTo(next);
    }

    void Stop() { stop_ = true; }

  private:
    // Plays the sampled deals of a block on the program's engine, which one thread at a time
    // may use.
    void Check(std::uint64_t first, std::uint32_t count, const std::vector<DealOutcome>& outcomes) {
        for (std::uint32_t i = checkFrom_; i < count && !stop_; i += options_.checkEvery) {
            DealOutcome engine = EngineOutcome(first + i);
            if (engine == outcomes[i]) continue;
            std::lock_guard lock(mutex_);
            if (!disagreement_)
                disagreement_ =
                    std::make_exception_ptr(Disagreement(DealName(first + i), outcomes[i], engine));
            stop_ = true;
            blockDone_.notify_one();
        }
    }

    DealOutcome EngineOutcome(std::uint64_t deal) {
        std::uint8_t deck[1][kDeckCards];
        if (options_.fairSeed) FairDecks(*options_.fairSeed, deal, 1, deck);
        std::lock_guard lock(engineMutex_);
        return options_.fairSeed ? PlayDeckOnEngine(deck[0])
                                 : PlayDeal(static_cast<std::uint32_t>(deal));
    }

    std::string DealName(std::uint64_t deal) const {
        return options_.fairSeed ? "fair deck " + std::to_string(deal) + " of seed " +
                                       std::to_string(*options_.fairSeed)
                                 : "the deal of tick " + std::to_string(deal);
    }

    bool Interrupted() const { return options_.interrupted != nullptr && *options_.interrupted; }

    std::uint64_t DoneTo(std::uint64_t blocks) const {
        return std::min(to_, from_ + blocks * kBlockDeals);
    }

    const std::uint64_t from_, to_, blocks_;
    const CensusOptions& options_;
    const std::uint32_t checkFrom_;
    std::atomic<std::uint64_t> nextBlock_{0};
    std::atomic<bool> stop_{false};
    std::mutex mutex_;  // guards done_ and disagreement_
    std::condition_variable blockDone_;
    std::map<std::uint64_t, BlockResult> done_;
    std::exception_ptr disagreement_;
    std::mutex engineMutex_;
};

}  // namespace

Disagreement::Disagreement(const std::string& deal, const DealOutcome& kernel,
                           const DealOutcome& engine)
    : std::runtime_error("the census kernel and the program's engine disagree on " + deal +
                         ": kernel " + Describe(kernel) + "; engine " + Describe(engine)) {}

void Add(CensusTotals& totals, std::uint64_t deal, const DealOutcome& outcome) {
    ++totals.games;
    ++totals.endings[static_cast<int>(outcome.ending)];
    ++totals.cardsPlayed[outcome.cardsPlayed];
    totals.maxIterations = std::max<std::uint32_t>(totals.maxIterations, outcome.iterations);
    totals.digest += Mix(deal << 16 | static_cast<std::uint64_t>(outcome.ending) << 12 |
                         std::uint64_t{outcome.cardsPlayed} << 6 | outcome.iterations);
}

void Merge(CensusTotals& totals, const CensusTotals& more) {
    totals.games += more.games;
    for (int e = 0; e < 3; ++e) totals.endings[e] += more.endings[e];
    for (int c = 0; c <= kPlayingCards; ++c) totals.cardsPlayed[c] += more.cardsPlayed[c];
    totals.maxIterations = std::max(totals.maxIterations, more.maxIterations);
    totals.digest += more.digest;
}

std::uint64_t RunCensus(std::uint64_t from, std::uint64_t to, const CensusOptions& options,
                        CensusTotals& totals) {
    Census census(from, to, options);
    std::vector<std::jthread> workers;
    for (int w = 0; w < options.jobs; ++w) workers.emplace_back([&] { census.Work(); });
    struct StopWorkers {
        Census& census;
        ~StopWorkers() { census.Stop(); }
    } stopWorkers{census};  // declared after the workers, so it runs before they are joined
    return census.Merge(totals);
}
