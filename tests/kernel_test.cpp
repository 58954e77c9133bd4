// The census kernel against the program's engine, deal by deal, on every vector unit that the
// kernel is built for and this processor has.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <hwy/targets.h>

#include "harness.h"
#include "kernel.h"
#include "reference.h"

namespace {

std::vector<DealOutcome> EngineOutcomes(std::uint32_t first, std::uint32_t count) {
    PrepareEngine();
    std::vector<DealOutcome> outcomes;
    for (std::uint32_t i = 0; i < count; ++i) outcomes.push_back(PlayDeal(first + i));
    ReleaseCards();
    return outcomes;
}

void ExpectKernelEqualsEngine(std::uint32_t first, std::uint32_t count,
                              const std::vector<DealOutcome>& engine) {
    std::vector<DealOutcome> kernel(count);
    PlayTicks(first, count, kernel.data());
    int differences = 0;
    for (std::uint32_t i = 0; i < count && differences < 5; ++i) {
        if (kernel[i] == engine[i]) continue;
        ++differences;
        ADD_FAILURE() << "tick " << first + i << ": kernel " << static_cast<int>(kernel[i].ending)
                      << "/" << +kernel[i].cardsPlayed << "/" << +kernel[i].iterations
                      << ", engine " << static_cast<int>(engine[i].ending) << "/"
                      << +engine[i].cardsPlayed << "/" << +engine[i].iterations;
    }
}

class Kernel : public testing::TestWithParam<std::int64_t> {
  protected:
    void SetUp() override {
        UseKernelTarget(GetParam());
        ASSERT_EQ(std::string(KernelTarget()), hwy::TargetName(GetParam()));
    }
    void TearDown() override { UseKernelTarget(0); }
};

#ifdef PASIANSSI_SANITIZE
constexpr std::uint32_t kConsecutive = 1 << 12;  // enough to look for faults of memory
#else
constexpr std::uint32_t kConsecutive = 1 << 20;
#endif

TEST_P(Kernel, EqualsTheEngineOverConsecutiveTicks) {
    const std::uint32_t first = 0x5EED0000;
    static const std::vector<DealOutcome> engine = EngineOutcomes(first, kConsecutive);
    ExpectKernelEqualsEngine(first, kConsecutive, engine);
}

// Ranges that wrap around 2^32, meet the complement pairs of the tick counter, and start and end
// inside the batches of the draws and the chunks of the lanes.
TEST_P(Kernel, EqualsTheEngineAtTheEdges) {
    struct Range {
        std::uint32_t first, count;
    };
    for (Range r : {Range{0, 1}, Range{0xFFFFFFFF, 1}, Range{0xFFFFFF00, 512},
                    Range{0x7FFFFF81, 255}, Range{0x80000000, 3}, Range{5, 127}, Range{1000, 129},
                    Range{0xFFFFFC01, 3000}, Range{40000, 1025}}) {
        SCOPED_TRACE(testing::Message() << "ticks " << r.first << " + " << r.count);
        ExpectKernelEqualsEngine(r.first, r.count, EngineOutcomes(r.first, r.count));
    }
}

// Known games: the deal of tick 1000 (42 cards played, the fifth pass over after 33
// iterations), and a deck that deals every rank 2 into piilopino, so that the first iteration
// turns the whole hand, begins the second pass and ends with the next cards hidden.
TEST_P(Kernel, PlaysKnownGames) {
    DealOutcome tick1000;
    PlayTicks(1000, 1, &tick1000);
    EXPECT_EQ(tick1000, (DealOutcome{Ending::FivePasses, 42, 33}));

    std::uint8_t deck[1][kDeckCards] = {{3, 4, 5, 6, 7, 8, 9, 10, 1, 15, 29, 43}};
    bool used[kDeckCards + 1] = {};
    for (int p = 0; p < 12; ++p) used[deck[0][p]] = true;
    for (int p = 12, number = 1; p < kDeckCards; ++number)
        if (!used[number]) deck[0][p++] = static_cast<std::uint8_t>(number);
    DealOutcome hidden;
    PlayDecks(deck, 1, &hidden);
    EXPECT_EQ(hidden, (DealOutcome{Ending::NextCardsHidden, 0, 1}));
}

std::string TargetName(const testing::TestParamInfo<std::int64_t>& info) {
    return hwy::TargetName(info.param);
}

INSTANTIATE_TEST_SUITE_P(EveryVectorUnit, Kernel, testing::ValuesIn(KernelTargets()), TargetName);

}  // namespace
