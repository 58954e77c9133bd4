// The shuffle and the deal that start every game.
#pragma once

#include <cstdint>

// Seeds the random source from the tick counter, puts the card numbers in a random order,
// lists them in trace mode and builds pakka with the first number on top.
void ShuffleDeck();

// The shuffle after Randomize: the draws, then BuildDeck.
void ShuffleSeeded();

// Lists the card numbers numbers[1..deckSize] in trace mode and builds pakka from them, the first
// on top: the shuffle's work once the order is drawn, or an order handed in.
constexpr int kMaxDeck = 100;
void BuildDeck(const std::int16_t numbers[]);

// Lays pakka out: a base card on each foundation, positions 1..8 on the slots, 9..16 on
// piilopino and the rest, in listing order, as kasipakka.
void DealTable();
