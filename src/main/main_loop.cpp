#include "main/main_loop.h"

#include <cstdint>

#include "display/table_display.h"
#include "main/run_state.h"
#include "runtime/checked_console.h"
#include "runtime/extended.h"
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

// The statistics line is the main loop's own statement, written wherever the trace left the line.
void MainLoop() {
    ResetTable();
    AskMode();
    while (running) {
        DealGame();
        PlayGame();
        Ending ending = CountGame();
        PutFloat(winPercentage);
        PutLineEnd();
        WriteVerdict(ending);
        CollectCards();
        if (mode != kSilentForever) AskMode();
    }
}

void DealGame() {
    ShuffleDeck();
    DealTable();
    kierros = 1;
    if (mode == kTrace) ShowTable();
}

// The game's own win is counted before the quotient is formed, so the percentage is the share
// of wins among all games played so far, this one included.
Ending CountGame() {
    Ending ending = GameEnding();
    gamesPlayed = gamesPlayed + 1;
    if (ending == Ending::Won) gamesWon = gamesWon + 1;
    winPercentage = ExtendedQuotient(static_cast<std::uint64_t>(gamesWon) * 100,
                                     static_cast<std::uint64_t>(gamesPlayed));
    return ending;
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
