// The rules of play: the worked examples, the edge cases of every rule, and invariants over
// many deals.
#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"
#include "main/run_state.h"
#include "play/end_tests.h"
#include "play/moves.h"
#include "table/cards.h"

namespace {

using namespace std::string_literals;
using Cards_ = std::vector<CardSpec>;

// Replaces every table display in a trace by "[table]", so that the messages around the
// displays can be compared; the displays themselves are checked byte for byte elsewhere.
std::string WithoutTables(const std::string& trace, int* tables = nullptr) {
    std::string result;
    int count = 0;
    std::size_t pos = 0;
    for (std::size_t start; (start = trace.find("Peruspakat:", pos)) != std::string::npos;) {
        result += trace.substr(pos, start - pos) + "[table]";
        pos = trace.find("Apurivi:\r\n", start) + 10;
        auto isCard = [&](std::size_t at) {
            return at + 12 <= trace.size() && trace[at] == ' ' &&
                   trace.compare(at + 10, 2, "  ") == 0 && trace[at + 9] >= '0' &&
                   trace[at + 9] <= '9';
        };
        while (isCard(pos)) pos += 12;
        ++count;
    }
    if (tables != nullptr) *tables = count;
    return result + trace.substr(pos);
}

// Cards of other suits that can never fit while their foundations stay at the base card.
void FillOtherSlotsWithDeadCards() {
    for (int j = 1; j <= kSlots; ++j)
        if (IsEmpty(apurivi[j])) apurivi[j] = MakePile({{2 + j % 3, 9 + j % 7}});
}

TEST(Moves, WorkedExampleOfFourIterations) {
    ClearTable();
    SetFoundation(1, 4);
    apurivi[2] = MakePile({{1, 7}});
    FillOtherSlotsWithDeadCards();
    piilopino = MakePile({{1, 8}, {1, 11}, {4, 12}, {3, 13}});
    kasipakka = MakePile({{1, 9}, {1, 5}, {1, 6}, {1, 13}, {1, 12}});
    std::string trace = CaptureOutput([] {
        for (int iteration = 1; iteration <= 4; ++iteration) {
            PlayFromApurivi();
            HandStep();
        }
    });
    EXPECT_EQ(Visible(WithoutTables(trace)),
              "Selataan kasipakkaa, kasipakasta kaannettiin: \r\n"
              " hertta  9 hertta  5Nostetaan kasipakasta hertta  5 peruspakkaan\r\n"
              "[table]Selataan kasipakkaa, kasipakasta kaannettiin: \r\n"
              " hertta  6Nostetaan kasipakasta hertta  6 peruspakkaan\r\n"
              "[table]Nostetaan apurivista hertta  7 peruspakkaan....ja piilopinosta hertta   8 "
              "tilalle.\r\n"
              "[table]Nostetaan apurivista hertta  8 peruspakkaan....ja piilopinosta hertta  11 "
              "tilalle.\r\n"
              "[table]Nostetaan kasipakasta hertta  9 peruspakkaan\r\n"
              "[table]Selataan kasipakkaa, kasipakasta kaannettiin: \r\n"
              " hertta 13 hertta 12Kasipakan selauksessa alkaa2.skierros.\r\n");
    EXPECT_EQ(Cards(kasipakka), (Cards_{{1, 13}, {1, 12}}));
    EXPECT_TRUE(IsEmpty(nakyvakasipakka));
    EXPECT_EQ(kierros, 2);
    EXPECT_EQ(Cards(apurivi[2]), (Cards_{{1, 11}}));
    EXPECT_EQ(peruspakat[1]->rank, 9);
}

TEST(Moves, FitsOnlyTheNextCardOfItsOwnSuit) {
    ClearTable();
    SetFoundation(2, 6);
    SetFoundation(4, 15);
    EXPECT_FALSE(Fits(nullptr));
    EXPECT_TRUE(Fits(MakePile({{2, 7}})));
    EXPECT_FALSE(Fits(MakePile({{2, 8}})));
    EXPECT_FALSE(Fits(MakePile({{1, 7}})));
    EXPECT_TRUE(Fits(MakePile({{3, 2}})));
    EXPECT_FALSE(Fits(MakePile({{4, 15}}))) << "a complete foundation asks for 16";
}

TEST(Moves, LowestFittingSlotFirstAndTheSearchStartsAgainAtSlotOne) {
    ClearTable();
    SetFoundation(1, 4);
    apurivi[1] = MakePile({{1, 6}});
    apurivi[3] = MakePile({{3, 2}});
    apurivi[5] = MakePile({{1, 5}});
    std::string trace = CaptureOutput(PlayFromApurivi);
    EXPECT_EQ(Visible(WithoutTables(trace)),
              "Nostetaan apurivista risti.  2 peruspakkaan.[table]"
              "Nostetaan apurivista hertta  5 peruspakkaan.[table]"
              "Nostetaan apurivista hertta  6 peruspakkaan.[table]");
    for (int j = 1; j <= kSlots; ++j)
        EXPECT_TRUE(IsEmpty(apurivi[j])) << "no refill without piilopino";
    // Without a refill the table display continues the line of the move.
    EXPECT_TRUE(
        trace.starts_with("Nostetaan apurivista risti\0  2 peruspakkaan.Peruspakat:1\r\n"s));
}

TEST(Moves, ARefillThatFitsIsPlayedAtOnce) {
    ClearTable();
    SetFoundation(1, 4);
    apurivi[4] = MakePile({{1, 5}});
    FillOtherSlotsWithDeadCards();
    piilopino = MakePile({{1, 6}, {2, 9}});
    std::string trace = CaptureOutput(PlayFromApurivi);
    EXPECT_EQ(
        Visible(WithoutTables(trace)),
        "Nostetaan apurivista hertta  5 peruspakkaan....ja piilopinosta hertta   6 tilalle.\r\n"
        "[table]Nostetaan apurivista hertta  6 peruspakkaan....ja piilopinosta ruutu.   9 "
        "tilalle.\r\n"
        "[table]");
    EXPECT_EQ(Cards(apurivi[4]), (Cards_{{2, 9}}));
    EXPECT_TRUE(IsEmpty(piilopino));
}

TEST(Moves, HandStepPlaysAVisibleCardMadePlayableWithoutTurning) {
    ClearTable();
    SetFoundation(3, 5);
    nakyvakasipakka = MakePile({{3, 6}, {3, 7}, {1, 2}, {4, 9}});
    kasipakka = MakePile({{2, 2}});
    FillOtherSlotsWithDeadCards();
    std::string trace = CaptureOutput(HandStep);
    EXPECT_EQ(Visible(WithoutTables(trace)),
              "Nostetaan kasipakasta risti.  6 peruspakkaan\r\n[table]"
              "Nostetaan kasipakasta risti.  7 peruspakkaan\r\n[table]"
              "Nostetaan kasipakasta hertta  2 peruspakkaan\r\n[table]");
    EXPECT_EQ(Cards(nakyvakasipakka), (Cards_{{4, 9}}));
    EXPECT_EQ(Cards(kasipakka), (Cards_{{2, 2}})) << "nothing was turned";
}

TEST(Moves, TurningTheLastCardThatFitsPlaysItAndTheNextStepFindsTheHandEmpty) {
    ClearTable();
    FillOtherSlotsWithDeadCards();
    kasipakka = MakePile({{4, 9}, {1, 2}});
    std::string trace = CaptureOutput(HandStep);
    EXPECT_EQ(Visible(WithoutTables(trace)),
              "Selataan kasipakkaa, kasipakasta kaannettiin: \r\n"
              " pata..  9 hertta  2Nostetaan kasipakasta hertta  2 peruspakkaan\r\n[table]");
    EXPECT_TRUE(IsEmpty(kasipakka));
    // Now nothing fits and the hand is used up: the second pass begins without turning.
    trace = CaptureOutput(HandStep);
    EXPECT_EQ(trace, "Kasipakan selauksessa alkaa2.skierros.\r\n");
    EXPECT_EQ(Cards(kasipakka), (Cards_{{4, 9}}));
}

TEST(Moves, HandStepAfterTheLastCardLeftASlotDoesNothing) {
    ClearTable();
    for (int s = 2; s <= 4; ++s) SetFoundation(s, 15);
    SetFoundation(1, 14);
    apurivi[6] = MakePile({{1, 15}});
    std::string trace = CaptureOutput(PlayGame);
    EXPECT_EQ(Visible(WithoutTables(trace)), "Nostetaan apurivista hertta 15 peruspakkaan.[table]");
    EXPECT_TRUE(AllComplete());
    EXPECT_FALSE(TooManyRounds());
    EXPECT_EQ(kierros, 1);
    EXPECT_EQ(CaptureOutput(HandStep), "");
}

// A table on which the named end test must give the expected answer.
struct EndCase {
    const char* name;
    void (*build)();
    bool tooManyRounds;
    bool allComplete;
    bool nextCardsHidden;
};

void PrintTo(const EndCase& c, std::ostream* os) {
    *os << c.name;
}

class EndTests : public testing::TestWithParam<EndCase> {};

TEST_P(EndTests, AnswerWithoutChangingAnything) {
    ClearTable();
    GetParam().build();
    EXPECT_EQ(TooManyRounds(), GetParam().tooManyRounds);
    EXPECT_EQ(AllComplete(), GetParam().allComplete);
    EXPECT_EQ(NextCardsHidden(), GetParam().nextCardsHidden);
    EXPECT_EQ(CaptureOutput([] {
                  TooManyRounds();
                  AllComplete();
                  NextCardsHidden();
              }),
              "");
}

void Stuck(std::uint8_t pass) {
    kierros = pass;
    FillOtherSlotsWithDeadCards();
    nakyvakasipakka = MakePile({{2, 9}});
}

INSTANTIATE_TEST_SUITE_P(
    Tables, EndTests,
    testing::Values(EndCase{"FifthPassStuck", [] { Stuck(5); }, true, false, false},
                    EndCase{"FourthPassStuck", [] { Stuck(4); }, false, false, false},
                    EndCase{"FifthPassHandLeft",
                            [] {
                                Stuck(5), kasipakka = MakePile({{2, 9}});
                            },
                            false, false, false},
                    EndCase{"FifthPassSlotFits",
                            [] {
                                Stuck(5), apurivi[1] = MakePile({{1, 2}});
                            },
                            false, false, false},
                    EndCase{"FifthPassVisibleFits",
                            [] {
                                Stuck(5), nakyvakasipakka = MakePile({{3, 2}});
                            },
                            false, false, false},
                    EndCase{"Complete",
                            [] {
                                kierros = 5;
                                for (int s = 1; s <= 4; ++s) SetFoundation(s, 15);
                            },
                            false, true, false},
                    EndCase{
                        "HiddenBelowTheTop",
                        [] {
                            piilopino = MakePile({{2, 9}, {1, 2}, {2, 2}, {4, 7}, {3, 2}, {4, 2}});
                        },
                        false, false, true},
                    EndCase{"ThreeHiddenOneComplete",
                            [] {
                                SetFoundation(1, 15);
                                piilopino = MakePile({{2, 2}, {3, 2}, {4, 2}});
                            },
                            false, false, false},
                    EndCase{"HiddenAndFifthPass",
                            [] {
                                Stuck(5), piilopino = MakePile({{1, 2}, {2, 2}, {3, 2}, {4, 2}});
                            },
                            true, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlayGame, AllRankTwoCardsHiddenEndsAfterOnePassLine) {
    ClearTable();
    piilopino = MakePile({{1, 2}, {2, 2}, {3, 2}, {4, 2}, {1, 3}, {2, 3}, {3, 3}, {4, 3}});
    for (int j = 1; j <= kSlots; ++j) apurivi[j] = MakePile({{1 + (j - 1) % 4, 4 + (j - 1) / 4}});
    Pile hand = nullptr;
    for (int s = 4; s >= 1; --s)
        for (int rank = 15; rank >= 6; --rank) {
            Pile card = MakePile({{s, rank}});
            MoveTop(card, hand);
        }
    kasipakka = hand;
    auto before = Cards(kasipakka);
    std::string trace = CaptureOutput(PlayGame);
    auto lines = Lines(trace);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(trace.ends_with("\r\n"));
    EXPECT_EQ(lines[0], "Selataan kasipakkaa, kasipakasta kaannettiin: ");
    EXPECT_EQ(lines[1].size(), 40u * 10 + "Kasipakan selauksessa alkaa2.skierros."s.size());
    EXPECT_TRUE(Visible(lines[1]).ends_with(" pata.. 15Kasipakan selauksessa alkaa2.skierros."));
    EXPECT_EQ(Visible(lines[1].substr(0, 20)), " hertta  6 hertta  7");
    EXPECT_TRUE(NextCardsHidden());
    EXPECT_FALSE(TooManyRounds());
    EXPECT_EQ(kierros, 2);
    EXPECT_EQ(Cards(kasipakka), before) << "the second pass turns the cards in the same order";
}

TEST(PlayGame, OneSuitCompleteAndTheOthersHiddenGoesOnToTheFifthPass) {
    ClearTable();
    SetFoundation(1, 15);
    piilopino = MakePile({{2, 2}, {3, 2}, {4, 2}, {2, 3}});
    for (int j = 1; j <= kSlots; ++j) apurivi[j] = MakePile({{2 + (j - 1) % 3, 4 + (j - 1) / 3}});
    kasipakka = MakePile({{4, 9}, {3, 12}, {2, 15}});
    std::string trace = CaptureOutput(PlayGame);
    EXPECT_TRUE(TooManyRounds());
    EXPECT_FALSE(NextCardsHidden());
    EXPECT_EQ(kierros, 5);
    for (char pass : {'2', '3', '4', '5'})
        EXPECT_NE(trace.find("alkaa"s + pass + ".skierros.\r\n"), std::string::npos);
    EXPECT_EQ(trace.find("alkaa6"), std::string::npos);
    // The fifth pass ends with its turned cards on a line left open.
    EXPECT_TRUE(Visible(trace).ends_with("kaannettiin: \r\n pata..  9 risti. 12 ruutu. 15"));
}

// The play loop as PlayGame runs it, counting iterations and noting where each pass begins.
struct PlayRecord {
    int iterations = 0;
    std::vector<int> passStarts;
};

PlayRecord PlayCounting() {
    PlayRecord record;
    do {
        ++record.iterations;
        std::uint8_t pass = kierros;
        PlayFromApurivi();
        HandStep();
        if (kierros != pass) record.passStarts.push_back(record.iterations);
    } while (!TooManyRounds() && !AllComplete() && !NextCardsHidden());
    return record;
}

int CardsOnFoundations() {
    int played = 0;
    for (int s = 1; s <= kSuits; ++s) played += peruspakat[s]->rank - 1;
    return played;
}

TEST(PlayGame, TheDealOfTickThousandEndsAfterTheFifthPass) {
    DealFromTick(1000);
    // The first iteration turns eleven cards and plays risti 2.
    std::string first = CaptureOutput([] {
        PlayFromApurivi();
        HandStep();
    });
    EXPECT_EQ(
        Visible(WithoutTables(first)),
        "Selataan kasipakkaa, kasipakasta kaannettiin: \r\n"
        " ruutu.  7 hertta 11 ruutu.  5 pata..  4 hertta 10 ruutu. 12 risti. 15 risti. 12"
        " pata..  3 risti.  8 risti.  2Nostetaan kasipakasta risti.  2 peruspakkaan\r\n[table]");
    ReleaseCards();

    DealFromTick(1000);
    PlayRecord record;
    int tables = 0;
    std::string trace = CaptureOutput([&] { record = PlayCounting(); });
    WithoutTables(trace, &tables);
    EXPECT_EQ(record.passStarts, (std::vector<int>{6, 11, 19, 25}));
    EXPECT_EQ(record.iterations, 33);
    EXPECT_TRUE(TooManyRounds());
    EXPECT_EQ(CardsOnFoundations(), 42);
    EXPECT_EQ(tables, 42);
    int headers = 0;
    for (std::size_t at = 0; (at = trace.find("Selataan kasipakkaa", at)) != std::string::npos;
         ++at)
        ++headers;
    EXPECT_EQ(headers, 32);
    Cards_ tops;
    for (int s = 1; s <= kSuits; ++s) tops.push_back({peruspakat[s]->suit, peruspakat[s]->rank});
    EXPECT_EQ(tops, (Cards_{{1, 15}, {2, 4}, {3, 15}, {4, 12}}));
    EXPECT_TRUE(IsEmpty(kasipakka) && IsEmpty(piilopino));
    Cards_ slots;
    for (int j = 1; j <= kSlots; ++j)
        if (!IsEmpty(apurivi[j])) slots.push_back(Cards(apurivi[j]).at(0));
    EXPECT_TRUE(IsEmpty(apurivi[1]) && IsEmpty(apurivi[2]) && IsEmpty(apurivi[3]));
    EXPECT_EQ(slots, (Cards_{{2, 10}, {2, 9}, {2, 14}, {2, 15}, {2, 8}}));
    EXPECT_EQ(
        Cards(nakyvakasipakka),
        (Cards_{{4, 14}, {2, 6}, {4, 13}, {4, 15}, {2, 13}, {2, 11}, {2, 12}, {2, 5}, {2, 7}}));
    ReleaseCards();
}

// Every record lies in exactly one pile: the table holds 60 distinct records.
void ExpectEveryCardOnce() {
    std::vector<const Card*> seen;
    auto add = [&](Pile pile) {
        for (; pile != nullptr; pile = pile->next) seen.push_back(pile);
    };
    for (int s = 1; s <= kSuits; ++s) add(peruspakat[s]);
    for (int j = 1; j <= kSlots; ++j) {
        ASSERT_LE(Cards(apurivi[j]).size(), 1u);
        add(apurivi[j]);
    }
    add(piilopino);
    add(kasipakka);
    add(nakyvakasipakka);
    std::sort(seen.begin(), seen.end());
    ASSERT_EQ(seen.size(), 60u);
    ASSERT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
}

TEST(PlayGame, HundredThousandDealsEndWithinSixtyIterations) {
    int won = 0, fivePasses = 0, hidden = 0, longest = 0;
    for (std::uint32_t tick = 0; tick < 100000; ++tick) {
        DealFromTick(tick);
        int iterations = PlayGame();
        ASSERT_LE(iterations, 60) << tick;
        longest = std::max(longest, iterations);
        ExpectEveryCardOnce();
        ASSERT_LE(kierros, 5);
        if (TooManyRounds())
            ++fivePasses;
        else if (AllComplete())
            ++won;
        else
            ++hidden;
        ASSERT_TRUE(TooManyRounds() || AllComplete() || NextCardsHidden());
        CollectCards();
    }
    ReleaseCards();
    std::printf(
        "ticks 0..99999: %d won, %d after five passes, %d with the next cards hidden; "
        "longest game %d iterations\n",
        won, fivePasses, hidden, longest);
    EXPECT_EQ(won + fivePasses + hidden, 100000);
}

TEST(PlayGame, PlaysExactlyAsTheCountingLoop) {
    for (std::uint32_t tick : {0u, 1000u, 4242u, 99999u, 0xFFFFFFFFu}) {
        DealFromTick(tick);
        PlayRecord record;
        std::string counted = CaptureOutput([&] { record = PlayCounting(); });
        ReleaseCards();
        DealFromTick(tick);
        int iterations = 0;
        EXPECT_EQ(CaptureOutput([&] { iterations = PlayGame(); }), counted) << tick;
        EXPECT_EQ(iterations, record.iterations);
        ReleaseCards();
    }
}

}  // namespace
