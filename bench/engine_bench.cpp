// What one game costs, against the floor that any game pays: the seeding chain of MT19937 up
// to the last word its first 56 outputs read.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>

#include <benchmark/benchmark.h>

#include "main/run_state.h"
#include "play/end_tests.h"
#include "runtime/console.h"
#include "runtime/float_format.h"
#include "runtime/random.h"
#include "table/cards.h"
#include "table/deal.h"

namespace {

std::uint32_t tick = 0;
std::uint32_t NextTick() {
    return tick++;
}

void PrepareRun() {
    deckSize = 56;
    FillSuitNames();
    mode = 'x';
    tickSource = NextTick;
}

// Outputs 0..55 read the seeded words 0..56 and 397..452: the chain must reach word 452.
void BM_SeedingFloor(benchmark::State& state) {
    std::uint32_t seed = 0;
    for (auto _ : state) {
        std::uint32_t word = seed++;
        for (std::uint32_t i = 1; i <= 452; ++i) word = 1812433253u * (word ^ (word >> 30)) + i;
        benchmark::DoNotOptimize(word);
    }
}
BENCHMARK(BM_SeedingFloor);

void BM_SilentGame(benchmark::State& state) {
    PrepareRun();
    for (auto _ : state) {
        ShuffleDeck();
        DealTable();
        kierros = 1;
        PlayGame();
        CollectCards();
    }
}
BENCHMARK(BM_SilentGame);

void BM_ShuffleDeal(benchmark::State& state) {
    PrepareRun();
    for (auto _ : state) {
        ShuffleDeck();
        DealTable();
        CollectCards();
    }
}
BENCHMARK(BM_ShuffleDeal);

void BM_Play(benchmark::State& state) {
    PrepareRun();
    for (auto _ : state) {
        ShuffleDeck();
        DealTable();
        kierros = 1;
        auto start = std::chrono::steady_clock::now();
        PlayGame();
        auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        CollectCards();
    }
}
BENCHMARK(BM_Play)->UseManualTime();

void BM_WriteFloat(benchmark::State& state) {
    char text[kFloatTextLength];
    double played = 1;
    for (auto _ : state) {
        FormatFloat(1870.0 / played, text);
        benchmark::DoNotOptimize(text);
        played += 1;
    }
}
BENCHMARK(BM_WriteFloat);

void BM_StatisticsLine(benchmark::State& state) {
    OpenChannel(output, Direction::Output, open("/dev/null", O_WRONLY));
    double played = 1;
    for (auto _ : state) {
        WriteFloat(output, 1870.0 / played);
        EndLine(output);
        played += 1;
    }
}
BENCHMARK(BM_StatisticsLine);

}  // namespace
