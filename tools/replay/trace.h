// A run of pasianssi as its output tells it: the silent games by their statistics lines, and each
// traced game step by step, with the table as it stands after every step. The trace is followed,
// not played again: each message moves the cards it names, and every table display of the trace
// is checked against the table held at that point.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct TraceCard {
    int suit;  // 1 hertta, 2 ruutu, 3 risti, 4 pata
    int rank;  // 2..15

    bool operator==(const TraceCard&) const = default;
};

struct TraceTable {
    int foundation[5] = {0, 1, 1, 1, 1};  // the top rank of each suit's foundation; 1 = base card
    std::optional<TraceCard> slots[9];    // apurivi, slots 1..8
    std::vector<TraceCard> hidden;        // piilopino, top first
    std::vector<TraceCard> hand;          // kasipakka, top first
    std::vector<TraceCard> visible;       // nakyvakasipakka, top first
    int kierros = 1;
    int played = 0;  // cards on the foundations
};

enum class StepKind { Deal, FromApurivi, Turn, FromHand, NewPass, End };

struct TraceStep {
    StepKind kind;
    std::string text;  // the step's own text, as the trace writes it but for NULs and line ends
    TraceTable table;  // after the step
};

struct TracedGame {
    int line;  // of the input, where the game's deck listing begins
    std::vector<TraceCard> deck;
    std::vector<TraceStep> steps;  // the deal first, the verdict last
    std::string statistics;        // the win percentage as written
    std::string verdict;
};

struct RunGame {
    bool traced;
    std::string statistics;  // of a silent game
    TracedGame game;         // of a traced one
};

// The input does not fit: the line of the input and what was expected there.
struct TraceError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads what pasianssi writes (any run: prompts, silent and traced games) or what
// pasianssi-census --show or --deck writes. Throws TraceError when the input does not fit.
std::vector<RunGame> ReadRun(std::string_view output);

std::string CardText(const TraceCard& card);
