#include "fair.h"

#include <bit>
#include <utility>

namespace {

constexpr std::uint64_t kGolden = 0x9E3779B97F4A7C15;

std::uint64_t SplitMix64(std::uint64_t& state) {
    std::uint64_t z = (state += kGolden);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
    return z ^ (z >> 31);
}

struct Xoshiro256 {
    std::uint64_t s[4];

    std::uint64_t Next() {
        std::uint64_t result = std::rotl(s[1] * 5, 7) * 9;
        std::uint64_t t = s[1] << 17;
        s[2] ^= s[0];
        s[3] ^= s[1];
        s[1] ^= s[2];
        s[0] ^= s[3];
        s[2] ^= t;
        s[3] = std::rotl(s[3], 45);
        return result;
    }

    // A value below range, every one equally likely: the upper half of a 128-bit product, with
    // the few products that would favour some values drawn again.
    std::uint64_t Below(std::uint64_t range) {
        __extension__ using u128 = unsigned __int128;
        u128 product = u128{Next()} * range;
        auto low = static_cast<std::uint64_t>(product);
        if (low < range) {
            std::uint64_t threshold = (0 - range) % range;
            while (low < threshold) {
                product = u128{Next()} * range;
                low = static_cast<std::uint64_t>(product);
            }
        }
        return static_cast<std::uint64_t>(product >> 64);
    }
};

}  // namespace

void FairDecks(std::uint64_t seed, std::uint64_t first, std::size_t count,
               std::uint8_t (*decks)[kDeckCards]) {
    for (std::size_t d = 0; d < count; ++d) {
        std::uint64_t state = seed + 4 * (first + d) * kGolden;
        Xoshiro256 random;
        for (std::uint64_t& word : random.s) word = SplitMix64(state);
        std::uint8_t* deck = decks[d];
        for (int i = 0; i < kDeckCards; ++i) deck[i] = static_cast<std::uint8_t>(i + 1);
        for (int k = kDeckCards - 1; k > 0; --k)
            std::swap(deck[k], deck[random.Below(static_cast<std::uint64_t>(k) + 1)]);
    }
}
