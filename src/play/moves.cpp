#include "play/moves.h"

#include "display/table_display.h"
#include "main/run_state.h"
#include "play/end_tests.h"
#include "runtime/checked_console.h"

bool FindFittingSlot(std::uint16_t& slot) {
    for (std::uint16_t i = 1; i <= kSlots; ++i) {
        if (Fits(apurivi[i])) {
            slot = i;
            return true;
        }
    }
    return false;
}

// Every search starts again at slot 1, so a lower slot made playable by a move goes next.
void PlayFromApurivi() {
    std::uint16_t s;
    while (FindFittingSlot(s)) {
        Card& c = *apurivi[s];
        if (mode == kTrace) {
            PutText("Nostetaan apurivista");
            WriteCard(c);
            PutText(" peruspakkaan.");
            PutEnd();
        }
        MoveTop(apurivi[s], peruspakat[c.suit]);
        if (!IsEmpty(piilopino)) {
            if (mode == kTrace) {
                const Card& r = *piilopino;
                PutText("...ja piilopinosta");
                PutField(suitNames[r.suit], 7);
                PutInt(r.rank, 4);
                PutText(" tilalle.");
                PutLineEnd();
            }
            MoveTop(piilopino, apurivi[s]);
        }
        if (mode == kTrace) ShowTable();
    }
}

void HandStep() {
    if (Fits(nakyvakasipakka)) {
        PlayFromVisible();
        return;
    }
    if (AllComplete()) return;
    TurnHand();
    if (Fits(nakyvakasipakka)) {
        PlayFromVisible();
        return;
    }
    if (TooManyRounds()) return;
    ++kierros;
    if (mode == kTrace) {
        PutText("Kasipakan selauksessa alkaa");
        PutInt(kierros);
        PutText(".s");
        PutText("kierros.");
        PutLineEnd();
    }
    while (!IsEmpty(nakyvakasipakka)) MoveTop(nakyvakasipakka, kasipakka);
}

// Turns until a card fits or the hand is used up; the fitting card is left on top, unplayed.
void TurnHand() {
    if (IsEmpty(kasipakka)) return;
    if (mode == kTrace) {
        PutText("Selataan kasipakkaa, kasipakasta kaannettiin: ");
        PutLineEnd();
    }
    do {
        MoveTop(kasipakka, nakyvakasipakka);
        if (mode == kTrace) {
            WriteCard(*nakyvakasipakka);
            PutEnd();
        }
    } while (!Fits(nakyvakasipakka) && !IsEmpty(kasipakka));
}

void PlayFromVisible() {
    while (Fits(nakyvakasipakka)) {
        Card& c = *nakyvakasipakka;
        if (mode == kTrace) {
            PutText("Nostetaan kasipakasta");
            WriteCard(c);
            PutText(" peruspakkaan");
            PutLineEnd();
        }
        MoveTop(nakyvakasipakka, peruspakat[c.suit]);
        if (mode == kTrace) ShowTable();
    }
}
