// The shuffle and the deal that start every game.
#pragma once

// Seeds the random source from the tick counter, puts the card numbers in a random order,
// lists them in trace mode and builds pakka with the first number on top.
void ShuffleDeck();

// The shuffle after Randomize: the draws, the listing and pakka.
void ShuffleSeeded();

// Lays pakka out: a base card on each foundation, positions 1..8 on the slots, 9..16 on
// piilopino and the rest, in listing order, as kasipakka.
void DealTable();
