// What a deal costs on the census kernel, phase by phase, on one core: the seeding chains and
// draws of a batch in vector lanes, the shuffle, and the deal set-up and play in vector lanes.
#include <cstdint>
#include <vector>

#include <benchmark/benchmark.h>

#include "kernel.h"

namespace {

constexpr int kDecks = 8 * kBatchDeals;

// Time per deal, as the iterations handle `deals` of them each.
void PerDeal(benchmark::State& state, int deals) {
    state.counters["per_deal"] = benchmark::Counter(
        deals, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_KernelDraws(benchmark::State& state) {
    static BatchDraws batch;
    std::uint32_t first = 0;
    for (auto _ : state) {
        DrawBatch(first, batch);
        benchmark::DoNotOptimize(batch);
        first += kBatchDeals;
    }
    PerDeal(state, kBatchDeals);
}
BENCHMARK(BM_KernelDraws);

void BM_KernelShuffle(benchmark::State& state) {
    static BatchDraws batch;
    DrawBatch(0, batch);
    static std::uint8_t decks[kBatchDeals][kDeckCards];
    for (auto _ : state) {
        ShuffleBatch(batch, kBatchDeals, decks);
        benchmark::DoNotOptimize(decks);
    }
    PerDeal(state, kBatchDeals);
}
BENCHMARK(BM_KernelShuffle);

void BM_KernelPlay(benchmark::State& state) {
    static BatchDraws batch;
    static std::uint8_t decks[kDecks][kDeckCards];
    for (int d = 0; d < kDecks; d += kBatchDeals) {
        DrawBatch(static_cast<std::uint32_t>(d), batch);
        ShuffleBatch(batch, kBatchDeals, decks + d);
    }
    std::vector<DealOutcome> outcomes(kDecks);
    for (auto _ : state) {
        PlayDecks(decks, kDecks, outcomes.data());
        benchmark::DoNotOptimize(outcomes.data());
    }
    PerDeal(state, kDecks);
}
BENCHMARK(BM_KernelPlay);

void BM_KernelDeal(benchmark::State& state) {
    std::vector<DealOutcome> outcomes(kDecks);
    std::uint32_t first = 0;
    for (auto _ : state) {
        PlayTicks(first, kDecks, outcomes.data());
        benchmark::DoNotOptimize(outcomes.data());
        first += kDecks;
    }
    state.SetLabel(KernelTarget());
    PerDeal(state, kDecks);
}
BENCHMARK(BM_KernelDeal);

}  // namespace
