// Any bytes as a deck a person gives: either a deck of the 56 cards, which the program's engine
// then plays to its end, or one line that names a line of the input; never a crash.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "deck.h"
#include "reference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool prepared = (PrepareEngine(), true);
    (void)prepared;
    DeckReading reading = ReadDeck(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!reading.ok) {
        if (!reading.error.starts_with("line ") ||
            reading.error.find_first_of("\n\r") != std::string::npos)
            std::abort();
        return 0;
    }
    bool seen[kDeckCards + 1] = {};
    for (std::uint8_t number : reading.deck) {
        if (number < 1 || number > kDeckCards || seen[number]) std::abort();
        seen[number] = true;
    }
    if (PlayDeckOnEngine(reading.deck.data()).iterations > 60) std::abort();
    return 0;
}
