// Cards, piles and the card pool. Every place a card can lie is a pile: a singly linked chain
// of card records reached through its top card. Records are never released during a run;
// cards leaving the table go to the card pool and are taken from it again.
#pragma once

#include <cstdint>

struct Card {
    std::uint8_t suit;  // 1 hertta, 2 ruutu, 3 risti, 4 pata
    std::uint8_t rank;  // 2..15; 1 only for the base card of a foundation
    Card* next;         // the card below this one in its pile
};

using Pile = Card*;

using SuitName = char[6];

// Tables are indexed from 1, as the game counts: entry 0 is unused.
extern Pile peruspakat[5];    // the foundations, by suit
extern Pile apurivi[9];       // the auxiliary row, at most one card per slot
extern Pile piilopino;        // the hidden pile that refills emptied slots
extern Pile kasipakka;        // the hand deck, turned a card at a time
extern Pile nakyvakasipakka;  // the cards turned up from the hand
extern Pile pakka;            // the deck while the shuffle builds it
extern Pile cardPool;         // spare records for reuse

extern std::int16_t deckSize;
extern std::uint8_t kierros;  // the pass through the hand, 1..5

// Six characters each, filled out with NULs and always written whole.
extern SuitName suitNames[5];

constexpr int kSuits = 4;
constexpr int kSlots = 8;
constexpr std::uint8_t kTopRank = 15;

inline bool IsEmpty(Pile pile) {
    return pile == nullptr;
}

inline void MoveTop(Pile& from, Pile& to) {
    if (IsEmpty(from)) return;
    Card* card = from;
    from = card->next;
    card->next = to;
    to = card;
}

void ReversePile(Pile& pile);
void TakeCard(Pile& ref);
void CollectCards();
void FillSuitNames();
