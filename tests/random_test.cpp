// The random source: the reference MT19937 sequence, the restart rule on RandSeed and the
// mapping of Random(n), with std::mt19937 as the oracle.
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "runtime/random.h"

namespace {

class RandomSource : public testing::Test {
  protected:
    void SetUp() override {
        RandSeed = 0;
        seedMark = 0;
        wordIndex = 625;
    }
    static std::vector<std::uint32_t> Draw(int count) {
        std::vector<std::uint32_t> words;
        for (int i = 0; i < count; ++i) words.push_back(NextWord());
        return words;
    }
    static std::vector<std::uint32_t> Reference(std::uint32_t seed, int skip, int count) {
        std::mt19937 reference(seed);
        reference.discard(skip);
        std::vector<std::uint32_t> words;
        for (int i = 0; i < count; ++i) words.push_back(reference());
        return words;
    }
};

TEST_F(RandomSource, OutputsAreTheReferenceSequenceAcrossRegenerations) {
    for (std::uint32_t seed : {0u, 1u, 1000u, 5489u, 0x80000000u, 0xFFFFFFFFu}) {
        RandSeed = seed;
        EXPECT_EQ(Draw(2000), Reference(seed, 0, 2000)) << seed;
        EXPECT_EQ(RandSeed, ~seed);
        EXPECT_EQ(seedMark, ~seed);
    }
}

TEST_F(RandomSource, SeedsAtTheFirstDrawAndLeavesTheComplement) {
    RandSeed = 1000;
    NextWord();
    EXPECT_EQ(RandSeed, ~1000u);
    EXPECT_EQ(seedMark, ~1000u);
    EXPECT_EQ(wordIndex, 1u);
    Draw(55);
    EXPECT_EQ(wordIndex, 56u);
}

TEST_F(RandomSource, SeedZeroIsOrdinary) {
    RandSeed = 0;  // equal to seedMark, but never seeded: the first draw seeds anyway
    EXPECT_EQ(Draw(3), Reference(0, 0, 3));
    EXPECT_EQ(RandSeed, 0xFFFFFFFFu);
}

TEST_F(RandomSource, TheSameTickStartsTheSequenceOver) {
    RandSeed = 1000;
    auto first = Draw(56);
    RandSeed = 1000;
    EXPECT_EQ(Draw(56), first);
}

TEST_F(RandomSource, TheComplementOfTheLastSeedContinuesTheSequence) {
    RandSeed = 0xFFFFFFFF;
    Draw(56);
    RandSeed = 0;  // the tick reads the complement of the seed just used
    EXPECT_EQ(Draw(56), Reference(0xFFFFFFFF, 56, 56));
    EXPECT_EQ(RandSeed, 0u);
    EXPECT_EQ(Draw(1000), Reference(0xFFFFFFFF, 112, 1000)) << "regeneration goes on as usual";
}

TEST_F(RandomSource, RandomTakesOneWordWhateverN) {
    RandSeed = 77;
    std::mt19937 reference(77);
    for (std::int32_t n : {1, 0, -1, 56, -4, 1000, INT32_MAX, INT32_MIN, 1, 0, -1}) {
        std::uint32_t word = reference();
        // floor(n' × word / 2^32), n' = n + 1 for negative n
        std::int64_t scaled = n < 0 ? std::int64_t{n} + 1 : n;
        std::int64_t expected = (scaled * std::int64_t{word}) >> 32;
        if (n >= -1 && n <= 1) {
            ASSERT_EQ(expected, 0);
        }
        EXPECT_EQ(Random(n), expected) << n;
    }
}

TEST_F(RandomSource, NegativeNGivesValuesUpToZero) {
    RandSeed = 3;
    for (int i = 0; i < 10000; ++i) {
        std::int32_t value = Random(-4);
        EXPECT_GE(value, -3);
        EXPECT_LE(value, -1) << "0 only for an output of 0";
    }
}

TEST_F(RandomSource, RandomizeReadsTheTickSourceOnce) {
    static int reads = 0;
    auto saved = tickSource;
    tickSource = [] {
        ++reads;
        return 1234u;
    };
    Randomize();
    tickSource = saved;
    EXPECT_EQ(reads, 1);
    EXPECT_EQ(RandSeed, 1234u);
}

}  // namespace
