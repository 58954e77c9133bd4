#include "display/table_display.h"

#include "runtime/checked_console.h"

void WriteCard(const Card& card) {
    PutField(suitNames[card.suit], 7);
    PutInt(card.rank, 3);
}

// Each foundation's number ends the line of the foundation before it, and every foundation
// line shows the ruutu name field first, whatever its suit.
void ShowTable() {
    PutText("Peruspakat:");
    PutEnd();
    for (int s = 1; s <= kSuits; ++s) {
        const Card& top = *peruspakat[s];
        PutInt(s);
        PutLineEnd();
        PutField(suitNames[2], 4);
        PutInt(top.suit, 4);
        PutEnd();
        WriteCard(top);
        PutText("  ");
        PutEnd();
    }
    PutText("Nakyvakasipakka:");
    PutEnd();
    if (IsEmpty(nakyvakasipakka)) {
        PutText("");
    } else {
        WriteCard(*nakyvakasipakka);
        PutText("  ");
    }
    PutLineEnd();
    PutText("Apurivi:");
    PutLineEnd();
    for (int j = 1; j <= kSlots; ++j) {
        if (IsEmpty(apurivi[j])) continue;
        WriteCard(*apurivi[j]);
        PutText("  ");
        PutEnd();
    }
}
