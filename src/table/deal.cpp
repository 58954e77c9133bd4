#include "table/deal.h"

#include <cstdint>

#include "main/run_state.h"
#include "runtime/checked_console.h"
#include "runtime/random.h"
#include "table/cards.h"

namespace {

constexpr int kRanksPerSuit = 14;
constexpr int kHiddenCards = 8;

void WriteListingLine(int position, int suit, int rank) {
    PutInt(position, 3);
    PutChar(':');
    PutField(suitNames[suit], 8);
    PutInt(rank, 3);
    PutLineEnd();
}

}  // namespace

void ShuffleDeck() {
    Randomize();
    ShuffleSeeded();
}

// Every position is exchanged with one drawn from the whole table, not from the rest of it.
void ShuffleSeeded() {
    std::int16_t numbers[kMaxDeck + 1];
    for (int i = 1; i <= deckSize; ++i) numbers[i] = static_cast<std::int16_t>(i);
    for (int i = 1; i <= deckSize; ++i) {
        int j = Random(deckSize) + 1;
        std::int16_t kept = numbers[i];
        numbers[i] = numbers[j];
        numbers[j] = kept;
    }
    BuildDeck(numbers);
}

void BuildDeck(const std::int16_t numbers[]) {
    if (mode == kTrace) {
        PutText("Arpomasi pakka paalimmaisesta kortista lahtien:");
        PutLineEnd();
    }
    for (int i = 1; i <= deckSize; ++i) {
        int v = numbers[i];
        int suit = (v - 1) / kRanksPerSuit + 1;
        int rank = v - kRanksPerSuit * (suit - 1) + 1;
        if (mode == kTrace) WriteListingLine(i, suit, rank);
        Pile card;
        TakeCard(card);
        card->suit = static_cast<std::uint8_t>(suit);
        card->rank = static_cast<std::uint8_t>(rank);
        card->next = nullptr;
        MoveTop(card, pakka);
    }
    ReversePile(pakka);
    if (mode == kTrace) {
        PutText("Jaan kortit poytaan niin aloitetaan peli");
        PutLineEnd();
    }
}

void DealTable() {
    for (int s = 1; s <= kSuits; ++s) {
        TakeCard(peruspakat[s]);
        peruspakat[s]->rank = 1;
        peruspakat[s]->suit = static_cast<std::uint8_t>(s);
    }
    for (int k = 1; k <= kSlots; ++k) MoveTop(pakka, apurivi[k]);
    for (int k = 1; k <= kHiddenCards; ++k) MoveTop(pakka, piilopino);
    kasipakka = pakka;
    pakka = nullptr;
}
