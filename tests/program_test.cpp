// The whole program, end to end: the shipped executable for what crosses the process boundary,
// and the program entry in a child process where the tick counter must be fixed.
#include <fcntl.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"
#include "main/main_loop.h"
#include "runtime/random.h"

namespace {

using namespace std::string_literals;

const std::string kPrompt =
    "Syota \"t\", jos haluat tulostaa pasianssipelin vaiheet.\r\n"
    "Syota \"s\", jos haluat vain simuloida tilastollista tutkimusta varten  ilman tulostusta.\r\n"
    "Syota \"l\" jos haluat kokonaan lopettaa simuloinnin\r\n";

TEST(Program, AnswerLAtTheFirstPromptWritesOnlyThePrompt) {
    RunResult run = RunExecutable("l\n");
    EXPECT_EQ(run.out, kPrompt);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
}

TEST(Program, AnyOtherAnswerPlaysOneSilentGameAndAsksAgain) {
    RunResult run = RunExecutable("x\n");
    ASSERT_EQ(run.out.size(), 2 * kPrompt.size() + 26) << run.out;
    EXPECT_TRUE(run.out.starts_with(kPrompt));
    EXPECT_TRUE(run.out.ends_with(kPrompt));
    std::string statistics = run.out.substr(kPrompt.size(), 26);
    EXPECT_TRUE(statistics == " 0.0000000000000000E+000\r\n" ||
                statistics == " 1.0000000000000000E+002\r\n")
        << statistics;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0) << "the end of input ends the run";
}

// Enter alone on a terminal sends LF: one silent game, and the next answer is read from the
// next line, whatever the line ends.
TEST(Program, AnEmptyAnswerPlaysOneSilentGameAndKeepsTheNextAnswer) {
    for (const char* answers : {"\nt\nl\n", "\r\nt\r\nl\r\n", "\rt\rl\r"}) {
        RunResult run = RunExecutable(answers);
        EXPECT_EQ(run.status, 0);
        std::size_t second = run.out.find(kPrompt, kPrompt.size());
        ASSERT_EQ(second, kPrompt.size() + 26) << "one statistics line after the empty answer";
        std::size_t trace = run.out.find("Arpomasi pakka paalimmaisesta kortista lahtien:\r\n");
        EXPECT_EQ(trace, second + kPrompt.size()) << "the answer t traces a game";
        EXPECT_TRUE(run.out.ends_with(kPrompt));
        EXPECT_EQ(run.out.find(kPrompt, trace), run.out.size() - kPrompt.size())
            << "then l ends the run";
    }
}

TEST(Program, EmptyInputEndsAfterThePrompt) {
    RunResult run = RunExecutable("");
    EXPECT_EQ(run.out, kPrompt);
    EXPECT_EQ(run.status, 0);
}

TEST(Program, UnwritableOutputEndsWith101InAskMode) {
    for (const std::string& redirection : {">&-"s, ">/dev/full"s}) {
        RunResult run = RunExecutable("t\n", redirection);
        EXPECT_EQ(run.status, 101) << redirection;
        auto lines = Lines(run.err);
        ASSERT_EQ(lines.size(), 5u) << run.err;
        ASSERT_TRUE(lines[0].starts_with("Runtime error 101 at $")) << lines[0];
        std::string place = lines[0].substr(22);
        EXPECT_EQ(place.size(), 8u);
        EXPECT_EQ(lines[1], "  $" + place);
        EXPECT_EQ(lines[4], "");
        EXPECT_EQ(FunctionAt(PASIANSSI_BINARY, place), "AskMode");
        EXPECT_EQ(FunctionAt(PASIANSSI_BINARY, lines[2].substr(3)), "MainLoop");
        EXPECT_EQ(FunctionAt(PASIANSSI_BINARY, lines[3].substr(3)), "RunProgram");
    }
}

TEST(Program, TheReportIsTheSameInEveryRun) {
    EXPECT_EQ(RunExecutable("t\n", ">&-").err, RunExecutable("x\n", ">/dev/full").err);
}

TEST(Program, FailedReadEndsWithItsNumber) {
    struct Case {
        const char* redirection;
        int number;
    };
    for (Case c : {Case{"<&-", 9}, Case{"</", 21}}) {
        RunResult run = RunExecutable("", c.redirection);
        EXPECT_EQ(run.status, c.number) << c.redirection;
        EXPECT_EQ(run.out, kPrompt);
        EXPECT_TRUE(run.err.starts_with("Runtime error " + std::to_string(c.number) + " at $"))
            << run.err;
    }
}

}  // namespace

namespace {

const std::string kLost = " 0.0000000000000000E+000\r\n";

// Ticks whose deal, played as a run's first game, ends in each way.
constexpr std::uint32_t kWonTick = 1;
constexpr std::uint32_t kWonTick2 = 14;
constexpr std::uint32_t kFivePassesTick = 0;
constexpr std::uint32_t kHiddenTick = 5;

TEST(Program, TracedGameOfTickThousand) {
    RunResult run = RunProgramInChild("t\nl\n", {1000});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    ASSERT_TRUE(run.out.starts_with(kPrompt));
    std::string trace = run.out.substr(kPrompt.size());
    EXPECT_TRUE(
        Visible(trace).starts_with("Arpomasi pakka paalimmaisesta kortista lahtien:\r\n"
                                   "  1:  hertta 12\r\n"
                                   "  2:  risti.  3\r\n"
                                   "  3:  hertta 14\r\n"));
    std::size_t dealt = trace.find("Jaan kortit poytaan niin aloitetaan peli\r\n");
    EXPECT_EQ(Lines(trace.substr(0, dealt)).size(), 57u);
    EXPECT_TRUE(Visible(trace.substr(dealt - 17)).starts_with(" 56:  pata..  9\r\n"));
    EXPECT_EQ(Visible(trace.substr(dealt + 42, 13 + 26)),
              "Peruspakat:1\r\nruutu.   1 hertta  1  2\r\n");
    EXPECT_TRUE(trace.ends_with(
        kLost + "Kasipakkaa on selattu liikaa. Pasianssi ei mennyt lapi.\r\n" + kPrompt));
    // The statistics value continues the last line of the table display, left open.
    EXPECT_TRUE(Visible(trace).ends_with(
        "Apurivi:\r\n ruutu. 10   ruutu.  9   ruutu. 14   ruutu. 15   ruutu.  8  " + kLost +
        "Kasipakkaa on selattu liikaa. Pasianssi ei mennyt lapi.\r\n" + kPrompt));
}

TEST(Program, TheSameRunGivesTheSameBytes) {
    RunResult first = RunProgramInChild("t\nx\nt\nl\n", {1000, 77, 1000});
    RunResult second = RunProgramInChild("t\nx\nt\nl\n", {1000, 77, 1000});
    EXPECT_EQ(first.out, second.out);
    // Two games from the same tick are the same game: only the statistics value differs.
    std::vector<std::string> parts;
    for (std::size_t at = 0, next; (next = first.out.find(kPrompt, at)) != std::string::npos;
         at = next + kPrompt.size())
        parts.push_back(first.out.substr(at, next - at));
    ASSERT_EQ(parts.size(), 4u);
    auto withoutStatistics = [](std::string game) {
        std::size_t verdict = game.rfind("\r\n", game.size() - 3);
        return game.erase(verdict - 24, 24);
    };
    EXPECT_GT(parts[1].size(), 5000u);
    EXPECT_EQ(withoutStatistics(parts[1]), withoutStatistics(parts[3]));
}

// The run, then the random source's state as a line: RandSeed, seedMark, wordIndex and a hash
// of the words.
void MainLoopThenRandomState() {
    MainLoop();
    std::uint64_t hash = 14695981039346656037ull;
    for (std::uint32_t word : stateWords) hash = (hash ^ word) * 1099511628211ull;
    std::string state = "state " + std::to_string(RandSeed) + " " + std::to_string(seedMark) + " " +
                        std::to_string(wordIndex) + " " + std::to_string(hash) + "\n";
    ASSERT_EQ(write(STDOUT_FILENO, state.data(), state.size()), ssize_t(state.size()));
}

// Silent games whose tick repeats that of the game before take its outcome without playing
// it again; traced games are always played. Each sequence of ticks is run with every game
// silent, with every game traced, and silent but for a traced last game: the statistics values
// and the random source afterwards, and the last game, which goes on with the random sequence
// or seeds it again, must be the same bytes.
TEST(Program, RepeatedSilentGamesLeaveEverythingAsIfPlayed) {
    const std::uint32_t t = 0x12345678;
    const std::vector<std::vector<std::uint32_t>> sequences = {
        {7, 7},
        {7, 7, 7, ~7u},                                            // repeats, then the complement
        {0xFFFFFFFF, 0xFFFFFFFF, 0, 0},                            // the wrap of the counter
        {0, 0, 0xFFFFFFFF},                                        // the first game seeds from 0
        {t, t, ~t, ~t, ~t, ~t, ~t, ~t, ~t, ~t, ~t, ~t, ~t, t, t},  // past the 624th draw
        {5, 6, 6, 5, 5, 5}};
    auto statistics = [](const std::string& out) {
        std::vector<std::string> values;
        for (std::size_t at = 0; (at = out.find("E+0", at)) != std::string::npos; ++at)
            values.push_back(out.substr(at - 19, 26));
        return values;
    };
    auto run = [](const std::string& answers, const std::vector<std::uint32_t>& ticks) {
        RunResult result = RunProgramInChild(answers + "l\n", ticks, MainLoopThenRandomState);
        EXPECT_EQ(result.status, 0);
        return result.out;
    };
    for (const auto& ticks : sequences) {
        SCOPED_TRACE(testing::Message()
                     << ticks.size() << " games, the last of tick " << ticks.back());
        std::string silent, traced;
        for (std::size_t game = 0; game < ticks.size(); ++game) silent += "x\n", traced += "t\n";
        std::string repeated = run(silent, ticks);
        std::string played = run(traced, ticks);
        std::string lastTraced = run(silent.substr(2) + "t\n", ticks);
        EXPECT_EQ(statistics(repeated), statistics(played));
        std::string state = played.substr(played.rfind("state "));
        EXPECT_TRUE(repeated.ends_with(state)) << state;
        std::size_t lastGame = lastTraced.rfind("Arpomasi");
        ASSERT_NE(lastGame, std::string::npos);
        EXPECT_TRUE(played.ends_with(lastTraced.substr(lastGame)));
    }
}

TEST(Program, StatisticsCountEachGamesOwnWin) {
    RunResult run =
        RunProgramInChild("x\nx\nx\nx\nl\n", {kWonTick, kFivePassesTick, kWonTick2, kHiddenTick});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kPrompt + " 1.0000000000000000E+002\r\n" + kPrompt +
                           " 5.0000000000000000E+001\r\n" + kPrompt +
                           " 6.6666666666666671E+001\r\n" + kPrompt +
                           " 5.0000000000000000E+001\r\n" + kPrompt);
}

struct Verdict {
    const char* name;
    std::uint32_t tick;
    std::string ending;
};

void PrintTo(const Verdict& v, std::ostream* os) {
    *os << v.name;
}

class Verdicts : public testing::TestWithParam<Verdict> {};

TEST_P(Verdicts, FollowTheStatisticsValueInTraceModeOnly) {
    RunResult traced = RunProgramInChild("t\nl\n", {GetParam().tick});
    EXPECT_TRUE(traced.out.ends_with(GetParam().ending + kPrompt))
        << Visible(traced.out.substr(traced.out.size() - 400));
    RunResult silent = RunProgramInChild("q\nl\n", {GetParam().tick});
    EXPECT_EQ(silent.out, kPrompt + GetParam().ending.substr(0, 26) + kPrompt);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, Verdicts,
    testing::Values(
        Verdict{"Won", kWonTick, " 1.0000000000000000E+002\r\nPasianssi meni lapi! :)\r\n"},
        Verdict{"FivePasses", kFivePassesTick,
                kLost + "Kasipakkaa on selattu liikaa. Pasianssi ei mennyt lapi.\r\n"},
        Verdict{"Hidden", kHiddenTick,
                kLost + "Ei kannata jatkaa. Kaikki seuraavaksi peruspakkaan kayvat kortit ovat "
                        "piilopinossa.\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Program, AnswerSPlaysWithoutEndUntilTheReaderGoes) {
    std::size_t keep = kPrompt.size() + 26 * 1000;
    RunResult run = RunProgramIntoPipe(
        "s\nl\n", {kWonTick, kFivePassesTick, kWonTick2, kHiddenTick, kFivePassesTick}, keep);
    EXPECT_EQ(run.status, 101);
    EXPECT_TRUE(run.err.starts_with("Runtime error 101 at $"));
    ASSERT_EQ(run.out.size(), keep);
    auto lines = Lines(run.out.substr(kPrompt.size()));
    ASSERT_EQ(lines.size(), 1000u);
    EXPECT_EQ(lines[0], " 1.0000000000000000E+002");
    EXPECT_EQ(lines[2], " 6.6666666666666671E+001");
    EXPECT_EQ(lines[999], " 2.0000000000000001E-001") << "two wins in a thousand games";
}

TEST(Program, ReaderGoneBeforeTheFirstWriteIs101AndNothingIsRead) {
    long consumed = -1;
    RunResult run = RunProgramIntoPipe("t\n", {1000}, 0, &consumed);
    EXPECT_EQ(run.status, 101);
    EXPECT_EQ(Lines(run.err).size(), 5u);
    EXPECT_EQ(consumed, 0);
}

}  // namespace
