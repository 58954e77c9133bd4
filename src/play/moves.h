// The rules of play: which card fits its foundation, moves from apurivi with refills from
// piilopino, and the hand side, turned a card at a time and passed through at most five times.
// Every tie is broken by a fixed order, so the deal decides the whole game.
#pragma once

#include <cstdint>

#include "table/cards.h"

// True when the card is the next one its suit's foundation needs; false for no card.
inline bool Fits(const Card* card) {
    return card != nullptr && peruspakat[card->suit]->rank + 1 == card->rank;
}

// The lowest-numbered slot whose card fits; slot is written only when there is one.
bool FindFittingSlot(std::uint16_t& slot);

// Plays fitting slot cards to their foundations, refilling each emptied slot from piilopino.
void PlayFromApurivi();

// One step on the hand side: plays the visible card if it fits, else turns the hand until a
// card fits, else begins a new pass unless the fifth is over.
void HandStep();

// Turns cards from kasipakka onto nakyvakasipakka until one fits or the hand is used up.
void TurnHand();

// Plays the top of nakyvakasipakka, and the cards under it, while they fit.
void PlayFromVisible();
