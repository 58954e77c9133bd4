// The shipped executable under every failure the program promises to handle: output that goes
// away at any point, input that cannot be read, the interrupt key, and long silent runs.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>
#include <string_view>
#include <thread>

#include <gtest/gtest.h>

#include "harness.h"

namespace {

// The executable with its standard input and output on pipes that the test drives, and its
// standard error in a file.
class Running {
  public:
    Running() {
        int in[2], out[2];
        EXPECT_EQ(pipe(in), 0);
        EXPECT_EQ(pipe(out), 0);
        errorFile_ = memfd_create("stderr", 0);
        signal(SIGPIPE, SIG_IGN);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            dup2(errorFile_, STDERR_FILENO);
            for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
            signal(SIGPIPE, SIG_DFL);
            execl(PASIANSSI_BINARY, PASIANSSI_BINARY, nullptr);
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }
    ~Running() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            Wait();
        }
        CloseInput();
        CloseOutput();
        close(errorFile_);
    }
    void Answer(const std::string& bytes) {
        ASSERT_EQ(write(input_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    void Signal(int number) { kill(pid_, number); }
    void CloseInput() {
        if (input_ >= 0) close(input_);
        input_ = -1;
    }
    void CloseOutput() {
        if (output_ >= 0) close(output_);
        output_ = -1;
    }
    // Reads exactly count bytes of standard output.
    std::string Read(std::size_t count) {
        std::string bytes;
        char chunk[65536];
        while (bytes.size() < count) {
            ssize_t n = read(output_, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (n <= 0) break;
            bytes.append(chunk, static_cast<std::size_t>(n));
        }
        return bytes;
    }
    // Exit status, or 128 + signal.
    int Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::string Errors() {
        std::string bytes(static_cast<std::size_t>(lseek(errorFile_, 0, SEEK_END)), '\0');
        pread(errorFile_, bytes.data(), bytes.size(), 0);
        return bytes;
    }
    long ResidentKilobytes() {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
        return -1;
    }

  private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    int errorFile_ = -1;
};

const std::size_t kPromptBytes = 54 + 2 + 87 + 2 + 50 + 2;

// Checks the report's layout and returns the functions it names: the place, then the callers.
std::vector<std::string> ReportedFunctions(const std::string& err, int number) {
    std::vector<std::string> lines = Lines(err);
    std::vector<std::string> functions;
    EXPECT_GE(lines.size(), 4u) << err;
    if (lines.size() < 4) return functions;
    std::smatch match;
    EXPECT_TRUE(std::regex_match(lines[0], match,
                                 std::regex("Runtime error ([0-9]+) at \\$([0-9A-F]{8})")));
    EXPECT_EQ(match[1], std::to_string(number));
    EXPECT_EQ(lines[1], "  $" + match[2].str());
    EXPECT_TRUE(err.ends_with("\r\n\r\n"));
    for (std::size_t i = 1; i + 1 < lines.size(); ++i)
        functions.push_back(FunctionAt(PASIANSSI_BINARY, lines[i].substr(3)));
    return functions;
}

TEST(FaultMatrix, ReaderGoneBeforeTheFirstWrite) {
    Running run;
    run.CloseOutput();
    run.Answer("t\n");
    EXPECT_EQ(run.Wait(), 101);
    EXPECT_EQ(ReportedFunctions(run.Errors(), 101),
              (std::vector<std::string>{"AskMode", "MainLoop", "RunProgram"}));
}

TEST(FaultMatrix, ReaderGoneAfterThePromptFailsTheStatisticsLineOfTheMainLoop) {
    Running run;
    ASSERT_EQ(run.Read(kPromptBytes).size(), kPromptBytes);
    run.CloseOutput();
    run.Answer("x\n");
    EXPECT_EQ(run.Wait(), 101);
    EXPECT_EQ(ReportedFunctions(run.Errors(), 101),
              (std::vector<std::string>{"MainLoop", "RunProgram"}));
    EXPECT_EQ(Lines(run.Errors()).size(), 4u);
}

TEST(FaultMatrix, ReaderGoneInTheMiddleOfATracedGame) {
    Running run;
    // Far more trace than a pipe holds, so that the run is still writing when the reader goes.
    for (int game = 0; game < 30; ++game) run.Answer("t\n");
    run.CloseInput();
    EXPECT_EQ(run.Read(kPromptBytes + 5000).size(), kPromptBytes + 5000);
    run.CloseOutput();
    EXPECT_EQ(run.Wait(), 101);
    auto functions = ReportedFunctions(run.Errors(), 101);
    ASSERT_FALSE(functions.empty());
    EXPECT_EQ(functions.back(), "RunProgram");
}

TEST(FaultMatrix, ReaderGoneDuringSilentGames) {
    Running run;
    run.Answer("s\nl\n");
    run.Read(kPromptBytes + 26 * 1000);
    run.CloseOutput();
    EXPECT_EQ(run.Wait(), 101);
    EXPECT_EQ(ReportedFunctions(run.Errors(), 101),
              (std::vector<std::string>{"MainLoop", "RunProgram"}));
}

TEST(FaultMatrix, InterruptKeyKeepsItsDefaultAction) {
    Running run;
    run.Answer("s\n");
    run.Read(kPromptBytes + 26 * 100);
    std::thread reader([&] { run.Read(SIZE_MAX); });
    run.Signal(SIGINT);
    EXPECT_EQ(run.Wait(), 128 + SIGINT);
    reader.join();
    EXPECT_EQ(run.Errors(), "");
}

// A well-formed statistics line: the default floating format and CR LF.
bool IsStatisticsLine(std::string_view line) {
    static const std::regex format(" [0-9]\\.[0-9]{16}E[+-][0-9]{3}\r\n");
    return std::regex_match(line.begin(), line.end(), format);
}

TEST(FaultMatrix, AMillionSilentGamesKeepTheirMemory) {
    Running run;
    run.Answer("s\n");
    ASSERT_EQ(run.Read(kPromptBytes).size(), kPromptBytes);
    long early = 0;
    for (int part = 0; part < 10; ++part) {
        std::string lines = run.Read(26 * 100000);
        ASSERT_EQ(lines.size(), 26u * 100000);
        for (std::size_t at = 0; at < lines.size(); at += 26 * 997)
            ASSERT_TRUE(IsStatisticsLine(std::string_view(lines).substr(at, 26))) << at;
        if (part == 0) early = run.ResidentKilobytes();
    }
    long late = run.ResidentKilobytes();
    EXPECT_GT(early, 0);
    EXPECT_LE(late, early + 64) << "resident memory grew from " << early << " kB to " << late
                                << " kB";
    run.CloseOutput();
    EXPECT_EQ(run.Wait(), 101);
}

TEST(FaultMatrix, MemcheckFindsNothingInATracedGameAndAThousandSilentOnes) {
#ifdef PASIANSSI_SANITIZE
    GTEST_SKIP() << "memcheck does not run programs built with AddressSanitizer";
#endif
    if (std::system("command -v valgrind >/dev/null") != 0)
        GTEST_SKIP() << "valgrind is not installed";
    std::string answers = "t\n";
    for (int i = 0; i < 1000; ++i) answers += "x\n";
    RunResult run = RunExecutable(answers + "l\n", "",
                                  "valgrind -q --error-exitcode=99 --leak-check=full "
                                  "--errors-for-leak-kinds=definite,indirect");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // The statistics value of the traced game continues the last line of its trace.
    static const std::regex value(" [0-9]\\.[0-9]{16}E[+-][0-9]{3}");
    int values = 0;
    for (const std::string& line : Lines(run.out))
        values += line.size() >= 24 && std::regex_match(line.end() - 24, line.end(), value);
    EXPECT_EQ(values, 1001) << "one statistics value a game";
}

}  // namespace
