// Decks that do not come from the program's shuffle: fair decks for the odds of the patience,
// and decks that a person gives.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "deck.h"
#include "fair.h"

namespace {

TEST(FairDecks, EachDeckDependsOnTheSeedAndItsNumberAlone) {
    std::uint8_t together[100][kDeckCards], apart[1][kDeckCards], other[1][kDeckCards];
    FairDecks(7, 1000, 100, together);
    for (int d = 0; d < 100; ++d) {
        FairDecks(7, 1000 + d, 1, apart);
        EXPECT_TRUE(std::equal(apart[0], apart[0] + kDeckCards, together[d])) << d;
        bool seen[kDeckCards + 1] = {};
        for (std::uint8_t number : together[d]) {
            ASSERT_TRUE(number >= 1 && number <= kDeckCards && !seen[number]);
            seen[number] = true;
        }
    }
    FairDecks(8, 1000, 1, other);
    EXPECT_FALSE(std::equal(other[0], other[0] + kDeckCards, together[0]));
}

// Every card equally likely at the top and at the bottom, and every order of the top two cards:
// chi-square statistics against their 0.1% critical values (55 and 3079 degrees of freedom).
TEST(FairDecks, EveryOrderIsEquallyLikely) {
    const int decks = 560000;
    std::vector<double> top(kDeckCards + 1), bottom(kDeckCards + 1), pairs(57 * 57);
    std::uint8_t batch[1000][kDeckCards];
    for (int first = 0; first < decks; first += 1000) {
        FairDecks(20261211, static_cast<std::uint64_t>(first), 1000, batch);
        for (const auto& deck : batch) {
            ++top[deck[0]];
            ++bottom[deck[kDeckCards - 1]];
            ++pairs[deck[0] * 57 + deck[1]];
        }
    }
    auto chiSquare = [](const std::vector<double>& counts, double expected) {
        double sum = 0;
        for (double n : counts)
            if (n > 0) sum += (n - expected) * (n - expected) / expected;
        return sum;
    };
    EXPECT_LT(chiSquare(top, decks / 56.0), 93.2);
    EXPECT_LT(chiSquare(bottom, decks / 56.0), 93.2);
    EXPECT_LT(chiSquare(pairs, decks / (56.0 * 55.0)), 3326.0);
}

std::string PlainDeck(const std::vector<int>& order) {
    const char* suits[] = {"hertta", "ruutu", "risti", "pata"};
    std::string text;
    for (int number : order)
        text += std::string(suits[(number - 1) / 14]) + " " +
                std::to_string((number - 1) % 14 + 2) + "\n";
    return text;
}

std::vector<int> Sorted() {
    std::vector<int> order;
    for (int number = 1; number <= kDeckCards; ++number) order.push_back(number);
    return order;
}

TEST(ReadDeck, ReadsPlainLinesAndTheListingOfATrace) {
    std::vector<int> order = Sorted();
    std::swap(order[0], order[55]);
    DeckReading plain = ReadDeck(PlainDeck(order));
    ASSERT_TRUE(plain.ok) << plain.error;
    EXPECT_EQ(plain.deck[0], 56);
    EXPECT_EQ(plain.deck[55], 1);

    std::string listing =
        "Syota \"l\" jos haluat kokonaan lopettaa simuloinnin\r\n"
        "Arpomasi pakka paalimmaisesta kortista lahtien:\r\n";
    for (int p = 1; p <= kDeckCards; ++p) {
        int number = order[static_cast<std::size_t>(p - 1)];
        const char* names[] = {"hertta", "ruutu\0", "risti\0", "pata\0\0"};
        char line[32];
        std::snprintf(line, sizeof line, "%3d:  ", p);
        listing += line + std::string(names[(number - 1) / 14], 6);
        std::snprintf(line, sizeof line, "%3d\r\n", (number - 1) % 14 + 2);
        listing += line;
    }
    listing += "Jaan kortit poytaan niin aloitetaan peli\r\nPeruspakat:1\r\n";
    DeckReading traced = ReadDeck(listing);
    ASSERT_TRUE(traced.ok) << traced.error;
    EXPECT_EQ(traced.deck, plain.deck);
}

TEST(ReadDeck, RefusesWhatIsNotADeckNamingTheLine) {
    struct Case {
        std::string text;
        std::string error;
    };
    std::string sorted = PlainDeck(Sorted());
    std::string twice = sorted;
    twice.replace(twice.find("hertta 3\n"), 9, "hertta 2\n");
    std::string listing = " 1:  hertta  2\n 3:  hertta  3\n";
    for (const Case& c : {
             Case{"", "line 1: the deck ends after 0 cards; a deck has 56"},
             Case{sorted.substr(0, sorted.rfind("pata 15")),
                  "line 55: the deck ends after 55 cards; a deck has 56"},
             Case{sorted + "hertta 2\n", "line 57: a 57th card; a deck has 56"},
             Case{twice, "line 2: hertta 2 a second time (first on line 1)"},
             Case{"hertta 16\n", "line 1: rank 16 is not one of 2..15"},
             Case{"\n\nherta 5\n",
                  "line 3: 'herta 5' is not a card: a suit (hertta, ruutu, risti or "
                  "pata) and a rank 2..15 are expected"},
             Case{"pata five\n",
                  "line 1: 'pata five' is not a card: a rank 2..15 is expected after pata"},
             Case{listing, "line 2: position 3 where 2 was expected"},
         }) {
        DeckReading reading = ReadDeck(c.text);
        EXPECT_FALSE(reading.ok);
        EXPECT_EQ(reading.error, c.error);
    }
}

}  // namespace
