// The program entry: the prompt, its modes and the loop over games.
#pragma once

#include <cstdint>

// Empties the table and starts the run's counters.
void ResetTable();

// Writes the prompt, reads the answer into mode and stops the run on "l" or at the end of input.
void AskMode();

#include "play/end_tests.h"

// Plays games until the answer "l"; the program entry.
void MainLoop();

// Shuffles and deals a new game and, in trace mode, shows the table.
void DealGame();

// Deals a game from the card numbers numbers[1..56] in deck order, as if the shuffle had drawn
// them, and in trace mode lists them and shows the table.
void DealGivenDeck(const std::int16_t numbers[]);

// Counts the game that has ended, and its win, and works out the win percentage.
void CountGame(Ending ending);

// In trace mode, writes the verdict on the game that has ended.
void WriteVerdict(Ending ending);
