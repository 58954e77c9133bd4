// The table as trace mode shows it.
#pragma once

#include "table/cards.h"

// Writes a card as the trace does: its name field in width 7, its rank in width 3.
void WriteCard(const Card& card);

// Writes the foundations, the top of nakyvakasipakka and the cards of apurivi; leaves the
// last line open for whatever the trace writes next.
void ShowTable();
