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

constexpr int kGroupLanes = 8;  // at most, in 512 bits
constexpr int kRanks = 14;
constexpr std::uint64_t kSlotCards = 0xFF;              // deck positions 1..8
constexpr std::uint64_t kHiddenCards = 0xFF00;          // 9..16, the highest on top
constexpr std::uint64_t kHandCards = 0xFFFFFFFFFF0000;  // 17..56
constexpr std::uint64_t kLastPass = 5;
constexpr int kSuccessorPlanes = 7;
constexpr std::uint8_t kTopRank = 0x40;

// The games of one group of lanes, one game a lane, as the step works on them in registers.
struct Lanes {
    V next;    // the next card of each suit not complete
    V slots;   // apurivi
    V hidden;  // piilopino
    V hand;    // kasipakka and nakyvakasipakka
    V turned;  // hand cards in it are nakyvakasipakka
    V kierros, iterations;
    V visibleRun;  // playing down nakyvakasipakka
    V live;        // a game is in the lane
};

// What the step only reads, kept in memory: the position of the card of the same suit one
// rank up, in bit planes (bits 0..5, and plane 6 for the cards of rank 15, which have none).
struct SuccessorPlanes {
    alignas(64) std::uint64_t plane[kSuccessorPlanes][kGroupLanes];
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
    // Cards of kasipakka, and slot cards that fit: none may be left.
    V movable = hn::Or(hn::AndNot(s.turned, s.hand), hn::And(s.next, s.slots));
    M lastPass = hn::Eq(s.kierros, hn::Set(d, kLastPass));
    return hn::And(hn::And(lastPass, hn::Eq(movable, zero)), hn::Ne(s.next, zero));
}

// One step of every live game of the group. Returns the lanes whose game it ended.
HWY_INLINE M Step(D d, Lanes& s, const SuccessorPlanes& successors) {
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
    // and the game is not complete, up to the first fitting card, which is then on top, or to
    // its end, when the top still does not fit.
    M handStep = hn::AndNot(fromSlot, inApurivi);
    M onHand = hn::Or(handStep, inRun);
    M topFits = VisibleTopFits(d, s.next, s.hand, s.turned);
    M turn = hn::AndNot(topFits, hn::And(handStep, hn::Ne(s.next, zero)));
    V fitting = hn::And(s.next, hn::AndNot(s.turned, s.hand));
    M found = hn::Ne(fitting, zero);
    s.turned = hn::IfThenElse(turn, hn::Xor(fitting, hn::Sub(fitting, one)), s.turned);
    M fits = hn::Or(topFits, hn::And(turn, found));
    M fromHand = hn::And(onHand, fits);
    M handDone = hn::AndNot(fits, onHand);  // HandStep ends without playing

    // A new pass when the turn found nothing to play and TooManyRounds does not hold. Such a
    // turn came from apurivi with no slot card fitting and the game not complete, and it
    // turned the whole hand: of TooManyRounds only the last pass is left to ask.
    M lastPass = hn::Eq(s.kierros, hn::Set(d, kLastPass));
    M newPass = hn::AndNot(lastPass, hn::AndNot(found, turn));
    s.kierros = hn::IfThenElse(newPass, hn::Add(s.kierros, one), s.kierros);
    s.turned = hn::IfThenZeroElse(newPass, s.turned);

    // The card played; its successor takes its place among the next cards.
    M play = hn::Or(fromSlot, fromHand);
    V top = hn::And(s.next, hn::And(s.hand, s.turned));
    V position = hn::IfThenElseZero(play, HighestBit(d, hn::IfThenElse(fromSlot, slotCards, top)));
    V card = hn::IfThenElseZero(play, hn::Shl(one, position));
    V successor = zero;
    for (int k = 0; k < kSuccessorPlanes - 1; ++k)
        successor = hn::Or(successor,
                           hn::IfThenElseZero(hn::TestBit(hn::Load(d, successors.plane[k]), card),
                                              hn::Set(d, std::uint64_t{1} << k)));
    successor =
        hn::IfThenZeroElse(hn::TestBit(hn::Load(d, successors.plane[kSuccessorPlanes - 1]), card),
                           hn::Shl(one, successor));
    s.next = hn::Xor(s.next, hn::Or(card, hn::IfThenElseZero(play, successor)));
    s.hand = hn::AndNot(card, s.hand);

    // The emptied slot takes the top card of piilopino, the highest of its run of positions.
    V hidden = hn::IfThenElse(fromSlot, hn::And(s.hidden, hn::ShiftRight<1>(s.hidden)), s.hidden);
    s.slots = hn::Or(hn::AndNot(card, s.slots), hn::Xor(s.hidden, hidden));
    s.hidden = hidden;
    // A card played from the hand ends the iteration when the card below it does not fit,
    // at once rather than in a step of its own.
    M runGoesOn = hn::And(fromHand, VisibleTopFits(d, s.next, s.hand, s.turned));
    s.visibleRun = hn::IfThenElseZero(runGoesOn, one);
    M endIteration = hn::Or(handDone, hn::AndNot(runGoesOn, fromHand));

    // The end tests after an iteration; the top of nakyvakasipakka does not fit here.
    s.iterations = hn::IfThenElse(endIteration, hn::Add(s.iterations, one), s.iterations);
    M won = hn::Eq(s.next, zero);
    M hiddenAll = hn::Eq(hn::PopulationCount(hn::And(s.next, s.hidden)), hn::Set(d, 4));
    return hn::And(endIteration, hn::Or(hn::Or(TooManyRounds(d, s), won), hiddenAll));
}

// How the games that a step ended ended, by the end tests in their order.
HWY_INLINE V Endings(D d, const Lanes& s) {
    return hn::IfThenElse(
        TooManyRounds(d, s), hn::Set(d, static_cast<std::uint64_t>(Ending::FivePasses)),
        hn::IfThenElse(hn::Eq(s.next, hn::Zero(d)),
                       hn::Set(d, static_cast<std::uint64_t>(Ending::Won)),
                       hn::Set(d, static_cast<std::uint64_t>(Ending::NextCardsHidden))));
}

// The decks waiting for a lane, and the deal played in each lane of the two groups.
struct Queue {
    const Start* starts;
    std::size_t count;
    std::size_t taken = 0;
    int running = 0;
    std::size_t deal[2 * kGroupLanes];
};

HWY_INLINE std::uint64_t LaneBits(D d, M mask) {
    std::uint8_t bytes[8] = {};
    hn::StoreMaskBits(d, mask, bytes);
    std::uint64_t bits;
    std::memcpy(&bits, bytes, sizeof bits);
    return bits;
}

HWY_INLINE Lanes EmptyLanes(D d) {
    const V zero = hn::Zero(d);
    return Lanes{zero, zero, zero, zero, zero, zero, zero, zero, zero};
}

// The outcomes of the games that ended in a group, whose first lane is lane `first`.
HWY_INLINE void Retire(D d, const Lanes& s, M ended, Queue& q, int first, DealOutcome* outcomes) {
    // The cards played are those no longer in apurivi, piilopino or the hand.
    V left = hn::PopulationCount(hn::Or(hn::Or(s.slots, s.hidden), s.hand));
    V played = hn::Sub(hn::Set(d, kDeckCards), left);
    alignas(64) std::uint64_t packed[kGroupLanes];
    hn::Store(
        hn::Or(Endings(d, s), hn::Or(hn::ShiftLeft<8>(played), hn::ShiftLeft<16>(s.iterations))), d,
        packed);
    for (std::uint64_t bits = LaneBits(d, ended); bits != 0; bits &= bits - 1) {
        int lane = std::countr_zero(bits);
        outcomes[q.deal[first + lane]] = {static_cast<Ending>(packed[lane] & 0xFF),
                                          static_cast<std::uint8_t>(packed[lane] >> 8),
                                          static_cast<std::uint8_t>(packed[lane] >> 16)};
        --q.running;
    }
}

// The lanes that hold no game take the next decks, while there are any; the vectors are set
// lane by lane where they stay, so that no game leaves the registers.
HWY_INLINE void StartGames(D d, Lanes& s, SuccessorPlanes& successors, M empty, Queue& q,
                           int first) {
    const V laneIndex = hn::Iota(d, 0);
    M started = hn::FirstN(d, 0);
    for (std::uint64_t bits = LaneBits(d, empty); bits != 0 && q.taken < q.count;
         bits &= bits - 1) {
        int lane = std::countr_zero(bits);
        const Start& start = q.starts[q.taken];
        q.deal[first + lane] = q.taken++;
        ++q.running;
        M here = hn::Eq(laneIndex, hn::Set(d, static_cast<std::uint64_t>(lane)));
        started = hn::Or(started, here);
        s.next = hn::IfThenElse(here, hn::Set(d, start.next), s.next);
        for (int k = 0; k < kSuccessorPlanes; ++k) {
            std::uint64_t* plane = successors.plane[k];
            hn::Store(hn::IfThenElse(here, hn::Set(d, start.successorPlane[k]), hn::Load(d, plane)),
                      d, plane);
        }
    }
    s.live = hn::VecFromMask(d, hn::Or(hn::AndNot(empty, hn::MaskFromVec(s.live)), started));
    s.slots = hn::IfThenElse(started, hn::Set(d, kSlotCards), s.slots);
    s.hidden = hn::IfThenElse(started, hn::Set(d, kHiddenCards), s.hidden);
    s.hand = hn::IfThenElse(started, hn::Set(d, kHandCards), s.hand);
    s.turned = hn::IfThenZeroElse(started, s.turned);
    s.kierros = hn::IfThenElse(started, hn::Set(d, 1), s.kierros);
    s.iterations = hn::IfThenZeroElse(started, s.iterations);
    s.visibleRun = hn::IfThenZeroElse(started, s.visibleRun);
}

// One step of a group's games; the lanes whose game ends take the next decks.
HWY_INLINE void StepGroup(D d, Lanes& s, SuccessorPlanes& successors, Queue& q, int first,
                          DealOutcome* outcomes) {
    M ended = Step(d, s, successors);
    if (hn::AllFalse(d, ended)) return;
    Retire(d, s, ended, q, first, outcomes);
    StartGames(d, s, successors, ended, q, first);
}

// The decks are prepared first, all in one go, and then played in two groups of lanes, whose
// steps do not depend on each other and so overlap.
void PlayDecks(const std::uint8_t (*decks)[kDeckCards], std::size_t count, DealOutcome* outcomes) {
    const D d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    HWY_DASSERT(lanes <= kGroupLanes);
    std::vector<Start> starts(count);
    for (std::size_t i = 0; i < count; ++i) starts[i] = Prepare(decks[i]);
    Queue q{starts.data(), count, 0, 0, {}};
    Lanes one = EmptyLanes(d), two = EmptyLanes(d);
    SuccessorPlanes successorsOne{}, successorsTwo{};
    StartGames(d, one, successorsOne, hn::FirstN(d, lanes), q, 0);
    StartGames(d, two, successorsTwo, hn::FirstN(d, lanes), q, lanes);
    while (q.running > 0) {
        StepGroup(d, one, successorsOne, q, 0, outcomes);
        StepGroup(d, two, successorsTwo, q, lanes, outcomes);
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
