// The program entry: the prompt, its modes and the loop over games.
#pragma once

// Empties the table and starts the run's counters.
void ResetTable();

// Writes the prompt, reads the answer into mode and stops the run on "l" or at the end of input.
void AskMode();

// Plays games until the answer "l"; the program entry.
void MainLoop();
