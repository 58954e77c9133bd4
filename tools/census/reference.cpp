#include "reference.h"

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
    Ending ending = GameEnding();
    CountGame(ending);
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

DealOutcome PlayDeal(std::uint32_t tick) {
    StartDeal(tick);
    DealGame();
    DealOutcome outcome{};
    outcome.iterations = static_cast<std::uint8_t>(PlayGame());
    outcome.ending = GameEnding();
    for (int s = 1; s <= kSuits; ++s)
        outcome.cardsPlayed =
            static_cast<std::uint8_t>(outcome.cardsPlayed + peruspakat[s]->rank - 1);
    CollectCards();
    return outcome;
}

void ShowDeal(std::uint32_t tick) {
    StartDeal(tick);
    RunProgram(PlayTracedGame);
}
