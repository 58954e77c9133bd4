// The shuffle and the deal: the known deck of tick 1000, where each position goes, and over
// many ticks, that every deck is a permutation and the card pool serves every later game.
#include <algorithm>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"
#include "main/run_state.h"
#include "runtime/random.h"
#include "table/cards.h"
#include "table/deal.h"

namespace {

using Cards_ = std::vector<CardSpec>;

class Deal : public testing::Test {
  protected:
    void SetUp() override {
        ClearTable();
        for (auto& pile : peruspakat) pile = nullptr;  // only records of deals are released
        RandSeed = 0;
        seedMark = 0;
        wordIndex = 625;
    }
    void TearDown() override { ReleaseCards(); }
    static std::string ShuffleAndDeal(std::uint32_t tick, char traceMode) {
        return CaptureOutput([tick] { DealFromTick(tick); }, traceMode);
    }
};

CardSpec FromNumber(int v) {
    return {(v - 1) / 14 + 1, (v - 1) % 14 + 2};
}

TEST_F(Deal, TickThousandDrawsTheWorkedExample) {
    RandSeed = 1000;
    const int draws[56] = {37, 12, 7,  35, 54, 1,  28, 21, 49, 48, 12, 1,  3,  20,
                           23, 10, 14, 48, 48, 33, 12, 44, 42, 51, 22, 4,  11, 2,
                           42, 51, 4,  46, 50, 5,  54, 48, 53, 14, 24, 37, 2,  27,
                           55, 46, 20, 14, 40, 32, 21, 47, 2,  49, 48, 4,  37, 33};
    for (int j : draws) EXPECT_EQ(Random(56) + 1, j);
}

TEST_F(Deal, TickThousandListsAndDealsTheWorkedExample) {
    std::string listing = ShuffleAndDeal(1000, 't');
    const int numbers[56] = {11, 30, 13, 4,  34, 37, 28, 21, 49, 16, 27, 8,  7,  22,
                             23, 48, 20, 10, 18, 45, 9,  25, 42, 39, 44, 35, 29, 12,
                             15, 24, 26, 36, 56, 54, 5,  19, 43, 17, 51, 47, 3,  2,
                             55, 32, 33, 38, 14, 1,  52, 53, 41, 6,  46, 31, 40, 50};
    auto lines = Lines(listing);
    ASSERT_EQ(lines.size(), 58u);
    EXPECT_TRUE(listing.ends_with("\r\n"));
    EXPECT_EQ(lines[0], "Arpomasi pakka paalimmaisesta kortista lahtien:");
    EXPECT_EQ(Visible(lines[1]), "  1:  hertta 12");
    EXPECT_EQ(Visible(lines[2]), "  2:  risti.  3");
    EXPECT_EQ(Visible(lines[3]), "  3:  hertta 14");
    EXPECT_EQ(Visible(lines[56]), " 56:  pata..  9");
    EXPECT_EQ(lines[57], "Jaan kortit poytaan niin aloitetaan peli");
    const char* names[] = {"", "hertta", "ruutu.", "risti.", "pata.."};
    for (int i = 1; i <= 56; ++i) {
        CardSpec card = FromNumber(numbers[i - 1]);
        char expected[32];
        std::snprintf(expected, sizeof expected, "%3d:  %s%3d", i, names[card.suit], card.rank);
        EXPECT_EQ(Visible(lines[i]), expected);
    }
    EXPECT_EQ(Cards(apurivi[1]), (Cards_{{1, 12}}));
    Cards_ slots;
    for (int k = 1; k <= 8; ++k) slots.push_back(Cards(apurivi[k]).at(0));
    EXPECT_EQ(slots, (Cards_{{1, 12}, {3, 3}, {1, 14}, {1, 5}, {3, 7}, {3, 10}, {2, 15}, {2, 8}}));
    EXPECT_EQ(Cards(piilopino),
              (Cards_{{4, 7}, {2, 10}, {2, 9}, {1, 8}, {1, 9}, {2, 14}, {2, 3}, {4, 8}}));
    auto hand = Cards(kasipakka);
    ASSERT_EQ(hand.size(), 40u);
    EXPECT_EQ(hand[0], (CardSpec{2, 7}));
    EXPECT_EQ(hand[1], (CardSpec{1, 11}));
    EXPECT_EQ(hand[39], (CardSpec{4, 9}));
    for (int i = 17; i <= 56; ++i) EXPECT_EQ(hand[i - 17], FromNumber(numbers[i - 1]));
    for (int s = 1; s <= 4; ++s) EXPECT_EQ(Cards(peruspakat[s]), (Cards_{{s, 1}}));
    EXPECT_TRUE(IsEmpty(pakka) && IsEmpty(nakyvakasipakka) && IsEmpty(cardPool));
}

TEST_F(Deal, SilentModeWritesNothingButDealsTheSameDeck) {
    ShuffleAndDeal(1000, 't');
    auto traced = Cards(kasipakka);
    CollectCards();
    EXPECT_EQ(ShuffleAndDeal(1000, 'x'), "");
    EXPECT_EQ(Cards(kasipakka), traced);
}

TEST_F(Deal, EveryDeckIsAPermutationAndThePoolServesLaterGames) {
    int requests = memoryRequests;
    for (std::uint32_t tick = 0; tick < 3000; tick += 1) {
        ShuffleAndDeal(tick * 2654435761u, 'x');
        std::set<int> seen;
        auto count = [&](Pile pile) {
            for (const CardSpec& c : Cards(pile))
                if (c.rank >= 2) seen.insert((c.suit - 1) * 14 + c.rank - 1);
        };
        for (int k = 1; k <= 8; ++k) {
            ASSERT_EQ(Cards(apurivi[k]).size(), 1u);
            count(apurivi[k]);
        }
        ASSERT_EQ(Cards(piilopino).size(), 8u);
        ASSERT_EQ(Cards(kasipakka).size(), 40u);
        count(piilopino);
        count(kasipakka);
        ASSERT_EQ(seen.size(), 56u) << tick;
        CollectCards();
        ASSERT_EQ(Cards(cardPool).size(), 60u);
        ASSERT_EQ(memoryRequests, requests + 60) << "records are allocated in the first game only";
    }
}

}  // namespace
