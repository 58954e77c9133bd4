#include "kernel.h"

// Every position is exchanged with one drawn from the whole deck, in position order.
void ShuffleDraws(const BatchDraws& batch, int deal, std::uint8_t deck[kDeckCards]) {
    for (int i = 0; i < kDeckCards; ++i) deck[i] = static_cast<std::uint8_t>(i + 1);
    for (int i = 0; i < kDeckCards; ++i) {
        std::uint32_t j = batch.draws[i][deal];
        std::uint8_t kept = deck[i];
        deck[i] = deck[j];
        deck[j] = kept;
    }
}

// Many decks go to the lanes at a time, so that few lanes wait for the last games.
void PlayTicks(std::uint32_t first, std::uint32_t count, DealOutcome* outcomes) {
    constexpr std::uint32_t kChunk = 2 * kBatchDeals;
    thread_local BatchDraws batch;
    thread_local std::uint8_t decks[kChunk][kDeckCards];
    for (std::uint32_t done = 0; done < count; done += kChunk) {
        std::uint32_t deals = count - done < kChunk ? count - done : kChunk;
        for (std::uint32_t d = 0; d < deals; ++d) {
            if (d % kBatchDeals == 0) DrawBatch(first + done + d, batch);
            ShuffleDraws(batch, static_cast<int>(d % kBatchDeals), decks[d]);
        }
        PlayDecks(decks, deals, outcomes + done);
    }
}
