// pasianssi-census: plays the deal of every tick value in a range and reports the odds of the
// game; lists the deals of one ending; shows one deal traced as the program plays it; plays a
// fixed range as a benchmark whose counts and digest tell whether play has changed.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "census.h"
#include "checkpoint.h"
#include "kernel.h"
#include "reference.h"

namespace {

constexpr std::uint64_t kTicks = std::uint64_t{1} << 32;
constexpr std::uint64_t kBenchTicks = std::uint64_t{1} << 24;

const char* const kUsage =
    "Usage: pasianssi-census [--from T] [--to T] [--jobs N] [--json] [--checkpoint FILE] "
    "[--verify]\n"
    "       pasianssi-census --list won|five-passes|hidden [--from T] [--to T] [--limit N] [--jobs "
    "N]\n"
    "       pasianssi-census --show T\n"
    "       pasianssi-census --bench [--from T] [--to T] [--jobs N] [--json]\n"
    "\n"
    "Plays the deal of every tick value T in [--from, --to) as the first game of a run whose tick\n"
    "counter reads T, and reports wins with a 95% Wilson interval, how the games ended, how many\n"
    "cards reached the foundations, and the longest game. Tick values are decimal or 0x hex;\n"
    "--to may be 4294967296. The whole range is the default.\n"
    "\n"
    "The deals are played on the census kernel; one deal in 4096, at places that differ from run\n"
    "to run, is played by the program's own engine as well, and a difference stops the census\n"
    "with exit status 3.\n"
    "\n"
    "  --jobs N            worker threads (default: all cores)\n"
    "  --json              the result as JSON on standard output\n"
    "  --checkpoint FILE   keep progress in FILE; the same command continues an interrupted run\n"
    "  --list ENDING       the ticks of the deals that ended so, one per line, in rising order\n"
    "  --limit N           with --list: stop after N ticks\n"
    "  --show T            the traced game of the deal of T, as pasianssi writes it after the "
    "prompt\n"
    "  --verify            play every deal on the program's engine as well (slow)\n"
    "  --bench             the census of ticks 0 .. 16777215 unless a range is given\n";

constexpr std::string_view kValuedOptions[] = {"--from", "--to",    "--jobs", "--checkpoint",
                                               "--list", "--limit", "--show"};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Arguments {
    std::uint64_t from = 0;
    std::uint64_t to = kTicks;
    int jobs = 0;
    bool json = false;
    std::string checkpoint;
    std::optional<Ending> listed;
    std::uint64_t limit = UINT64_MAX;
    std::optional<std::uint32_t> show;
    bool verify = false;
    bool bench = false;
};

std::uint64_t ParseNumber(const std::string& option, const char* text, std::uint64_t most) {
    const char* digits = text;
    int base = 10;
    if (std::strncmp(text, "0x", 2) == 0 || std::strncmp(text, "0X", 2) == 0) {
        digits += 2;
        base = 16;
    }
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(digits, &end, base);
    if (*digits == '\0' || *digits == '-' || *digits == '+' || *end != '\0' || errno != 0 ||
        value > most)
        throw UsageError(option + " takes a whole number from 0 to " + std::to_string(most) +
                         ", not '" + text + "'");
    return value;
}

Ending ParseEnding(const char* text) {
    if (std::strcmp(text, "won") == 0) return Ending::Won;
    if (std::strcmp(text, "five-passes") == 0) return Ending::FivePasses;
    if (std::strcmp(text, "hidden") == 0) return Ending::NextCardsHidden;
    throw UsageError(std::string("--list takes won, five-passes or hidden, not '") + text + "'");
}

Arguments Parse(int argc, char** argv) {
    Arguments args;
    bool rangeGiven = false;
    bool limitGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (option == "--json" || option == "--verify" || option == "--bench") {
            (option == "--json"     ? args.json
             : option == "--verify" ? args.verify
                                    : args.bench) = true;
            continue;
        }
        if (std::find(std::begin(kValuedOptions), std::end(kValuedOptions), option) ==
            std::end(kValuedOptions))
            throw UsageError("unknown option '" + option + "'");
        if (i + 1 >= argc) throw UsageError(option + " needs a value");
        const char* value = argv[++i];
        if (option == "--from") {
            args.from = ParseNumber(option, value, kTicks - 1);
            rangeGiven = true;
        } else if (option == "--to") {
            args.to = ParseNumber(option, value, kTicks);
            rangeGiven = true;
        } else if (option == "--jobs") {
            args.jobs = static_cast<int>(ParseNumber(option, value, 256));
            if (args.jobs == 0) throw UsageError("--jobs takes a whole number from 1 to 256");
        } else if (option == "--checkpoint") {
            args.checkpoint = value;
        } else if (option == "--list") {
            args.listed = ParseEnding(value);
        } else if (option == "--limit") {
            args.limit = ParseNumber(option, value, UINT64_MAX);
            limitGiven = true;
        } else {
            args.show = static_cast<std::uint32_t>(ParseNumber(option, value, kTicks - 1));
        }
    }
    if (args.bench && !rangeGiven) args.to = kBenchTicks;
    if (args.from >= args.to) throw UsageError("--from must be below --to");
    if (args.bench && (args.listed || !args.checkpoint.empty()))
        throw UsageError("--bench goes with neither --list nor --checkpoint");
    if (args.show && (rangeGiven || args.listed || args.json || !args.checkpoint.empty() ||
                      args.verify || args.bench))
        throw UsageError("--show takes no other option");
    if (limitGiven && !args.listed) throw UsageError("--limit goes with --list");
    if (args.listed && (args.json || !args.checkpoint.empty()))
        throw UsageError("--list goes with neither --json nor --checkpoint");
    if (args.jobs == 0) args.jobs = static_cast<int>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
    return args;
}

// The 95% Wilson score interval of a proportion, in percent.
void WilsonInterval(std::uint64_t wins, std::uint64_t games, double& low, double& high) {
    const double z = 1.959963984540054;
    double n = static_cast<double>(games);
    double p = static_cast<double>(wins) / n;
    double denominator = 1 + z * z / n;
    double centre = (p + z * z / (2 * n)) / denominator;
    double half = z / denominator * std::sqrt(p * (1 - p) / n + z * z / (4 * n * n));
    low = 100 * std::max(0.0, centre - half);
    high = 100 * std::min(1.0, centre + half);
}

const char* const kEndingNames[] = {"hand passed five times", "won", "next cards hidden"};
const char* const kEndingKeys[] = {"fivePasses", "won", "hidden"};

void PrintReport(const Arguments& args, const CensusTotals& t, double seconds,
                 std::uint64_t playedNow) {
    std::uint64_t wins = t.endings[static_cast<int>(Ending::Won)];
    double low, high;
    WilsonInterval(wins, t.games, low, high);
    double rate = seconds > 0 ? static_cast<double>(playedNow) / seconds : 0;
    if (args.json) {
        std::printf("{\"from\": %" PRIu64 ", \"to\": %" PRIu64 ", \"games\": %" PRIu64
                    ", \"wins\": %" PRIu64
                    ", \"winPercentage\": %.6f, \"wilson95\": [%.6f, %.6f], \"endings\": {",
                    args.from, args.to, t.games, wins,
                    100.0 * static_cast<double>(wins) / static_cast<double>(t.games), low, high);
        for (int e = 0; e < 3; ++e)
            std::printf("%s\"%s\": %" PRIu64, e ? ", " : "", kEndingKeys[e], t.endings[e]);
        std::printf("}, \"cardsPlayed\": [");
        for (int c = 0; c <= kPlayingCards; ++c)
            std::printf("%s%" PRIu64, c ? ", " : "", t.cardsPlayed[c]);
        std::printf("], \"maxIterations\": %u, \"digest\": \"%016" PRIx64
                    "\", \"seconds\": %.3f, \"gamesPerSecond\": %.0f, \"kernel\": \"%s\", "
                    "\"jobs\": %d}\n",
                    t.maxIterations, t.digest, seconds, rate, KernelTarget(), args.jobs);
        return;
    }
    std::printf("Deals of ticks %" PRIu64 " .. %" PRIu64 ": %" PRIu64 " games\n", args.from,
                args.to - 1, t.games);
    std::printf("Won %" PRIu64 ", %.4f %% (95%% interval %.4f %% .. %.4f %%)\n", wins,
                100.0 * static_cast<double>(wins) / static_cast<double>(t.games), low, high);
    std::printf("How the games ended:\n");
    for (int e : {1, 0, 2}) std::printf("  %-24s %12" PRIu64 "\n", kEndingNames[e], t.endings[e]);
    std::printf("Cards played to the foundations:\n");
    std::uint64_t most = 1;
    for (std::uint64_t n : t.cardsPlayed) most = std::max(most, n);
    for (int c = 0; c <= kPlayingCards; ++c) {
        int bar = static_cast<int>((t.cardsPlayed[c] * 50 + most - 1) / most);
        std::printf("  %2d | %-50s %12" PRIu64 "\n", c,
                    std::string(static_cast<std::size_t>(bar), '#').c_str(), t.cardsPlayed[c]);
    }
    std::printf("Longest game: %u iterations of the play loop (the rules allow 60)\n",
                t.maxIterations);
    std::printf("Digest of the outcomes: %016" PRIx64 "\n", t.digest);
    std::printf("Checked on the program's engine: %s, no difference\n",
                args.verify ? "every deal" : "1 deal in 4096");
    std::printf("Elapsed %.2f s, %.0f games per second (%s kernel, %d jobs)\n", seconds, rate,
                KernelTarget(), args.jobs);
}

// Progress on standard error: a bar redrawn in place on a terminal, a line now and then otherwise.
class Progress {
  public:
    Progress(std::uint64_t from, std::uint64_t to, std::uint64_t start)
        : from_(from),
          to_(to),
          start_(start),
          terminal_(isatty(STDERR_FILENO) != 0),
          began_(std::chrono::steady_clock::now()),
          last_(began_) {}

    void Show(std::uint64_t doneTo, bool last = false) {
        auto now = std::chrono::steady_clock::now();
        double sinceLast = std::chrono::duration<double>(now - last_).count();
        if (!last && sinceLast < (terminal_ ? 0.2 : 5.0)) return;
        last_ = now;
        double elapsed = std::chrono::duration<double>(now - began_).count();
        double rate = elapsed > 0 ? static_cast<double>(doneTo - start_) / elapsed : 0;
        double fraction = static_cast<double>(doneTo - from_) / static_cast<double>(to_ - from_);
        double eta = rate > 0 ? static_cast<double>(to_ - doneTo) / rate : 0;
        auto seconds = static_cast<long>(eta);
        if (terminal_) {
            int filled = static_cast<int>(fraction * 30);
            std::fprintf(stderr, "\r[%s%s] %5.1f%%  %.2fM games/s  ETA %ld:%02ld:%02ld ",
                         std::string(static_cast<std::size_t>(filled), '#').c_str(),
                         std::string(static_cast<std::size_t>(30 - filled), '.').c_str(),
                         100 * fraction, rate / 1e6, seconds / 3600, seconds / 60 % 60,
                         seconds % 60);
            if (last) std::fputc('\n', stderr);
        } else {
            std::fprintf(stderr,
                         "progress: %.1f%% (%" PRIu64 " of %" PRIu64
                         " deals), %.0f games/s, ETA %ld:%02ld:%02ld\n",
                         100 * fraction, doneTo - from_, to_ - from_, rate, seconds / 3600,
                         seconds / 60 % 60, seconds % 60);
        }
    }

  private:
    std::uint64_t from_, to_, start_;
    bool terminal_;
    std::chrono::steady_clock::time_point began_, last_;
};

volatile std::sig_atomic_t interrupted = 0;
void OnInterrupt(int) {
    interrupted = 1;
}

int Census(const Arguments& args) {
    Checkpoint saved{args.from, args.to, args.from, {}};
    if (!args.checkpoint.empty() && ReadCheckpoint(args.checkpoint, saved) &&
        (saved.from != args.from || saved.to != args.to))
        throw std::runtime_error("checkpoint " + args.checkpoint + " is for ticks " +
                                 std::to_string(saved.from) + " .. " + std::to_string(saved.to) +
                                 ", not " + std::to_string(args.from) + " .. " +
                                 std::to_string(args.to));
    CensusTotals totals = saved.totals;
    std::uint64_t start = saved.doneTo;
    auto began = std::chrono::steady_clock::now();
    Progress progress(args.from, args.to, start);
    CensusOptions options;
    options.jobs = args.jobs;
    if (args.verify) options.checkEvery = 1;
    // The checkpoint is written at the first block and then at most once a second.
    auto lastSaved = std::chrono::steady_clock::time_point{};
    options.onProgress = [&](std::uint64_t doneTo, const CensusTotals& sofar) {
        progress.Show(doneTo);
        auto now = std::chrono::steady_clock::now();
        if (args.checkpoint.empty() || now - lastSaved < std::chrono::seconds(1)) return;
        WriteCheckpoint(args.checkpoint, {args.from, args.to, doneTo, sofar});
        lastSaved = now;
    };
    if (!args.checkpoint.empty()) {
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
        options.interrupted = &interrupted;
    }
    std::uint64_t doneTo = start < args.to ? RunCensus(start, args.to, options, totals) : args.to;
    if (!args.checkpoint.empty())
        WriteCheckpoint(args.checkpoint, {args.from, args.to, doneTo, totals});
    if (doneTo < args.to) {
        std::fprintf(stderr,
                     "\ninterrupted: ticks %" PRIu64 " .. %" PRIu64
                     " are counted in %s; run the same command again to go on\n",
                     args.from, doneTo - 1, args.checkpoint.c_str());
        return 130;
    }
    progress.Show(doneTo, true);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    PrintReport(args, totals, seconds, doneTo - start);
    return 0;
}

int List(const Arguments& args) {
    std::uint64_t count = 0;
    if (args.limit == 0) return 0;
    CensusOptions options;
    options.jobs = args.jobs;
    options.listed = args.listed;
    if (args.verify) options.checkEvery = 1;
    options.onListed = [&](std::uint32_t tick) {
        std::printf("%" PRIu32 "\n", tick);
        return ++count < args.limit;
    };
    CensusTotals totals;
    RunCensus(args.from, args.to, options, totals);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Arguments args = Parse(argc, argv);
        if (args.show) ShowDeal(*args.show);
        PrepareEngine();
        return args.listed ? List(args) : Census(args);
    } catch (const Disagreement& error) {
        std::fprintf(stderr, "pasianssi-census: %s\n", error.what());
        return 3;
    } catch (const UsageError& error) {
        std::fprintf(stderr, "pasianssi-census: %s (see --help)\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pasianssi-census: %s\n", error.what());
        return 2;
    }
}
