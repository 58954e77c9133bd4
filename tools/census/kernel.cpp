#include "kernel.h"

#include <utility>

namespace {

// Every position is exchanged with one drawn from the whole deck, in position order. The
// decks are shuffled side by side, so that the exchanges of one overlap those of the others.
template <int kDecks>
void Shuffle(const BatchDraws& batch, int first, std::uint8_t (*decks)[kDeckCards]) {
    for (int deck = 0; deck < kDecks; ++deck)
        for (int i = 0; i < kDeckCards; ++i) decks[deck][i] = static_cast<std::uint8_t>(i + 1);
    for (int i = 0; i < kDeckCards; ++i)
        for (int deck = 0; deck < kDecks; ++deck)
            std::swap(decks[deck][i], decks[deck][batch.draws[i][first + deck]]);
}

}  // namespace

void ShuffleBatch(const BatchDraws& batch, int count, std::uint8_t (*decks)[kDeckCards]) {
    constexpr int kSideBySide = 4;  // more side by side measured no faster
    int deal = 0;
    for (; deal + kSideBySide <= count; deal += kSideBySide)
        Shuffle<kSideBySide>(batch, deal, decks + deal);
    for (; deal < count; ++deal) Shuffle<1>(batch, deal, decks + deal);
}

// Many decks go to the lanes at a time, so that few lanes wait for the last games.
void PlayTicks(std::uint32_t first, std::uint32_t count, DealOutcome* outcomes) {
    constexpr std::uint32_t kChunk = 8 * kBatchDeals;
    thread_local BatchDraws batch;
    thread_local std::uint8_t decks[kChunk][kDeckCards];
    for (std::uint32_t done = 0; done < count; done += kChunk) {
        std::uint32_t deals = count - done < kChunk ? count - done : kChunk;
        for (std::uint32_t d = 0; d < deals; d += kBatchDeals) {
            DrawBatch(first + done + d, batch);
            int inBatch = static_cast<int>(deals - d < kBatchDeals ? deals - d : kBatchDeals);
            ShuffleBatch(batch, inBatch, decks + d);
        }
        PlayDecks(decks, deals, outcomes + done);
    }
}
