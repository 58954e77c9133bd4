#include "main/main_loop.h"

#include <cstdint>

#include "display/table_display.h"
#include "main/run_state.h"
#include "runtime/checked_console.h"
#include "runtime/extended.h"
#include "runtime/random.h"
#include "table/cards.h"
#include "table/deal.h"

char mode = 0;
bool running = false;
double gamesPlayed = 0;
double gamesWon = 0;
double winPercentage = 0;

void ResetTable() {
    for (int s = 1; s <= kSuits; ++s) peruspakat[s] = nullptr;
    for (int j = 1; j <= kSlots; ++j) apurivi[j] = nullptr;
    pakka = nullptr;
    kasipakka = nullptr;
    nakyvakasipakka = nullptr;
    cardPool = nullptr;
    piilopino = nullptr;
    deckSize = 56;
    FillSuitNames();
    running = true;
    gamesPlayed = 0;
    gamesWon = 0;
}

// At the end of input no answer can come any more, so the run ends as if "l" had been given.
void AskMode() {
    PutText("Syota \"t\", jos haluat tulostaa pasianssipelin vaiheet.");
    PutLineEnd();
    PutText("Syota \"s\", jos haluat vain simuloida tilastollista tutkimusta varten ");
    PutEnd();
    PutText(" ilman tulostusta.");
    PutLineEnd();
    PutText("Syota \"l\" jos haluat kokonaan lopettaa simuloinnin");
    PutLineEnd();
    mode = GetChar();
    bool inputEnded = InputEnded(input);
    SkipRestOfLine();
    if (mode == kQuit || inputEnded) running = false;
}

namespace {

// The game before, when its first draw seeded the random source from its own tick.
struct SeededGame {
    bool known;
    std::uint32_t tick;
    Ending ending;
};
SeededGame lastSeeded{};

// What follows the shuffle: the deal, the first pass and, in trace mode, the table.
void LayOutGame() {
    DealTable();
    kierros = 1;
    if (mode == kTrace) ShowTable();
}

// A game whose tick repeats that of the game before, which was seeded from it, gets the same
// deck and plays the same game: silently, it takes that game's ending without playing it
// again, and leaves the random source as the same draws would, seeded from the tick once more.
Ending PlayNextGame() {
    Randomize();
    if (mode != kTrace && lastSeeded.known && RandSeed == lastSeeded.tick) {
        RandSeed = ~RandSeed;
        return lastSeeded.ending;
    }
    lastSeeded = {NextDrawSeeds(), RandSeed, {}};
    ShuffleSeeded();
    LayOutGame();
    PlayGame();
    lastSeeded.ending = GameEnding();
    return lastSeeded.ending;
}

}  // namespace

// The statistics line is the main loop's own statement, written wherever the trace left the line.
void MainLoop() {
    ResetTable();
    AskMode();
    while (running) {
        Ending ending = PlayNextGame();
        CountGame(ending);
        PutFloat(winPercentage);
        PutLineEnd();
        WriteVerdict(ending);
        CollectCards();
        if (mode != kSilentForever) AskMode();
    }
}

void DealGame() {
    ShuffleDeck();
    LayOutGame();
}

void DealGivenDeck(const std::int16_t numbers[]) {
    BuildDeck(numbers);
    LayOutGame();
}

// The game's own win is counted before the quotient is formed, so the percentage is the share
// of wins among all games played so far, this one included.
void CountGame(Ending ending) {
    gamesPlayed = gamesPlayed + 1;
    if (ending == Ending::Won) gamesWon = gamesWon + 1;
    winPercentage = ExtendedQuotient(static_cast<std::uint64_t>(gamesWon) * 100,
                                     static_cast<std::uint64_t>(gamesPlayed));
}

void WriteVerdict(Ending ending) {
    if (mode != kTrace) return;
    switch (ending) {
        case Ending::FivePasses:
            PutText("Kasipakkaa on selattu liikaa. Pasianssi ei mennyt lapi.");
            break;
        case Ending::Won:
            PutText("Pasianssi meni lapi! :)");
            break;
        case Ending::NextCardsHidden:
            PutText(
                "Ei kannata jatkaa. Kaikki seuraavaksi peruspakkaan kayvat kortit ovat "
                "piilopinossa.");
            break;
    }
    PutLineEnd();
}
