#include "deal_outcome.h"

#include <cstring>

#include "main/main_loop.h"
#include "main/run_state.h"
#include "runtime/checked_console.h"
#include "runtime/process.h"
#include "runtime/random.h"
#include "table/cards.h"

namespace {

std::uint32_t dealTick = 0;
std::uint32_t DealTick() {
    return dealTick;
}

// As at the start of a run: the first draw seeds the generator from the tick.
void StartDeal(std::uint32_t tick) {
    dealTick = tick;
    tickSource = DealTick;
    RandSeed = 0;
    seedMark = 0;
    wordIndex = 625;
}

void PlayTracedGame() {
    ResetTable();
    mode = kTrace;
    DealGame();
    PlayGame();
    Ending ending = CountGame();
    PutFloat(winPercentage);
    PutLineEnd();
    WriteVerdict(ending);
    CollectCards();
}

}  // namespace

void PrepareEngine() {
    ResetTable();
    mode = 0;
}

[[gnu::target_clones("avx2", "default")]] void SeedBatchOfDeals(std::uint32_t first,
                                                                SeedBatch& batch) {
    using Lanes = std::uint32_t __attribute__((vector_size(kBatchDeals * sizeof(std::uint32_t))));
    Lanes word;
    for (int lane = 0; lane < kBatchDeals; ++lane)
        word[lane] = first + static_cast<std::uint32_t>(lane);
    batch.first = first;
    std::memcpy(batch.words[0], &word, sizeof word);
    for (std::uint32_t i = 1; i < kChainWords; ++i) {
        word = 1812433253u * (word ^ (word >> 30)) + i;
        std::memcpy(batch.words[i], &word, sizeof word);
    }
}

DealOutcome PlayDeal(std::uint32_t tick, const SeedBatch* batch) {
    StartDeal(tick);
    std::uint32_t chain[kChainWords];
    if (batch != nullptr && tick - batch->first < kBatchDeals) {
        std::uint32_t lane = tick - batch->first;
        for (int i = 0; i < kChainWords; ++i) chain[i] = batch->words[i][lane];
        ProvideSeeding(tick, chain, kChainWords);
    }
    DealGame();
    DealOutcome outcome{};
    outcome.iterations = PlayGame();
    outcome.ending = GameEnding();
    for (int s = 1; s <= kSuits; ++s) outcome.cardsPlayed += peruspakat[s]->rank - 1;
    CollectCards();
    return outcome;
}

void ShowDeal(std::uint32_t tick) {
    StartDeal(tick);
    RunProgram(PlayTracedGame);
}
