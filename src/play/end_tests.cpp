#include "play/end_tests.h"

#include "play/moves.h"
#include "table/cards.h"

namespace {

constexpr std::uint8_t kLastPass = 5;

}  // namespace

bool AllComplete() {
    int complete = 0;
    for (int s = 1; s <= kSuits; ++s)
        if (peruspakat[s]->rank == kTopRank) ++complete;
    return complete == kSuits;
}

bool TooManyRounds() {
    std::uint16_t slot;
    return kierros == kLastPass && IsEmpty(kasipakka) && !Fits(nakyvakasipakka) &&
           !FindFittingSlot(slot) && !AllComplete();
}

// Walks the whole pile, not only its top: a card below the top is out of reach just the same.
bool NextCardsHidden() {
    int fitting = 0;
    for (const Card* card = piilopino; card != nullptr; card = card->next)
        if (Fits(card)) ++fitting;
    return fitting == kSuits;
}

// TooManyRounds and NextCardsHidden can hold together; the fifth pass decides then.
Ending GameEnding() {
    if (TooManyRounds()) return Ending::FivePasses;
    if (AllComplete()) return Ending::Won;
    return Ending::NextCardsHidden;
}

int PlayGame() {
    int iterations = 0;
    do {
        ++iterations;
        PlayFromApurivi();
        HandStep();
    } while (!TooManyRounds() && !AllComplete() && !NextCardsHidden());
    return iterations;
}
