#include "trace.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kPrompt =
    "Syota \"t\", jos haluat tulostaa pasianssipelin vaiheet.\r\n"
    "Syota \"s\", jos haluat vain simuloida tilastollista tutkimusta varten  ilman tulostusta.\r\n"
    "Syota \"l\" jos haluat kokonaan lopettaa simuloinnin\r\n";
constexpr std::string_view kListing = "Arpomasi pakka paalimmaisesta kortista lahtien:\r\n";
constexpr std::string_view kDealt = "Jaan kortit poytaan niin aloitetaan peli\r\n";
constexpr std::string_view kFromApurivi = "Nostetaan apurivista";
constexpr std::string_view kToFoundation = " peruspakkaan.";
constexpr std::string_view kRefill = "...ja piilopinosta";
constexpr std::string_view kRefilled = " tilalle.\r\n";
constexpr std::string_view kTurn = "Selataan kasipakkaa, kasipakasta kaannettiin: \r\n";
constexpr std::string_view kFromHand = "Nostetaan kasipakasta";
constexpr std::string_view kToFoundationFromHand = " peruspakkaan\r\n";
constexpr std::string_view kNewPass = "Kasipakan selauksessa alkaa";
constexpr std::string_view kNewPassEnd = ".skierros.\r\n";
constexpr std::string_view kFoundations = "Peruspakat:";
constexpr std::string_view kVisible = "Nakyvakasipakka:";
constexpr std::string_view kApurivi = "Apurivi:\r\n";
constexpr std::string_view kSuitNames[] = {
    {}, {"hertta", 6}, {"ruutu\0", 6}, {"risti\0", 6}, {"pata\0\0", 6}};
constexpr std::string_view kVerdicts[] = {
    "Kasipakkaa on selattu liikaa. Pasianssi ei mennyt lapi.\r\n", "Pasianssi meni lapi! :)\r\n",
    "Ei kannata jatkaa. Kaikki seuraavaksi peruspakkaan kayvat kortit ovat piilopinossa.\r\n"};

std::string Printable(std::string_view bytes) {
    std::string text;
    for (char c : bytes)
        if (c == '\0')
            text += ' ';
        else if (c != '\r' && c != '\n')
            text += c;
    return text;
}

// The output read front to back; every failure names the line where the reading stands.
class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool AtEnd() const { return at_ == text_.size(); }
    int Line() const { return line_; }
    bool Sees(std::string_view literal) const { return text_.substr(at_).starts_with(literal); }

    [[noreturn]] void Fail(const std::string& expected) const {
        std::string found =
            AtEnd() ? "the end of the input" : "'" + Printable(text_.substr(at_, 30)) + "'";
        throw TraceError("line " + std::to_string(line_) + ": expected " + expected + ", found " +
                         found);
    }

    std::string_view Take(std::size_t count) {
        std::string_view taken = text_.substr(at_, count);
        line_ += static_cast<int>(std::count(taken.begin(), taken.end(), '\n'));
        at_ += taken.size();
        return taken;
    }

    void Expect(std::string_view literal, const std::string& what) {
        if (!Sees(literal)) Fail(what);
        Take(literal.size());
    }

    // A decimal integer right-aligned in width, written whole when longer.
    int Number(std::size_t width, const std::string& what) {
        std::size_t blanks = 0;
        while (blanks < width && at_ + blanks < text_.size() && text_[at_ + blanks] == ' ')
            ++blanks;
        std::size_t digits = 0;
        while (at_ + blanks + digits < text_.size() &&
               std::isdigit(static_cast<unsigned char>(text_[at_ + blanks + digits])))
            ++digits;
        if (digits == 0 || digits > 3 || (blanks + digits < width)) Fail(what);
        int value = 0;
        for (char c : Take(blanks + digits).substr(blanks)) value = value * 10 + (c - '0');
        return value;
    }

    // A suit's six-character name field in width w (w - 6 blanks first), then its rank in width
    // r: card text is 7 and 3, the refill 7 and 4, the deck listing 8 and 3.
    TraceCard Card(std::size_t nameWidth, std::size_t rankWidth) {
        std::size_t blanks = nameWidth - 6;
        if (!Sees(std::string(blanks, ' '))) Fail("a card");
        std::string_view field = text_.substr(at_ + blanks, 6);
        int suit = 1;
        while (suit <= 4 && field != kSuitNames[suit]) ++suit;
        if (suit > 4) Fail("a card");
        Take(nameWidth);
        int rank = Number(rankWidth, "the rank of a card");
        if (rank < 2 || rank > 15) Fail("a rank 2..15");
        return {suit, rank};
    }

    std::string_view Rest() const { return text_.substr(at_); }

  private:
    std::string_view text_;
    std::size_t at_ = 0;
    int line_ = 1;
};

// Follows one traced game from its deck listing to its verdict.
class Game {
  public:
    explicit Game(Reader& in) : in_(in) {}

    TracedGame Read() {
        game_.line = in_.Line();
        in_.Expect(kListing, "the deck listing");
        bool seen[5][16] = {};
        for (int position = 1; position <= 56; ++position) {
            if (in_.Number(3, "position " + std::to_string(position)) != position)
                in_.Fail("position " + std::to_string(position));
            in_.Expect(":", "':' after the position");
            TraceCard card = in_.Card(8, 3);
            if (seen[card.suit][card.rank]) in_.Fail("a card not yet in the deck");
            seen[card.suit][card.rank] = true;
            in_.Expect(kLineEnd, "the end of the listing line");
            game_.deck.push_back(card);
        }
        in_.Expect(kDealt, "'Jaan kortit poytaan niin aloitetaan peli'");
        for (int slot = 1; slot <= 8; ++slot) table_.slots[slot] = game_.deck[slot - 1];
        for (int position = 16; position >= 9; --position)
            table_.hidden.push_back(game_.deck[position - 1]);
        table_.hand.assign(game_.deck.begin() + 16, game_.deck.end());
        Step(StepKind::Deal, "Jaan kortit poytaan niin aloitetaan peli");
        CheckTable();
        for (;;) {
            if (in_.Sees(kFromApurivi)) {
                FromApurivi();
            } else if (in_.Sees(kTurn)) {
                Turn();
            } else if (in_.Sees(kFromHand)) {
                FromHand();
            } else if (in_.Sees(kNewPass)) {
                NewPass();
            } else {
                End();
                return game_;
            }
        }
    }

  private:
    void Step(StepKind kind, std::string text) {
        game_.steps.push_back({kind, std::move(text), table_});
    }

    bool Fits(const TraceCard& card) const { return table_.foundation[card.suit] + 1 == card.rank; }

    void ToFoundation(const TraceCard& card) {
        if (!Fits(card)) in_.Fail("a card that fits its foundation, not " + CardText(card));
        table_.foundation[card.suit] = card.rank;
        ++table_.played;
    }

    void FromApurivi() {
        in_.Expect(kFromApurivi, "a move");
        TraceCard card = in_.Card(7, 3);
        int slot = 1;
        while (slot <= 8 && table_.slots[slot] != card) ++slot;
        if (slot > 8) in_.Fail("a card of apurivi, not " + CardText(card));
        in_.Expect(kToFoundation, "' peruspakkaan.'");
        ToFoundation(card);
        table_.slots[slot].reset();
        std::string text = "Nostetaan apurivista " + CardText(card) + " peruspakkaan.";
        if (!table_.hidden.empty()) {
            in_.Expect(kRefill, "the refill from piilopino");
            TraceCard refill = in_.Card(7, 4);
            if (refill != table_.hidden.front())
                in_.Fail("the top card of piilopino, " + CardText(table_.hidden.front()));
            in_.Expect(kRefilled, "' tilalle.'");
            table_.slots[slot] = refill;
            table_.hidden.erase(table_.hidden.begin());
            text += "...ja piilopinosta " + CardText(refill) + " tilalle.";
        }
        Step(StepKind::FromApurivi, text);
        CheckTable();
    }

    // The turned cards stand on one line after the header, up to the message that follows.
    void Turn() {
        in_.Expect(kTurn, "the turning of the hand");
        std::string text = "Selataan kasipakkaa, kasipakasta kaannettiin:";
        do {
            TraceCard card = in_.Card(7, 3);
            if (table_.hand.empty() || table_.hand.front() != card)
                in_.Fail(table_.hand.empty()
                             ? "no more turned cards, the hand is used up"
                             : "the top card of kasipakka, " + CardText(table_.hand.front()));
            table_.hand.erase(table_.hand.begin());
            table_.visible.insert(table_.visible.begin(), card);
            text += " " + CardText(card);
        } while (in_.Rest().size() > 1 && in_.Rest()[0] == ' ' &&
                 std::islower(static_cast<unsigned char>(in_.Rest()[1])));
        Step(StepKind::Turn, text);
    }

    void FromHand() {
        in_.Expect(kFromHand, "a move");
        TraceCard card = in_.Card(7, 3);
        if (table_.visible.empty() || table_.visible.front() != card)
            in_.Fail("the top card of nakyvakasipakka");
        in_.Expect(kToFoundationFromHand, "' peruspakkaan'");
        ToFoundation(card);
        table_.visible.erase(table_.visible.begin());
        Step(StepKind::FromHand, "Nostetaan kasipakasta " + CardText(card) + " peruspakkaan");
        CheckTable();
    }

    void NewPass() {
        in_.Expect(kNewPass, "a new pass");
        int pass = in_.Number(1, "the number of the pass");
        if (pass != table_.kierros + 1 || pass > 5)
            in_.Fail("pass " + std::to_string(table_.kierros + 1));
        in_.Expect(kNewPassEnd, "'.skierros.'");
        table_.kierros = pass;
        for (const TraceCard& card : table_.visible) table_.hand.insert(table_.hand.begin(), card);
        table_.visible.clear();
        Step(StepKind::NewPass,
             "Kasipakan selauksessa alkaa" + std::to_string(pass) + ".skierros.");
    }

    // The win percentage, continuing whatever line the trace left open, and the verdict, which
    // must be the one that the table calls for.
    void End() {
        std::string_view rest = in_.Rest();
        if (rest.size() < 26 || rest[0] != ' ' || rest[2] != '.' || rest.substr(19, 2) != "E+" ||
            rest.substr(24, 2) != kLineEnd)
            in_.Fail("a move, a turning of the hand, a new pass or the win percentage");
        game_.statistics = std::string(in_.Take(24));
        in_.Take(2);
        bool complete = table_.played == 56;
        int verdict = 0;
        while (verdict < 3 && !in_.Sees(kVerdicts[verdict])) ++verdict;
        if (verdict == 3) in_.Fail("a verdict");
        bool fivePasses = table_.kierros == 5 && table_.hand.empty();
        if ((verdict == 1) != complete || (verdict == 0 && !fivePasses))
            in_.Fail("the verdict that the table calls for");
        game_.verdict = Printable(in_.Take(kVerdicts[verdict].size()));
        Step(StepKind::End, game_.verdict);
    }

    // A table display, checked against the table held: the top card of every foundation, the
    // top of nakyvakasipakka and the cards of apurivi in slot order.
    void CheckTable() {
        in_.Expect(kFoundations, "the table display");
        for (int suit = 1; suit <= 4; ++suit) {
            if (in_.Number(0, "foundation " + std::to_string(suit)) != suit)
                in_.Fail("foundation " + std::to_string(suit));
            in_.Expect(kLineEnd, "the end of the line");
            in_.Expect(kSuitNames[2], "the label of foundation " + std::to_string(suit));
            if (in_.Number(4, "the suit of foundation " + std::to_string(suit)) != suit)
                in_.Fail("the suit of foundation " + std::to_string(suit));
            std::string_view field = in_.Rest().substr(1, 6);
            int rank = table_.foundation[suit];
            if (rank == 1) {
                if (field != kSuitNames[suit])
                    in_.Fail("the base card of foundation " + std::to_string(suit));
                in_.Take(7);
                if (in_.Number(3, "rank 1") != 1)
                    in_.Fail("rank 1 on foundation " + std::to_string(suit));
            } else if (in_.Card(7, 3) != TraceCard{suit, rank}) {
                in_.Fail(CardText({suit, rank}) + " on top of foundation " + std::to_string(suit));
            }
            in_.Expect("  ", "two blanks");
        }
        in_.Expect(kVisible, "'Nakyvakasipakka:'");
        if (!table_.visible.empty()) {
            if (in_.Card(7, 3) != table_.visible.front())
                in_.Fail(CardText(table_.visible.front()) + " on top of nakyvakasipakka");
            in_.Expect("  ", "two blanks");
        }
        in_.Expect(kLineEnd, "the end of the line");
        in_.Expect(kApurivi, "'Apurivi:'");
        for (int slot = 1; slot <= 8; ++slot) {
            if (!table_.slots[slot]) continue;
            if (in_.Card(7, 3) != *table_.slots[slot])
                in_.Fail(CardText(*table_.slots[slot]) + " in slot " + std::to_string(slot));
            in_.Expect("  ", "two blanks");
        }
    }

    Reader& in_;
    TracedGame game_;
    TraceTable table_;
};

bool IsStatisticsLine(std::string_view rest) {
    return rest.size() >= 26 && rest[0] == ' ' &&
           std::isdigit(static_cast<unsigned char>(rest[1])) && rest[2] == '.' &&
           rest.substr(19, 2) == "E+" && rest.substr(24, 2) == kLineEnd;
}

}  // namespace

std::string CardText(const TraceCard& card) {
    std::string name(kSuitNames[card.suit]);
    return name.substr(0, name.find('\0')) + " " + std::to_string(card.rank);
}

std::vector<RunGame> ReadRun(std::string_view output) {
    Reader in(output);
    std::vector<RunGame> run;
    while (!in.AtEnd()) {
        if (in.Sees(kPrompt)) {
            in.Take(kPrompt.size());
        } else if (in.Sees(kListing)) {
            run.push_back({true, "", Game(in).Read()});
        } else if (IsStatisticsLine(in.Rest())) {
            run.push_back({false, std::string(in.Take(24)), {}});
            in.Take(2);
        } else {
            in.Fail("the prompt, a traced game or the win percentage of a silent game");
        }
    }
    return run;
}
