// The win percentage's quotient: formed with a 64-bit significand, then stored as a double.
#include <cstdint>
#include <limits>
#include <ostream>
#include <random>

#include <gtest/gtest.h>

#include "runtime/extended.h"

namespace {

struct Pair {
    std::uint64_t won;
    std::uint64_t played;
    double percentage;
};

void PrintTo(const Pair& c, std::ostream* os) {
    *os << c.won << "/" << c.played;
}

class KnownPercentages : public testing::TestWithParam<Pair> {};

TEST_P(KnownPercentages, DifferFromAPlainDoubleDivisionWhereTheyShould) {
    const Pair& p = GetParam();
    EXPECT_EQ(ExtendedQuotient(p.won * 100, p.played), p.percentage);
}

INSTANTIATE_TEST_SUITE_P(Pairs, KnownPercentages,
                         testing::Values(Pair{2269, 4539, 49.988984357788055},
                                         Pair{3, 15289, 0.019621950421871932},
                                         Pair{5545, 16636, 33.331329646549648}, Pair{0, 1, 0.0},
                                         Pair{1, 1, 100.0}, Pair{1, 2, 50.0},
                                         Pair{1, 3, 100.0 / 3}));

TEST(ExtendedQuotient, PlainDoubleDivisionIsNotEnough) {
    EXPECT_NE(ExtendedQuotient(226900, 4539), 226900.0 / 4539.0);
}

// On this machine long double is the x87 format: its division is an independent oracle.
TEST(ExtendedQuotient, AgreesWithTheX87Unit) {
    static_assert(std::numeric_limits<long double>::digits == 64);
    std::mt19937_64 random(7);
    for (int i = 0; i < 1000000; ++i) {
        std::uint64_t played = 1 + random() % (i % 2 == 0 ? 100000 : (std::uint64_t{1} << 53));
        std::uint64_t won = random() % (played + 1);
        volatile long double quotient =
            static_cast<long double>(won * 100) / static_cast<long double>(played);
        ASSERT_EQ(ExtendedQuotient(won * 100, played), static_cast<double>(quotient))
            << won << "/" << played;
    }
}

}  // namespace
