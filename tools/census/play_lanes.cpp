// Play in vector lanes: one game a lane, all lanes a step at a time, and a lane that ends its
// game takes the next deck. A card keeps its deck position as its name for the whole game, so
// every pile is a set of positions held as a 64-bit mask: apurivi, piilopino, the hand (cut in
// two by the turned mask: nakyvakasipakka in it, kasipakka outside it) and the next card of
// every suit that is not complete. A step plays one card, or ends an iteration of the play
// loop, with a turn of the hand or a new pass where the rules make one; no lane ever branches.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "census/play_lanes.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep

#include <hwy/highway.h>

#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "kernel.h"

HWY_BEFORE_NAMESPACE();
namespace play_lanes {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using D = hn::ScalableTag<std::uint64_t>;
using V = hn::Vec<D>;
using M = hn::Mask<D>;

constexpr int kGroups = 2;  // groups of lanes stepped side by side, so that their steps overlap
constexpr int kMaxLanes = 8 * kGroups;  // 512 bits a group
constexpr int kRanks = 14;
constexpr std::uint64_t kSlotCards = 0xFF;              // deck positions 1..8
constexpr std::uint64_t kHiddenCards = 0xFF00;          // 9..16, the highest on top
constexpr std::uint64_t kHandCards = 0xFFFFFFFFFF0000;  // 17..56
constexpr std::uint64_t kLastPass = 5;
constexpr std::uint64_t kNone = ~std::uint64_t{0};
constexpr int kSuccessorPlanes = 7;
constexpr std::uint8_t kTopRank = 0x40;

// One game a lane, a field of each in a row of its own.
struct Games {
    alignas(64) std::uint64_t next[kMaxLanes];    // the next card of each suit not complete
    alignas(64) std::uint64_t slots[kMaxLanes];   // apurivi
    alignas(64) std::uint64_t hidden[kMaxLanes];  // piilopino
    alignas(64) std::uint64_t hand[kMaxLanes];    // kasipakka and nakyvakasipakka
    alignas(64) std::uint64_t turned[kMaxLanes];  // hand cards in it are nakyvakasipakka
    // The position of the card of the same suit one rank up, in bit planes: bits 0..5, and
    // plane 6 for the cards of rank 15, which have none.
    alignas(64) std::uint64_t successorPlane[kSuccessorPlanes][kMaxLanes];
    alignas(64) std::uint64_t kierros[kMaxLanes];
    alignas(64) std::uint64_t iterations[kMaxLanes];
    alignas(64) std::uint64_t visibleRun[kMaxLanes];  // playing down nakyvakasipakka
    alignas(64) std::uint64_t ending[kMaxLanes];      // set by the step that ends the game
    alignas(64) std::uint64_t deal[kMaxLanes];        // the deal in the lane, kNone for none
};

// The games of one group of lanes, as the step works on them.
struct Lanes {
    V next, slots, hidden, hand, turned, kierros, iterations, visibleRun, live;
    V successorPlane[kSuccessorPlanes];
};

// The bit planes of 64 bytes: bit p of plane k is bit k of byte p.
HWY_INLINE void BitPlanes(const std::uint8_t bytes[64], std::uint64_t planes[], int count) {
#if HWY_TARGET == HWY_SCALAR
    for (int k = 0; k < count; ++k) {
        planes[k] = 0;
        for (int p = 0; p < 64; ++p) planes[k] |= std::uint64_t{bytes[p] >> k & 1u} << p;
    }
#else
    const hn::ScalableTag<std::uint8_t> d8;
    const std::size_t lanes = hn::Lanes(d8);
    for (int k = 0; k < count; ++k) {
        std::uint8_t bits[8];
        for (std::size_t p = 0; p < 64; p += lanes) {
            auto bit = hn::Set(d8, static_cast<std::uint8_t>(1u << k));
            hn::StoreMaskBits(d8, hn::TestBit(hn::LoadU(d8, bytes + p), bit), bits + p / 8);
        }
        std::memcpy(&planes[k], bits, sizeof bits);
    }
#endif
}

// The card number one rank up in the same suit, by card number; 0 above rank 15.
constexpr auto kSuccessorNumber = [] {
    std::array<std::uint8_t, 64> successor{};
    for (int number = 1; number <= kDeckCards; ++number)
        successor[number] = number % kRanks == 0 ? 0 : static_cast<std::uint8_t>(number + 1);
    return successor;
}();

// The deck position of the card one rank up from the card at each position, or kTopRank.
HWY_INLINE void Successors(const std::uint8_t deck[kDeckCards], const std::uint8_t positionOf[64],
                           std::uint8_t successors[64]) {
#if HWY_TARGET == HWY_AVX3_DL
    // Two lookups in tables of 64 bytes, each one instruction: the card number one rank up,
    // then its position.
    __m512i cards = _mm512_maskz_loadu_epi8((std::uint64_t{1} << kDeckCards) - 1, deck);
    __m512i numbers = _mm512_permutexvar_epi8(cards, _mm512_loadu_si512(kSuccessorNumber.data()));
    _mm512_storeu_si512(successors,
                        _mm512_permutexvar_epi8(numbers, _mm512_loadu_si512(positionOf)));
#else
    for (int position = 0; position < kDeckCards; ++position)
        successors[position] = positionOf[kSuccessorNumber[deck[position]]];
#endif
}

// What a deck gives its game before play: the successor planes and the next cards.
struct Start {
    std::uint64_t successorPlane[kSuccessorPlanes];
    std::uint64_t next;
};

Start Prepare(const std::uint8_t deck[kDeckCards]) {
    alignas(64) std::uint8_t positionOf[64] = {kTopRank};  // by card number; 0 stands for none
    for (int position = 0; position < kDeckCards; ++position)
        positionOf[deck[position]] = static_cast<std::uint8_t>(position);
    alignas(64) std::uint8_t successors[64] = {};
    Successors(deck, positionOf, successors);
    Start start;
    BitPlanes(successors, start.successorPlane, kSuccessorPlanes);
    start.next = 0;
    for (int lowest = 1; lowest < kDeckCards; lowest += kRanks)
        start.next |= std::uint64_t{1} << positionOf[lowest];
    return start;
}

void StartGame(Games& g, int lane, std::uint64_t deal, const Start& start) {
    for (int k = 0; k < kSuccessorPlanes; ++k) g.successorPlane[k][lane] = start.successorPlane[k];
    g.next[lane] = start.next;
    g.slots[lane] = kSlotCards;
    g.hidden[lane] = kHiddenCards;
    g.hand[lane] = kHandCards;
    g.turned[lane] = 0;
    g.kierros[lane] = 1;
    g.iterations[lane] = 0;
    g.visibleRun[lane] = 0;
    g.deal[lane] = deal;
}

HWY_INLINE Lanes LoadLanes(D d, const Games& g, int at) {
    Lanes s;
    s.next = hn::Load(d, g.next + at);
    s.slots = hn::Load(d, g.slots + at);
    s.hidden = hn::Load(d, g.hidden + at);
    s.hand = hn::Load(d, g.hand + at);
    s.turned = hn::Load(d, g.turned + at);
    s.kierros = hn::Load(d, g.kierros + at);
    s.iterations = hn::Load(d, g.iterations + at);
    s.visibleRun = hn::Load(d, g.visibleRun + at);
    s.live = hn::VecFromMask(d, hn::Ne(hn::Load(d, g.deal + at), hn::Set(d, kNone)));
    for (int k = 0; k < kSuccessorPlanes; ++k)
        s.successorPlane[k] = hn::Load(d, g.successorPlane[k] + at);
    return s;
}

// The successor planes do not change during a game and are not stored back.
HWY_INLINE void StoreLanes(D d, const Lanes& s, Games& g, int at) {
    hn::Store(s.next, d, g.next + at);
    hn::Store(s.slots, d, g.slots + at);
    hn::Store(s.hidden, d, g.hidden + at);
    hn::Store(s.hand, d, g.hand + at);
    hn::Store(s.turned, d, g.turned + at);
    hn::Store(s.kierros, d, g.kierros + at);
    hn::Store(s.iterations, d, g.iterations + at);
    hn::Store(s.visibleRun, d, g.visibleRun + at);
}

// The index of the highest set bit of x, exact while x's bits lie within 53 places: the
// exponent of x as a floating value.
HWY_INLINE V HighestBit(D d, V x) {
    const hn::Rebind<double, D> df;
    const hn::RebindToSigned<D> di;
    V bits = hn::BitCast(d, hn::ConvertTo(df, hn::BitCast(di, x)));
    return hn::Sub(hn::ShiftRight<52>(bits), hn::Set(d, 1023));
}

// The top card of nakyvakasipakka fits: of the turned cards, those that fit and those that do
// not are disjoint masks, and the one that holds the highest card is the larger number.
HWY_INLINE M VisibleTopFits(D d, V next, V hand, V turned) {
    const hn::RebindToSigned<D> di;
    V visible = hn::And(hand, turned);
    return hn::RebindMask(d, hn::Gt(hn::BitCast(di, hn::And(next, visible)),
                                    hn::BitCast(di, hn::AndNot(next, visible))));
}

// The fifth pass is over and no card can move: the top of nakyvakasipakka does not fit where
// this is asked.
HWY_INLINE M TooManyRounds(D d, const Lanes& s) {
    const V zero = hn::Zero(d);
    M lastPass = hn::Eq(s.kierros, hn::Set(d, kLastPass));
    M handUsed = hn::Eq(hn::AndNot(s.turned, s.hand), zero);
    M noSlotFits = hn::Eq(hn::And(s.next, s.slots), zero);
    M notComplete = hn::Ne(s.next, zero);
    return hn::And(hn::And(lastPass, handUsed), hn::And(noSlotFits, notComplete));
}

// One step of every live game of the group. Returns the lanes whose game it ended, and sets
// ending for them.
HWY_INLINE M Step(D d, Lanes& s, V& ending) {
    const V zero = hn::Zero(d);
    const V one = hn::Set(d, 1);
    const M live = hn::MaskFromVec(s.live);
    M inRun = hn::And(live, hn::Ne(s.visibleRun, zero));
    M inApurivi = hn::AndNot(inRun, live);

    // PlayFromApurivi plays the fitting slot cards of the lowest slot first, but the order
    // changes only the trace: a fitting card fits until it is played, whatever else is played
    // meanwhile, and the refills come from piilopino in its own order whichever slot they fill.
    // So any fitting slot card will do.
    V slotCards = hn::And(s.next, s.slots);
    M fromSlot = hn::And(inApurivi, hn::Ne(slotCards, zero));

    // HandStep, or the rest of PlayFromVisible. The hand is turned when its top does not fit
    // and the game is not complete, up to the first fitting card or to its end.
    M handStep = hn::AndNot(fromSlot, inApurivi);
    M onHand = hn::Or(handStep, inRun);
    M turn = hn::AndNot(VisibleTopFits(d, s.next, s.hand, s.turned),
                        hn::And(handStep, hn::Ne(s.next, zero)));
    V fitting = hn::And(s.next, hn::AndNot(s.turned, s.hand));
    V lowest = hn::And(fitting, hn::Sub(zero, fitting));
    V turnedTo = hn::IfThenElse(hn::Eq(fitting, zero), hn::Set(d, kNone),
                                hn::Or(lowest, hn::Sub(lowest, one)));
    s.turned = hn::IfThenElse(turn, turnedTo, s.turned);
    M fits = VisibleTopFits(d, s.next, s.hand, s.turned);
    M fromHand = hn::And(onHand, fits);
    M handDone = hn::AndNot(fits, onHand);  // HandStep ends without playing

    // A new pass when the turn found nothing to play and TooManyRounds does not hold.
    M newPass = hn::AndNot(TooManyRounds(d, s), hn::And(turn, handDone));
    s.kierros = hn::Add(s.kierros, hn::IfThenElseZero(newPass, one));
    s.turned = hn::IfThenElseZero(hn::Not(newPass), s.turned);

    // The card played; its successor takes its place among the next cards.
    M play = hn::Or(fromSlot, fromHand);
    V top = hn::And(s.next, hn::And(s.hand, s.turned));
    V position = hn::IfThenElseZero(play, HighestBit(d, hn::IfThenElse(fromSlot, slotCards, top)));
    V card = hn::IfThenElseZero(play, hn::Shl(one, position));
    V successor = zero;
    for (int k = 0; k < kSuccessorPlanes - 1; ++k)
        successor = hn::Or(successor, hn::IfThenElseZero(hn::TestBit(s.successorPlane[k], card),
                                                         hn::Set(d, std::uint64_t{1} << k)));
    successor = hn::IfThenZeroElse(hn::TestBit(s.successorPlane[kSuccessorPlanes - 1], card),
                                   hn::Shl(one, successor));
    s.next = hn::Xor(s.next, hn::Or(card, hn::IfThenElseZero(play, successor)));
    s.hand = hn::AndNot(card, s.hand);

    // The emptied slot takes the top card of piilopino, which lies in a run of positions.
    V refill = hn::IfThenElseZero(
        fromSlot, hn::And(hn::ShiftRight<1>(hn::Add(s.hidden, hn::Set(d, 0x100))), s.hidden));
    s.slots = hn::Or(hn::AndNot(card, s.slots), refill);
    s.hidden = hn::Xor(s.hidden, refill);
    // A card played from the hand ends the iteration when the card below it does not fit,
    // at once rather than in a step of its own.
    M runGoesOn = hn::And(fromHand, VisibleTopFits(d, s.next, s.hand, s.turned));
    s.visibleRun = hn::IfThenElseZero(runGoesOn, one);
    M endIteration = hn::Or(handDone, hn::AndNot(runGoesOn, fromHand));

    // The end tests after an iteration; the top of nakyvakasipakka does not fit here.
    s.iterations = hn::Add(s.iterations, hn::IfThenElseZero(endIteration, one));
    M fivePasses = TooManyRounds(d, s);
    M won = hn::Eq(s.next, zero);
    M hiddenAll = hn::Eq(hn::PopulationCount(hn::And(s.next, s.hidden)), hn::Set(d, 4));
    ending = hn::IfThenElse(
        fivePasses, hn::Set(d, static_cast<std::uint64_t>(Ending::FivePasses)),
        hn::IfThenElse(won, hn::Set(d, static_cast<std::uint64_t>(Ending::Won)),
                       hn::Set(d, static_cast<std::uint64_t>(Ending::NextCardsHidden))));
    return hn::And(endIteration, hn::Or(hn::Or(fivePasses, won), hiddenAll));
}

// The decks are prepared first, all in one go, and then played.
void PlayDecks(const std::uint8_t (*decks)[kDeckCards], std::size_t count, DealOutcome* outcomes) {
    const D d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const int width = lanes * kGroups;
    HWY_DASSERT(width <= kMaxLanes);
    std::vector<Start> starts(count);
    for (std::size_t i = 0; i < count; ++i) starts[i] = Prepare(decks[i]);
    Games g{};
    std::size_t taken = 0;
    int running = 0;
    for (int lane = 0; lane < width; ++lane) {
        g.deal[lane] = kNone;
        if (taken == count) continue;
        StartGame(g, lane, taken, starts[taken]);
        ++taken;
        ++running;
    }
    while (running > 0) {
        Lanes s[kGroups];
        for (int group = 0; group < kGroups; ++group) s[group] = LoadLanes(d, g, group * lanes);
        std::uint64_t endedLanes = 0;  // bit l for lane l
        while (endedLanes == 0) {
            // The groups' steps do not depend on each other: unrolled, they overlap.
#pragma GCC unroll 4
            for (int group = 0; group < kGroups; ++group) {
                V ending;
                M ended = Step(d, s[group], ending);
                if (hn::AllFalse(d, ended)) continue;
                hn::Store(ending, d, g.ending + group * lanes);
                std::uint8_t bits[8] = {};
                hn::StoreMaskBits(d, ended, bits);
                std::uint64_t groupBits;
                std::memcpy(&groupBits, bits, sizeof groupBits);
                endedLanes |= groupBits << (group * lanes);
            }
        }
        for (int group = 0; group < kGroups; ++group) StoreLanes(d, s[group], g, group * lanes);
        for (; endedLanes != 0; endedLanes &= endedLanes - 1) {
            int lane = std::countr_zero(endedLanes);
            // The cards played are those no longer in apurivi, piilopino or the hand.
            int left = std::popcount(g.slots[lane] | g.hidden[lane] | g.hand[lane]);
            outcomes[g.deal[lane]] = {static_cast<Ending>(g.ending[lane]),
                                      static_cast<std::uint8_t>(kDeckCards - left),
                                      static_cast<std::uint8_t>(g.iterations[lane])};
            if (taken < count) {
                StartGame(g, lane, taken, starts[taken]);
                ++taken;
            } else {
                g.deal[lane] = kNone;
                --running;
            }
        }
    }
}

}  // namespace HWY_NAMESPACE
}  // namespace play_lanes
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace play_lanes {
HWY_EXPORT(PlayDecks);
}  // namespace play_lanes

void PlayDecks(const std::uint8_t (*decks)[kDeckCards], std::size_t count, DealOutcome* outcomes) {
    HWY_DYNAMIC_DISPATCH(play_lanes::PlayDecks)(decks, count, outcomes);
}
#endif
