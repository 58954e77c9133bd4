// How a game ends, and the play loop that runs until it does.
#pragma once

// Every foundation has reached rank 15.
bool AllComplete();

// The fifth pass is over and no card can move.
bool TooManyRounds();

// The next card of every suit lies in piilopino, out of reach.
bool NextCardsHidden();

enum class Ending { FivePasses, Won, NextCardsHidden };

// Which test ended the game, asked in the order that decides the verdict.
Ending GameEnding();

// Plays a freshly dealt table until one of the three tests holds. Returns the number of
// iterations of the play loop, at most 60.
int PlayGame();
