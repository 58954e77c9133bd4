// The random source of the shuffle: MT19937 with its reference seeding by one 32-bit integer,
// seeded again from RandSeed whenever RandSeed differs from what the last seeding left in it.
#pragma once

#include <cstdint>

extern std::uint32_t RandSeed;
extern std::uint32_t seedMark;  // RandSeed right after the last seeding: the seed's complement
// The MT19937 state. Seeding and regeneration are lazy: a word is computed when a draw first
// needs it, so a game's 56 draws cost the seeding chain up to word 452 and 56 regenerated words.
extern std::uint32_t stateWords[624];
extern std::uint32_t wordIndex;  // 624: words used up; 625: never seeded

// The millisecond tick counter, modulo 2^32. Tests replace it to fix the deck.
extern std::uint32_t (*tickSource)();

void Randomize();
// The restart rule: the next draw seeds the generator from RandSeed rather than going on.
bool NextDrawSeeds();
std::int32_t Random(std::int32_t n);
std::uint32_t NextWord();
// Starts the reference seeding from seed; its words are computed as draws need them.
void SeedState(std::uint32_t seed);
// Starts the regeneration of all 624 words; each is renewed when a draw first needs it.
void TwistState();
