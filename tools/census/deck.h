// A deck as a person gives it: the deck listing of a traced game, or one card a line.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The card number (1..56: hertta 2..15, ruutu, risti, pata 2..15) at each deck position, top
// card first.
using Deck = std::array<std::uint8_t, 56>;

struct DeckReading {
    bool ok;
    Deck deck;
    std::string error;  // when not ok: one line, naming the line of the input
};

// Reads 56 distinct cards, top card first, one a line: "hertta 12", or a line of the deck listing
// as a traced game writes it (" 12:  hertta 12", suit names padded with NULs, CR LF). Lines before
// the listing's heading and from the line after it ("Jaan kortit ...") on are passed over, so a
// whole trace can be read; so are empty lines.
DeckReading ReadDeck(std::string_view text);
