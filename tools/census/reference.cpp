#include "reference.h"

#include "main/main_loop.h"
#include "main/run_state.h"
#include "runtime/checked_console.h"
#include "runtime/process.h"
#include "runtime/random.h"
#include "table/cards.h"
#include "table/deal.h"

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

const std::uint8_t* givenDeck = nullptr;

// The shuffle's order handed over instead of drawn.
void DealHandedDeck() {
    std::int16_t numbers[kMaxDeck + 1];
    for (int i = 0; i < kDeckCards; ++i) numbers[i + 1] = givenDeck[i];
    DealGivenDeck(numbers);
}

void (*dealing)() = DealGame;

void PlayTracedGame() {
    ResetTable();
    mode = kTrace;
    dealing();
    PlayGame();
    Ending ending = GameEnding();
    CountGame(ending);
    PutFloat(winPercentage);
    PutLineEnd();
    WriteVerdict(ending);
    CollectCards();
}

DealOutcome PlayDealt() {
    DealOutcome outcome{};
    outcome.iterations = static_cast<std::uint8_t>(PlayGame());
    outcome.ending = GameEnding();
    for (int s = 1; s <= kSuits; ++s)
        outcome.cardsPlayed =
            static_cast<std::uint8_t>(outcome.cardsPlayed + peruspakat[s]->rank - 1);
    CollectCards();
    return outcome;
}

}  // namespace

void PrepareEngine() {
    ResetTable();
    mode = 0;
}

DealOutcome PlayDeal(std::uint32_t tick) {
    StartDeal(tick);
    DealGame();
    return PlayDealt();
}

DealOutcome PlayDeckOnEngine(const std::uint8_t deck[kDeckCards]) {
    givenDeck = deck;
    DealHandedDeck();
    return PlayDealt();
}

void ShowDeal(std::uint32_t tick) {
    StartDeal(tick);
    RunProgram(PlayTracedGame);
}

void ShowDeck(const std::uint8_t deck[kDeckCards]) {
    givenDeck = deck;
    dealing = DealHandedDeck;
    RunProgram(PlayTracedGame);
}
