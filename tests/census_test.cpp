// The census tool against the program itself: the same deals give the same endings, the
// traced game of a deal is the program's, and results do not depend on the number of workers
// or on interruptions.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "census.h"
#include "harness.h"
#include "kernel.h"
#include "reference.h"
#include "table/cards.h"

namespace {

RunResult Census(const std::string& arguments) {
    return RunCommand("", "'" PASIANSSI_CENSUS "' " + arguments);
}

// The JSON result without the fields that differ from run to run or with the workers.
nlohmann::json Counts(const std::string& json) {
    nlohmann::json counts = nlohmann::json::parse(json);
    for (const char* field : {"seconds", "gamesPerSecond", "kernel", "jobs"}) counts.erase(field);
    return counts;
}

std::vector<std::uint32_t> Ticks(std::uint32_t from, std::uint32_t to) {
    std::vector<std::uint32_t> ticks;
    for (std::uint32_t t = from; t < to; ++t) ticks.push_back(t);
    return ticks;
}

TEST(Census, CountsTheEndingsThatTheProgramReaches) {
    const std::uint32_t games = 300;
    std::string answers;
    for (std::uint32_t i = 0; i < games; ++i) answers += "t\n";
    RunResult program = RunProgramInChild(answers, Ticks(0, games));
    ASSERT_EQ(program.status, 0);
    auto count = [&](const std::string& verdict) {
        int n = 0;
        for (std::size_t at = 0; (at = program.out.find(verdict, at)) != std::string::npos; ++at)
            ++n;
        return n;
    };
    int won = count("Pasianssi meni lapi! :)\r\n");
    int fivePasses = count("Kasipakkaa on selattu liikaa. Pasianssi ei mennyt lapi.\r\n");
    int hidden = count(
        "Ei kannata jatkaa. Kaikki seuraavaksi peruspakkaan kayvat kortit ovat piilopinossa.\r\n");
    EXPECT_EQ(won + fivePasses + hidden, static_cast<int>(games));

    RunResult census = Census("--from 0 --to 300 --json");
    ASSERT_EQ(census.status, 0) << census.err;
    nlohmann::json counts = Counts(census.out);
    EXPECT_EQ(counts["games"], 300);
    EXPECT_EQ(counts["wins"], won);
    EXPECT_EQ(counts["endings"],
              (nlohmann::json{{"fivePasses", fivePasses}, {"won", won}, {"hidden", hidden}}));

    // The won deals one by one, from the statistics values of a silent run: after game n the
    // value is 100 × wins / n, so a won game raises the number of wins it implies.
    std::string answersSilent;
    for (std::uint32_t i = 0; i < games; ++i) answersSilent += "x\n";
    RunResult silent = RunProgramInChild(answersSilent, Ticks(0, games));
    std::string listedWon;
    std::uint32_t game = 0;
    long wins = 0;
    for (const std::string& line : Lines(silent.out)) {
        if (line.size() != 24 || line[2] != '.') continue;
        long winsNow = std::lround(std::stod(line) * ++game / 100);
        if (winsNow > wins) listedWon += std::to_string(game - 1) + "\n";
        wins = winsNow;
    }
    ASSERT_EQ(game, games);
    EXPECT_EQ(wins, won);
    RunResult list = Census("--list won --from 0 --to 300 --jobs 2");
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, listedWon);
}

TEST(Census, ResultsDoNotDependOnTheWorkers) {
    RunResult one = Census("--from 100000 --to 0x30000 --json --jobs 1");
    RunResult two = Census("--from 100000 --to 0x30000 --json --jobs 2");
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(Counts(one.out), Counts(two.out));
    EXPECT_EQ(Counts(one.out)["games"], 96608);
    RunResult listOne = Census("--list hidden --from 100000 --to 0x30000 --jobs 1");
    RunResult listTwo = Census("--list hidden --from 100000 --to 0x30000 --jobs 2");
    EXPECT_EQ(listOne.out, listTwo.out);
    std::istringstream ticks(listOne.out);
    std::uint64_t tick, last = 0, listed = 0;
    while (ticks >> tick) {
        EXPECT_GT(tick, last);
        EXPECT_GE(tick, 100000u);
        last = tick;
        ++listed;
    }
    EXPECT_EQ(Counts(one.out)["endings"]["hidden"], listed);
    RunResult limited = Census("--list hidden --from 100000 --to 0x30000 --limit 7");
    EXPECT_EQ(Lines(limited.out).size(), 1u);
    EXPECT_EQ(std::count(limited.out.begin(), limited.out.end(), '\n'), 7);
    EXPECT_TRUE(listOne.out.starts_with(limited.out));
}

TEST(Census, ShowsTheProgramsTracedGame) {
    for (std::uint32_t tick : {1000u, 0u, 1u, 5u, 0xFFFFFFFFu}) {
        RunResult program = RunProgramInChild("t\nl\n", {tick});
        RunResult shown = Census("--show " + std::to_string(tick));
        ASSERT_EQ(shown.status, 0);
        std::string prompt = program.out.substr(0, program.out.find("Arpomasi"));
        ASSERT_FALSE(prompt.empty());
        EXPECT_EQ(prompt + shown.out + prompt, program.out) << tick;
    }
}

TEST(Census, RefusesBadArgumentsWithOneLine) {
    struct Case {
        const char* arguments;
        const char* says;
    };
    for (Case c : {Case{"--from", "--from"}, Case{"--from -1", "from 0 to 4294967295"},
                   Case{"--to 4294967297", "from 1 to 4294967296"},
                   Case{"--from 5 --to 5", "must be below --to"},
                   Case{"--jobs 0", "--jobs: takes a whole number from 1 to 256"},
                   Case{"--jobs 1000", "--jobs: takes a whole number from 1 to 256"},
                   Case{"--list lost", "lost"}, Case{"--limit 3", "--list"},
                   Case{"--list won --limit abc", "from 1 up (decimal or 0x hex), not 'abc'"},
                   Case{"--list won --limit 0", "from 1 up (decimal or 0x hex), not '0'"},
                   Case{"--show 1 --from 2", "--show"}, Case{"--bogus", "--bogus"},
                   Case{"--from 0x", "not '0x'"}, Case{"--bench --list won", "--list"},
                   Case{"--show 3 --verify", "--verify"}, Case{"--fair 10 --from 3", "--from"},
                   Case{"--seed 3", "--fair"}, Case{"--fair 0", "from 1 up"},
                   Case{"--deck - --show 3", "--show"}}) {
        RunResult run = Census(c.arguments);
        EXPECT_EQ(run.status, 2) << c.arguments;
        EXPECT_EQ(run.out, "") << c.arguments;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1)
            << c.arguments << ": " << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << c.arguments << ": " << run.err;
    }
}

// Fair decks are decided by the seed and their numbers alone, whatever the workers.
TEST(Census, FairDecksGiveTheSameCountsForAnyJobs) {
    RunResult one = Census("--fair 1000000 --seed 7 --jobs 1 --json");
    RunResult two = Census("--fair 1000000 --seed 7 --jobs 2 --json");
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(Counts(one.out), Counts(two.out));
    nlohmann::json counts = Counts(one.out);
    EXPECT_EQ(counts["fair"], 1000000);
    EXPECT_EQ(counts["seed"], 7);
    EXPECT_EQ(counts["games"], 1000000);
    EXPECT_NE(Counts(Census("--fair 1000000 --seed 8 --json").out)["digest"], counts["digest"]);
}

// The listing cut from a traced game, its cards written plainly, and the whole trace, each play
// back to the traced game itself.
TEST(Census, ADeckPlaysBackToItsTracedGame) {
    RunResult shown = Census("--show 1000");
    ASSERT_EQ(shown.status, 0);
    std::string listing = shown.out.substr(0, shown.out.find("Jaan kortit"));
    std::string plain;
    for (const std::string& line : Lines(listing)) {
        if (line.size() != 15) continue;  // the heading
        std::string name = line.substr(6, 6);
        plain += name.substr(0, name.find('\0')) + " " +
                 std::to_string(std::stoi(line.substr(12))) + "\n";
    }
    for (const std::string& deck : {listing, plain, shown.out}) {
        RunResult played = RunCommand(deck, "'" PASIANSSI_CENSUS "' --deck -");
        ASSERT_EQ(played.status, 0) << played.err;
        EXPECT_EQ(played.out, shown.out);
    }
    RunResult bad = RunCommand("hertta 2\nhertta 2\n", "'" PASIANSSI_CENSUS "' --deck -");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err,
              "pasianssi-census: standard input: line 2: hertta 2 a second time (first "
              "on line 1)\n");
    RunResult missing = Census("--deck /nonexistent/deck");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;
}

TEST(Census, DrawsTheHistogramAsAChart) {
    char file[] = "/tmp/census-chart-XXXXXX";
    close(mkstemp(file));
    RunResult run = Census(std::string("--from 0 --to 100000 --svg ") + file);
    ASSERT_EQ(run.status, 0) << run.err;
    std::stringstream chart;
    chart << std::ifstream(file).rdbuf();
    std::string svg = chart.str();
    unlink(file);
    EXPECT_TRUE(svg.starts_with("<svg xmlns=\"http://www.w3.org/2000/svg\""));
    EXPECT_TRUE(svg.ends_with("</svg>\n"));
    EXPECT_NE(svg.find("Cards played in the deals of ticks 0 .. 99999"), std::string::npos);
    std::size_t bars = 0;
    for (std::size_t at = 0; (at = svg.find("<rect x=", at)) != std::string::npos; ++at) ++bars;
    EXPECT_EQ(bars, 57u) << "a bar for each count of cards, 0 to 56";
    EXPECT_NE(svg.find("fill=\"#d9822b\"><title>56 cards"), std::string::npos) << "won apart";
    EXPECT_EQ(svg.find("http", svg.find("http") + 1), std::string::npos) << "nothing fetched";
}

// Interrupted without a checkpoint: the line is ended and what was done is said.
TEST(Census, AnInterruptionWithoutACheckpointSaysWhatWasDone) {
    RunResult run =
        RunCommand("", "'" PASIANSSI_CENSUS "' --jobs 1 & sleep 1; kill -INT $!; wait $!");
    EXPECT_EQ(run.status, 130);
    EXPECT_TRUE(run.err.starts_with("interrupted: ")) << run.err;
    EXPECT_NE(run.err.find("were played, and nothing is kept"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

// The benchmark's counts and digest over a small range, against the same totals built from the
// outcomes of the program's engine.
TEST(Census, BenchCountsEqualThoseOfTheProgramsEngine) {
    const std::uint32_t to = 20000;
    PrepareEngine();
    CensusTotals engine;
    for (std::uint32_t tick = 0; tick < to; ++tick) Add(engine, tick, PlayDeal(tick));
    ReleaseCards();
    RunResult bench = Census("--bench --from 0 --to " + std::to_string(to) + " --json");
    ASSERT_EQ(bench.status, 0) << bench.err;
    char digest[17];
    std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(engine.digest));
    nlohmann::json counts = Counts(bench.out);
    EXPECT_EQ(counts["games"], to);
    EXPECT_EQ(counts["wins"], engine.endings[static_cast<int>(Ending::Won)]);
    EXPECT_EQ(counts["maxIterations"], engine.maxIterations);
    EXPECT_EQ(counts["digest"], digest);
    RunResult verified = Census("--from 0 --to " + std::to_string(to) + " --verify");
    ASSERT_EQ(verified.status, 0) << verified.err;
    EXPECT_NE(verified.out.find("Checked on the program's engine: every deal, no difference"),
              std::string::npos);
}

// An engine that plays other games than the kernel: a deck one card short.
TEST(Census, StopsAtTheFirstDisagreementItFinds) {
    PrepareEngine();
    deckSize = 55;
    CensusOptions options;
    options.jobs = 2;
    options.checkEvery = 1;
    CensusTotals totals;
    try {
        RunCensus(0, 300000, options, totals);
        ADD_FAILURE() << "no disagreement found";
    } catch (const Disagreement& disagreement) {
        std::string message = disagreement.what();
        std::size_t at = message.find("on the deal of tick ");
        ASSERT_NE(at, std::string::npos) << message;
        std::uint32_t tick = static_cast<std::uint32_t>(std::stoul(message.substr(at + 20)));
        DealOutcome kernel;
        PlayTicks(tick, 1, &kernel);
        EXPECT_NE(PlayDeal(tick), kernel) << message;
    }
    EXPECT_LT(totals.games, 300000u) << "the census stopped";
    ReleaseCards();
    deckSize = 56;
}

class Checkpoints : public testing::Test {
  protected:
    void SetUp() override {
        char dir[] = "/tmp/census-checkpoint-XXXXXX";
        directory = mkdtemp(dir);
        file = directory + "/census.checkpoint";
    }
    void TearDown() override { std::system(("rm -rf '" + directory + "'").c_str()); }
    std::string directory;
    std::string file;
};

// Long enough that the census is still running when the first checkpoint has been written.
#ifdef PASIANSSI_SANITIZE
constexpr const char* kInterruptedTo = "600007";
#else
constexpr const char* kInterruptedTo = "20000007";
#endif

TEST_F(Checkpoints, AnInterruptedCensusResumesToTheSameCounts) {
    const std::string range = std::string("--from 7 --to ") + kInterruptedTo + " --json --jobs 2";
    RunResult whole = Census(range);
    ASSERT_EQ(whole.status, 0);
    for (int signal : {SIGINT, SIGKILL}) {
        pid_t child = fork();
        if (child == 0) {
            int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            execl(PASIANSSI_CENSUS, PASIANSSI_CENSUS, "--from", "7", "--to", kInterruptedTo,
                  "--json", "--jobs", "2", "--checkpoint", file.c_str(), nullptr);
            _exit(127);
        }
        struct stat info;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (stat(file.c_str(), &info) != 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        kill(child, signal);
        int status = 0;
        waitpid(child, &status, 0);
        if (signal == SIGINT) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status;
        }
        std::ifstream saved(file);
        std::string first, from, to, done;
        std::getline(saved, first);
        std::getline(saved, from);
        std::getline(saved, to);
        std::getline(saved, done);
        EXPECT_EQ(first, "pasianssi-census-checkpoint 2");
        EXPECT_LT(std::stoull(done.substr(5)), std::stoull(kInterruptedTo)) << "stopped part-way";
        RunResult resumed = Census(range + " --checkpoint '" + file + "'");
        ASSERT_EQ(resumed.status, 0) << resumed.err;
        EXPECT_EQ(Counts(resumed.out), Counts(whole.out)) << "after signal " << signal;
        unlink(file.c_str());
    }
}

TEST_F(Checkpoints, ACorruptOrForeignCheckpointIsRefused) {
    ASSERT_EQ(Census("--from 0 --to 1000 --checkpoint '" + file + "'").status, 0);
    RunResult other = Census("--from 0 --to 2000 --checkpoint '" + file + "'");
    EXPECT_EQ(other.status, 2);
    EXPECT_NE(other.err.find("is for ticks 0 .. 999, not 0 .. 1999"), std::string::npos)
        << other.err;
    RunResult unwritable = Census("--from 0 --to 1000 --checkpoint /nonexistent/census.checkpoint");
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_EQ(unwritable.err,
              "pasianssi-census: cannot write checkpoint /nonexistent/census.checkpoint: No such "
              "file or directory\n");
    std::string text;
    {
        std::stringstream contents;
        contents << std::ifstream(file).rdbuf();
        text = contents.str();
    }
    for (std::string broken : {text.substr(0, text.size() / 2), std::string("garbage\n"),
                               std::string(text).replace(text.find("games ") + 6, 1, "9")}) {
        std::ofstream(file, std::ios::trunc) << broken;
        RunResult run = Census("--from 0 --to 1000 --checkpoint '" + file + "'");
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("is not usable"), std::string::npos) << run.err;
    }
}

}  // namespace
