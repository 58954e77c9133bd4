#include "runtime/random.h"

#include <ctime>

namespace {

constexpr std::uint32_t kWords = 624;
constexpr std::uint32_t kUnseeded = 625;
constexpr std::uint32_t kShift = 397;

std::uint32_t BootTicks() {
    timespec now;
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000 +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000);
}

std::uint32_t Mix(std::uint32_t word, std::uint32_t nextWord, std::uint32_t farWord) {
    std::uint32_t y = (word & 0x80000000u) | (nextWord & 0x7FFFFFFFu);
    return farWord ^ (y >> 1) ^ ((nextWord & 1) != 0 ? 0x9908B0DFu : 0);
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

// The upper half of the signed 64-bit product: no division and no rejected words.
std::int32_t Random(std::int32_t n) {
    if (n < 0) ++n;
    std::int64_t product = std::int64_t{n} * std::int64_t{NextWord()};
    return static_cast<std::int32_t>(product >> 32);
}

std::uint32_t NextWord() {
    std::uint32_t k = wordIndex++;
    if (RandSeed != seedMark || k >= kUnseeded) {
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
    std::uint32_t y = stateWords[k];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

void SeedState(std::uint32_t seed) {
    stateWords[0] = seed;
    for (std::uint32_t i = 1; i < kWords; ++i)
        stateWords[i] = 1812433253u * (stateWords[i - 1] ^ (stateWords[i - 1] >> 30)) + i;
    wordIndex = kWords;
}

void TwistState() {
    for (std::uint32_t k = 0; k < kWords - 1; ++k)
        stateWords[k] = Mix(stateWords[k], stateWords[k + 1], stateWords[(k + kShift) % kWords]);
    stateWords[kWords - 1] = Mix(stateWords[kWords - 1], stateWords[0], stateWords[kShift - 1]);
    wordIndex = 0;
}
