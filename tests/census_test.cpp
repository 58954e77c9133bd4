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

#include "census.h"
#include "harness.h"
#include "kernel.h"
#include "reference.h"
#include "table/cards.h"

namespace {

RunResult Census(const std::string& arguments) {
    return RunCommand("", "'" PASIANSSI_CENSUS "' " + arguments);
}

// The JSON result without the timing fields, which differ from run to run.
std::string Counts(const std::string& json) {
    return json.substr(0, json.find(", \"seconds\""));
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
    EXPECT_NE(census.out.find("\"games\": 300, \"wins\": " + std::to_string(won) + ","),
              std::string::npos)
        << census.out;
    EXPECT_NE(census.out.find("\"endings\": {\"fivePasses\": " + std::to_string(fivePasses) +
                              ", \"won\": " + std::to_string(won) +
                              ", \"hidden\": " + std::to_string(hidden) + "}"),
              std::string::npos)
        << census.out;

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
    EXPECT_NE(one.out.find("\"games\": 96608,"), std::string::npos) << one.out;
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
    EXPECT_NE(one.out.find("\"hidden\": " + std::to_string(listed) + "}"), std::string::npos);
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
    for (const char* arguments :
         {"--from", "--from -1", "--to 4294967297", "--from 5 --to 5", "--jobs 0", "--list lost",
          "--limit 3", "--show 1 --from 2", "--bogus", "--from 0x", "--bench --list won",
          "--show 3 --verify"}) {
        RunResult run = Census(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out, "") << arguments;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1)
            << arguments << ": " << run.err;
    }
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
    EXPECT_NE(bench.out.find("\"games\": 20000, \"wins\": " +
                             std::to_string(engine.endings[static_cast<int>(Ending::Won)]) + ","),
              std::string::npos)
        << bench.out;
    EXPECT_NE(bench.out.find("\"maxIterations\": " + std::to_string(engine.maxIterations) +
                             ", \"digest\": \"" + digest + "\""),
              std::string::npos)
        << bench.out;
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
    EXPECT_NE(other.err.find("is for ticks 0 .. 1000"), std::string::npos) << other.err;
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
