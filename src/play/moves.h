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

void PlayFromApurivi();
void HandStep();
void TurnHand();
void PlayFromVisible();
