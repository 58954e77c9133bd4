// pasianssi-replay: the trace it follows, the traces it refuses, and the page it makes, seen in a
// real browser.
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"
#include "trace.h"

namespace {

std::string TracedGameOf(std::uint32_t tick) {
    return RunCommand("", "'" PASIANSSI_CENSUS "' --show " + std::to_string(tick)).out;
}

std::vector<TraceCard> Pile(std::initializer_list<TraceCard> cards) {
    return cards;
}

// The game of tick 1000, as the rules describe it: the first turn ends at risti 2, risti 3 then
// leaves slot 2 for pata 7, and the fifth pass ends the game after 42 cards.
TEST(Replay, FollowsTheGameOfTickThousand) {
    std::vector<RunGame> run = ReadRun(TracedGameOf(1000));
    ASSERT_EQ(run.size(), 1u);
    ASSERT_TRUE(run[0].traced);
    const TracedGame& game = run[0].game;
    ASSERT_GE(game.steps.size(), 6u);
    EXPECT_EQ(game.deck.front(), (TraceCard{1, 12}));
    EXPECT_EQ(game.deck.back(), (TraceCard{4, 9}));
    EXPECT_EQ(game.steps[1].kind, StepKind::Turn);
    EXPECT_TRUE(
        game.steps[1].text.starts_with("Selataan kasipakkaa, kasipakasta kaannettiin: "
                                       "ruutu 7 hertta 11"));
    EXPECT_TRUE(game.steps[1].text.ends_with("risti 8 risti 2"));
    EXPECT_EQ(game.steps[2].text, "Nostetaan kasipakasta risti 2 peruspakkaan");
    EXPECT_EQ(game.steps[3].text,
              "Nostetaan apurivista risti 3 peruspakkaan....ja piilopinosta pata 7 tilalle.");
    EXPECT_EQ(game.steps[3].table.slots[2], (TraceCard{4, 7}));
    EXPECT_EQ(game.steps[4].text,
              "Selataan kasipakkaa, kasipakasta kaannettiin: hertta 13 ruutu 2");

    std::set<StepKind> kinds;
    int passes = 0;
    for (const TraceStep& step : game.steps) {
        kinds.insert(step.kind);
        passes += step.kind == StepKind::NewPass;
    }
    EXPECT_EQ(kinds.size(), 6u) << "every kind of step";
    EXPECT_EQ(passes, 4);
    const TraceTable& end = game.steps.back().table;
    EXPECT_EQ(game.steps.back().text, "Kasipakkaa on selattu liikaa. Pasianssi ei mennyt lapi.");
    EXPECT_EQ(end.played, 42);
    EXPECT_EQ(end.kierros, 5);
    EXPECT_EQ(std::vector<int>(end.foundation + 1, end.foundation + 5),
              (std::vector<int>{15, 4, 15, 12}));
    EXPECT_TRUE(end.hidden.empty() && end.hand.empty());
    for (int slot = 1; slot <= 3; ++slot) EXPECT_FALSE(end.slots[slot]) << slot;
    EXPECT_EQ(end.slots[4], (TraceCard{2, 10}));
    EXPECT_EQ(end.slots[8], (TraceCard{2, 8}));
    EXPECT_EQ(end.visible,
              Pile({{4, 14}, {2, 6}, {4, 13}, {4, 15}, {2, 13}, {2, 11}, {2, 12}, {2, 5}, {2, 7}}));
    EXPECT_EQ(game.statistics, " 0.0000000000000000E+000");
}

TEST(Replay, ReadsARunOfTracedAndSilentGames) {
    RunResult program = RunProgramInChild("t\nx\nx\nt\nl\n", {1000, 1000, 14, 14});
    std::vector<RunGame> run = ReadRun(program.out);
    ASSERT_EQ(run.size(), 4u);
    EXPECT_TRUE(run[0].traced);
    EXPECT_EQ(run[0].game.steps.back().table.played, 42);
    EXPECT_FALSE(run[1].traced);
    EXPECT_EQ(run[1].statistics, " 0.0000000000000000E+000");
    EXPECT_FALSE(run[2].traced);
    EXPECT_EQ(run[2].statistics, " 3.3333333333333336E+001");
    ASSERT_TRUE(run[3].traced);
    EXPECT_EQ(run[3].game.verdict, "Pasianssi meni lapi! :)");
    EXPECT_EQ(run[3].game.statistics, " 5.0000000000000000E+001");
    EXPECT_EQ(run[3].game.steps.back().table.played, 56);
}

// Each way a trace can fail to fit, refused with the line where it stops fitting.
TEST(Replay, RefusesATraceThatDoesNotFit) {
    std::string trace = TracedGameOf(1000);
    struct Case {
        std::string name;
        std::string text;
        std::string error;
    };
    std::string wrongTop = trace;
    const std::string ristiTwo("risti\0  2", 9);
    std::size_t display = wrongTop.find("Peruspakat:", wrongTop.find(ristiTwo + " peruspakkaan"));
    wrongTop.replace(wrongTop.find(ristiTwo + "  ", display), 9, std::string("risti\0  5", 9));
    std::string foreign = trace;
    foreign.replace(foreign.find("Nostetaan kasipakasta " + ristiTwo), 31,
                    "Nostetaan kasipakasta hertta  2");
    std::string unknown = trace;
    unknown.replace(unknown.find(ristiTwo + " peruspakkaan"), 9, std::string("risti\0 16", 9));
    std::string edited = trace;
    edited.replace(edited.find(" 17:  ruutu"), 15, std::string(" 17:  hertta 12", 15));
    for (const Case& c : {
             Case{"cut short", trace.substr(0, trace.size() / 2), "expected"},
             Case{"a table display that disagrees", wrongTop, "risti 2 on top of foundation 3"},
             Case{"a move of a card that is not there", foreign, "the top card of nakyvakasipakka"},
             Case{"a card that no deck has", unknown, "expected a rank 2..15"},
             Case{"a card twice in the deck", edited,
                  "line 18: expected a card not yet in the deck"},
             Case{"another program's output", "hello\n", "line 1: expected the prompt"},
         }) {
        try {
            ReadRun(c.text);
            ADD_FAILURE() << c.name << ": accepted";
        } catch (const TraceError& error) {
            std::string message = error.what();
            EXPECT_TRUE(message.starts_with("line ")) << c.name << ": " << message;
            EXPECT_NE(message.find(c.error), std::string::npos) << c.name << ": " << message;
            EXPECT_EQ(message.find('\n'), std::string::npos);
        }
    }
}

TEST(Replay, TheCommandWritesAPageOrOneLineAndStatusTwo) {
    std::string trace = TracedGameOf(14);
    RunResult page = RunCommand(trace, "'" PASIANSSI_REPLAY "'");
    ASSERT_EQ(page.status, 0) << page.err;
    EXPECT_TRUE(page.out.starts_with("<!DOCTYPE html>"));
    EXPECT_EQ(page.out.find("http"), std::string::npos) << "nothing from any other address";
    EXPECT_EQ(page.out.find("src="), std::string::npos);
    RunResult bad = RunCommand(trace.substr(0, 3000), "'" PASIANSSI_REPLAY "' -o /tmp/never.html");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1) << bad.err;
    EXPECT_TRUE(bad.err.starts_with("pasianssi-replay: standard input: line ")) << bad.err;
    EXPECT_NE(access("/tmp/never.html", F_OK), 0) << "no page for a refused trace";
    EXPECT_EQ(RunCommand("", "'" PASIANSSI_REPLAY "' --help").status, 0);
}

// The page as headless Chromium renders it after its script has run, opened at a step by the link
// form: the foundations, nakyvakasipakka and apurivi that the trace shows there.
class Browser : public testing::Test {
  protected:
    static std::string Dom(const std::string& page, const std::string& fragment,
                           const std::string& screenshot = "") {
        std::string flags =
            "--headless --no-sandbox --disable-gpu --disable-quic --no-first-run "
            "--disable-background-networking --disable-component-update --disable-sync "
            "--virtual-time-budget=3000 --user-data-dir=\"$(mktemp -d)\" --window-size=1100,900 ";
        std::string url = "'file://" + page + "#" + fragment + "'";
        if (!screenshot.empty())
            RunCommand("", "chromium " + flags + "--screenshot='" + screenshot + "' " + url);
        return RunCommand("", "chromium " + flags + "--dump-dom " + url).out;
    }

    static std::string Shown(const std::string& dom, const std::string& id) {
        std::smatch match;
        std::regex pile("id=\"" + id + "\"><div class=\"card[^\"]*\"( data-card=\"([^\"]*)\")?");
        return std::regex_search(dom, match, pile) ? match[2].str() : "missing";
    }

    static void ExpectTable(const std::string& dom, const TraceTable& table) {
        const char* names[] = {"", "hertta", "ruutu", "risti", "pata"};
        for (int suit = 1; suit <= 4; ++suit)
            EXPECT_EQ(Shown(dom, "foundation-" + std::to_string(suit)),
                      std::string(names[suit]) + " " + std::to_string(table.foundation[suit]));
        for (int slot = 1; slot <= 8; ++slot)
            EXPECT_EQ(Shown(dom, "slot-" + std::to_string(slot)),
                      table.slots[slot] ? CardText(*table.slots[slot]) : "")
                << slot;
        EXPECT_EQ(Shown(dom, "visible"), table.visible.empty() ? "" : CardText(table.visible[0]));
    }
};

TEST_F(Browser, ShowsTheStepThatTheLinkNames) {
    ASSERT_EQ(std::system("command -v chromium >/dev/null"), 0) << "chromium is not installed";
    std::string trace = TracedGameOf(1000);
    std::string page = PASIANSSI_BUILD "/replay-1000.html";
    std::ofstream(page) << RunCommand(trace, "'" PASIANSSI_REPLAY "'").out;
    const TracedGame game = ReadRun(trace)[0].game;
    std::size_t last = game.steps.size() - 1, middle = last / 2;

    std::string end = Dom(page, "game=1&step=" + std::to_string(last));
    ExpectTable(end, game.steps[last].table);
    EXPECT_NE(end.find(game.verdict), std::string::npos);
    EXPECT_NE(end.find(game.statistics), std::string::npos);

    std::string screenshot = PASIANSSI_BUILD "/replay-1000-middle.png";
    std::string inside = Dom(page, "game=1&step=" + std::to_string(middle), screenshot);
    ExpectTable(inside, game.steps[middle].table);
    EXPECT_NE(inside.find(">" + game.steps[middle].text + "<"), std::string::npos);
    EXPECT_EQ(access(screenshot.c_str(), R_OK), 0);
}

}  // namespace
