#include "table/cards.h"

#include <cstring>
#include <new>

#include "runtime/memory.h"

Pile peruspakat[5];
Pile apurivi[9];
Pile piilopino;
Pile kasipakka;
Pile nakyvakasipakka;
Pile pakka;
Pile cardPool;

std::int16_t deckSize;
std::uint8_t kierros;
SuitName suitNames[5];

void ReversePile(Pile& pile) {
    Pile reversed = nullptr;
    while (!IsEmpty(pile)) MoveTop(pile, reversed);
    pile = reversed;
}

void TakeCard(Pile& ref) {
    if (IsEmpty(cardPool)) {
        ref = new (AllocateMemory(sizeof(Card))) Card{};
    } else {
        ref = cardPool;
        cardPool = ref->next;
    }
    ref->next = nullptr;
}

void CollectCards() {
    for (int s = 1; s <= kSuits; ++s)
        while (!IsEmpty(peruspakat[s])) MoveTop(peruspakat[s], cardPool);
    for (int j = 1; j <= kSlots; ++j) MoveTop(apurivi[j], cardPool);
    while (!IsEmpty(kasipakka)) MoveTop(kasipakka, cardPool);
    while (!IsEmpty(nakyvakasipakka)) MoveTop(nakyvakasipakka, cardPool);
    while (!IsEmpty(piilopino)) MoveTop(piilopino, cardPool);
}

void FillSuitNames() {
    std::memcpy(suitNames[1], "hertta", 6);
    std::memcpy(suitNames[2], "ruutu\0", 6);
    std::memcpy(suitNames[3], "risti\0", 6);
    std::memcpy(suitNames[4], "pata\0\0", 6);
}
