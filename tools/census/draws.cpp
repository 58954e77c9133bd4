// The draws of a batch of deals, in vector lanes: one lane a deal. The seeding chain of MT19937
// is a run of dependent steps, so several vectors of chains go side by side to keep the
// multipliers busy. A deal's 56 draws need only words 0..56 and 397..452 of its chain: output k
// mixes words k, k + 1 and 397 + k, and is made as soon as word 397 + k exists.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "census/draws.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include "kernel.h"

HWY_BEFORE_NAMESPACE();
namespace draws {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

constexpr int kChains = 8;  // vectors of chains in flight
constexpr std::uint32_t kShift = 397;
constexpr std::uint32_t kLastWord = kShift + kDeckCards - 1;

template <class D, class V>
HWY_INLINE V SeedStep(D d, V word, std::uint32_t i) {
    return hn::Add(hn::Mul(hn::Set(d, 1812433253u), hn::Xor(word, hn::ShiftRight<30>(word))),
                   hn::Set(d, i));
}

// The part of regenerated word k that words k and k + 1 give: all but the XOR with word 397 + k.
template <class D, class V>
HWY_INLINE V Mixed(D d, V word, V nextWord) {
    V y =
        hn::Or(hn::And(word, hn::Set(d, 0x80000000u)), hn::And(nextWord, hn::Set(d, 0x7FFFFFFFu)));
    V odd = hn::Sub(hn::Zero(d), hn::And(nextWord, hn::Set(d, 1u)));
    return hn::Xor(hn::ShiftRight<1>(y), hn::And(odd, hn::Set(d, 0x9908B0DFu)));
}

// Tempers an output and maps it to 0..55 as Random(56) does: the upper half of 56 × y,
// computed as 7 × (y >> 29) + (7 × (y mod 2^29)) >> 29 to stay within 32 bits.
template <class D, class V>
HWY_INLINE V Draw(D d, V y) {
    y = hn::Xor(y, hn::ShiftRight<11>(y));
    y = hn::Xor(y, hn::And(hn::ShiftLeft<7>(y), hn::Set(d, 0x9D2C5680u)));
    y = hn::Xor(y, hn::And(hn::ShiftLeft<15>(y), hn::Set(d, 0xEFC60000u)));
    y = hn::Xor(y, hn::ShiftRight<18>(y));
    V seven = hn::Set(d, 7u);
    V whole = hn::Mul(seven, hn::ShiftRight<29>(y));
    V part = hn::ShiftRight<29>(hn::Mul(seven, hn::And(y, hn::Set(d, 0x1FFFFFFFu))));
    return hn::Add(whole, part);
}

void DrawBatch(std::uint32_t first, BatchDraws& batch) {
    const hn::ScalableTag<std::uint32_t> d;
    using V = hn::Vec<decltype(d)>;
    const int lanes = static_cast<int>(hn::Lanes(d));
    // Each group of kChains vectors keeps its mixed words in the rows where its draws go.
    for (int group = 0; group < kBatchDeals; group += kChains * lanes) {
        V word[kChains];
        for (int c = 0; c < kChains; ++c)
            word[c] = hn::Iota(d, first + static_cast<std::uint32_t>(group + c * lanes));
        for (std::uint32_t i = 1; i <= kDeckCards; ++i) {
            for (int c = 0; c < kChains; ++c) {
                V previous = word[c];
                word[c] = SeedStep(d, word[c], i);
                hn::Store(Mixed(d, previous, word[c]), d, &batch.draws[i - 1][group + c * lanes]);
            }
        }
        for (std::uint32_t i = kDeckCards + 1; i < kShift; ++i)
            for (int c = 0; c < kChains; ++c) word[c] = SeedStep(d, word[c], i);
        for (std::uint32_t i = kShift; i <= kLastWord; ++i) {
            for (int c = 0; c < kChains; ++c) {
                word[c] = SeedStep(d, word[c], i);
                std::uint32_t* row = &batch.draws[i - kShift][group + c * lanes];
                hn::Store(Draw(d, hn::Xor(word[c], hn::Load(d, row))), d, row);
            }
        }
    }
}

const char* Target() {
    return hwy::TargetName(HWY_TARGET);
}

}  // namespace HWY_NAMESPACE
}  // namespace draws
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace draws {
HWY_EXPORT(DrawBatch);
HWY_EXPORT(Target);
}  // namespace draws

void DrawBatch(std::uint32_t first, BatchDraws& batch) {
    HWY_DYNAMIC_DISPATCH(draws::DrawBatch)(first, batch);
}

std::vector<std::int64_t> KernelTargets() {
    return hwy::SupportedAndGeneratedTargets();
}

const char* KernelTarget() {
    return HWY_DYNAMIC_DISPATCH(draws::Target)();
}

void UseKernelTarget(std::int64_t target) {
    hwy::SetSupportedTargetsForTest(target);
}
#endif
