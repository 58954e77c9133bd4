// The random source of the shuffle: MT19937 with its reference seeding by one 32-bit integer,
// seeded again from RandSeed whenever RandSeed differs from what the last seeding left in it.
#pragma once

#include <cstdint>

extern std::uint32_t RandSeed;
extern std::uint32_t seedMark;  // RandSeed right after the last seeding: the seed's complement
extern std::uint32_t stateWords[624];
extern std::uint32_t wordIndex;  // 624: words used up; 625: never seeded

// The millisecond tick counter, modulo 2^32. Tests replace it to fix the deck.
extern std::uint32_t (*tickSource)();

void Randomize();
std::int32_t Random(std::int32_t n);
std::uint32_t NextWord();
void SeedState(std::uint32_t seed);
void TwistState();
