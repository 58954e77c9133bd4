#include "runtime/random.h"

#include <ctime>

namespace {

constexpr std::uint32_t kWords = 624;
constexpr std::uint32_t kUnseeded = 625;
constexpr std::uint32_t kShift = 397;
constexpr std::uint32_t kFarEnd = kWords - kShift;  // 227: words below it mix with old words
constexpr std::uint32_t kBlock = 64;  // words renewed at a time: a game's 56 draws take one block

// Words [0, renewedWords) belong to the current generation; words [renewedWords, seededWords)
// still hold the previous generation or the seeding; words from seededWords on are not yet
// computed from the pending seeding.
std::uint32_t seededWords = kWords;
std::uint32_t renewedWords = kWords;

std::uint32_t BootTicks() {
    timespec now;
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000 +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000);
}

void SeedUpTo(std::uint32_t words) {
    std::uint32_t word = stateWords[seededWords - 1];
    for (std::uint32_t i = seededWords; i < words; ++i) {
        word = 1812433253u * (word ^ (word >> 30)) + i;
        stateWords[i] = word;
    }
    seededWords = words;
}

std::uint32_t Mix(std::uint32_t word, std::uint32_t nextWord, std::uint32_t farWord) {
    std::uint32_t y = (word & 0x80000000u) | (nextWord & 0x7FFFFFFFu);
    return farWord ^ (y >> 1) ^ ((nextWord & 1) != 0 ? 0x9908B0DFu : 0);
}

// Renews words in rising order, in place, exactly as the reference regeneration does: words
// below 227 mix with old words 397 on, the rest with words of this generation.
void RenewUpTo(std::uint32_t words) {
    if (words > kWords) words = kWords;
    std::uint32_t needed = words <= kFarEnd ? words + kShift : kWords;
    if (seededWords < needed) SeedUpTo(needed);
    for (std::uint32_t k = renewedWords; k < words; ++k) {
        std::uint32_t far = stateWords[(k + kShift) % kWords];
        stateWords[k] = Mix(stateWords[k], stateWords[(k + 1) % kWords], far);
    }
    renewedWords = words;
}

}  // namespace

std::uint32_t RandSeed = 0;
std::uint32_t seedMark = 0;
std::uint32_t stateWords[kWords];
std::uint32_t wordIndex = kUnseeded;
std::uint32_t (*tickSource)() = BootTicks;

void Randomize() {
    RandSeed = tickSource();
}

bool NextDrawSeeds() {
    return RandSeed != seedMark || wordIndex >= kUnseeded;
}

// The upper half of the signed 64-bit product: no division and no rejected words.
std::int32_t Random(std::int32_t n) {
    if (n < 0) ++n;
    std::int64_t product = std::int64_t{n} * std::int64_t{NextWord()};
    return static_cast<std::int32_t>(product >> 32);
}

std::uint32_t NextWord() {
    bool seeds = NextDrawSeeds();
    std::uint32_t k = wordIndex++;
    if (seeds) {
        SeedState(RandSeed);
        RandSeed = ~RandSeed;
        seedMark = RandSeed;
        k = kWords;
    }
    if (k == kWords) {
        TwistState();
        k = 0;
        wordIndex = 1;
    }
    if (k >= renewedWords) RenewUpTo((k / kBlock + 1) * kBlock);
    std::uint32_t y = stateWords[k];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

void SeedState(std::uint32_t seed) {
    stateWords[0] = seed;
    seededWords = 1;
    renewedWords = 0;
    wordIndex = kWords;
}

void TwistState() {
    renewedWords = 0;
    wordIndex = 0;
}
