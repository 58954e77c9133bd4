#include "deck.h"

#include <vector>

namespace {

constexpr std::string_view kHeading = "Arpomasi pakka paalimmaisesta kortista lahtien:";
constexpr std::string_view kDealt = "Jaan kortit poytaan niin aloitetaan peli";
constexpr std::string_view kSuits[] = {"hertta", "ruutu", "risti", "pata"};
constexpr int kRanks = 14;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\0';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Digits at the front of text, taken off it; -1 for none, and a large value for too many.
int TakeNumber(std::string_view& text) {
    int value = -1;
    while (!text.empty() && IsDigit(text.front())) {
        value = (value < 0 ? 0 : value) * 10 + (text.front() - '0');
        if (value > 1000) value = 1000;
        text.remove_prefix(1);
    }
    return value;
}

void SkipBlanks(std::string_view& text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
}

// What the input shows of a line, for a message: printable ASCII, at most 40 characters.
std::string Shown(std::string_view text) {
    std::string shown;
    for (char c : text.substr(0, 40)) shown += c >= ' ' && c <= '~' ? c : '?';
    return text.size() > 40 ? shown + "..." : shown;
}

std::string NotACard(std::string_view line, std::string_view why) {
    std::string message(1, '\'');
    return message.append(Shown(line)).append("' is not a card: ").append(why);
}

std::string CardName(int number) {
    return std::string(kSuits[(number - 1) / kRanks]) + " " +
           std::to_string((number - 1) % kRanks + 2);
}

}  // namespace

DeckReading ReadDeck(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at <= text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        at = end + 1;
    }
    std::size_t first = 0;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == kHeading) {
            first = i + 1;
            break;
        }

    DeckReading reading{false, {}, ""};
    auto refuse = [&](std::size_t index, const std::string& why) {
        reading.error = "line " + std::to_string(index + 1) + ": " + why;
        return reading;
    };
    int firstLine[kRanks * 4 + 1] = {};  // the line of each card number read, from 1
    int cards = 0;
    std::size_t last = first;
    for (std::size_t i = first; i < lines.size() && lines[i] != kDealt; ++i) {
        std::string_view line = lines[i];
        SkipBlanks(line);
        if (line.empty()) continue;
        last = i;
        std::string_view rest = line;
        std::string_view probe = rest;
        int position = TakeNumber(probe);
        if (position >= 0 && !probe.empty() && probe.front() == ':') {
            if (position != cards + 1)
                return refuse(i, "position " + std::to_string(position) + " where " +
                                     std::to_string(cards + 1) + " was expected");
            rest = probe.substr(1);
            SkipBlanks(rest);
        }
        std::size_t nameLength = 0;
        while (nameLength < rest.size() && rest[nameLength] >= 'a' && rest[nameLength] <= 'z')
            ++nameLength;
        int suit = 0;
        while (suit < 4 && rest.substr(0, nameLength) != kSuits[suit]) ++suit;
        if (suit == 4 || nameLength == rest.size() || !IsBlank(rest[nameLength]))
            return refuse(i, NotACard(line,
                                      "a suit (hertta, ruutu, risti or pata) and a rank "
                                      "2..15 are expected"));
        rest.remove_prefix(nameLength);
        SkipBlanks(rest);
        int rank = TakeNumber(rest);
        SkipBlanks(rest);
        if (rank < 0 || !rest.empty())
            return refuse(
                i, NotACard(line, "a rank 2..15 is expected after " + std::string(kSuits[suit])));
        if (rank < 2 || rank > 15)
            return refuse(i, "rank " + std::to_string(rank) + " is not one of 2..15");
        if (cards == kRanks * 4) return refuse(i, "a 57th card; a deck has 56");
        int number = suit * kRanks + rank - 1;
        if (firstLine[number] != 0)
            return refuse(i, CardName(number) + " a second time (first on line " +
                                 std::to_string(firstLine[number]) + ")");
        firstLine[number] = static_cast<int>(i + 1);
        reading.deck[static_cast<std::size_t>(cards++)] = static_cast<std::uint8_t>(number);
    }
    if (cards < kRanks * 4)
        return refuse(last,
                      "the deck ends after " + std::to_string(cards) + " cards; a deck has 56");
    reading.ok = true;
    return reading;
}
