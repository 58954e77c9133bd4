// pasianssi-census: plays the deal of every tick value in a range and reports the odds of the
// game; lists the deals of one ending; shows one deal, or a deck a person gives, traced as the
// program plays it; plays fair decks for the odds of the patience itself; plays a fixed range as
// a benchmark whose counts and digest tell whether play has changed.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "census.h"
#include "chart.h"
#include "checkpoint.h"
#include "deck.h"
#include "kernel.h"
#include "reference.h"

namespace {

constexpr std::uint64_t kTicks = std::uint64_t{1} << 32;
constexpr std::uint64_t kBenchTicks = std::uint64_t{1} << 24;

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
    std::uint64_t fair = 0;
    std::uint64_t seed = 1;
    std::string deck;
    std::string svg;
};

// A whole number from 0 to most, decimal or 0x hex, handed on in decimal.
CLI::Validator WholeNumber(std::uint64_t least, std::uint64_t most) {
    std::string range = "a whole number from " + std::to_string(least) +
                        (most == UINT64_MAX ? " up" : " to " + std::to_string(most)) +
                        " (decimal or 0x hex)";
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            const char* digits = text.c_str();
            int base = 10;
            if (text.starts_with("0x") || text.starts_with("0X")) {
                digits += 2;
                base = 16;
            }
            char* end = nullptr;
            errno = 0;
            unsigned long long value = std::strtoull(digits, &end, base);
            if (*digits == '\0' || !std::isxdigit(static_cast<unsigned char>(*digits)) ||
                *end != '\0' || errno != 0 || value < least || value > most)
                return "takes " + range + ", not '" + text + "'";
            text = std::to_string(value);
            return "";
        },
        "N");
}

const char* const kDescription =
    "Plays the deal of every tick value T in [--from, --to) as the first game of a run whose "
    "tick counter reads T, and reports wins with a 95% Wilson interval, how the games ended, how "
    "many cards reached the foundations, the longest game and a digest of the outcomes. The "
    "whole range 0 .. 4294967295 is the default. The deals are played on the census kernel; one "
    "deal in 4096, at places that differ from run to run, is played by the program's own engine "
    "as well, and a difference stops the census with exit status 3.";

Arguments Parse(int argc, char** argv) {
    Arguments args;
    CLI::App app(kDescription, "pasianssi-census");
    app.get_formatter()->column_width(26);
    auto* from = app.add_option("--from", args.from, "the first tick (default 0)")
                     ->transform(WholeNumber(0, kTicks - 1));
    auto* to = app.add_option("--to", args.to, "the tick after the last (default 4294967296)")
                   ->transform(WholeNumber(1, kTicks));
    auto* jobs = app.add_option("--jobs", args.jobs, "worker threads (default: all cores)")
                     ->transform(WholeNumber(1, 256));
    auto* json = app.add_flag("--json", args.json, "the result as JSON on standard output");
    auto* checkpoint = app.add_option("--checkpoint", args.checkpoint,
                                      "keep progress in FILE; the same command continues an "
                                      "interrupted census")
                           ->type_name("FILE");
    auto* list = app.add_option_function<std::string>(
                        "--list",
                        [&](const std::string& ending) {
                            args.listed = ending == "won"           ? Ending::Won
                                          : ending == "five-passes" ? Ending::FivePasses
                                                                    : Ending::NextCardsHidden;
                        },
                        "the ticks of the deals that ended so, one a line, in rising order")
                     ->check(CLI::IsMember({"won", "five-passes", "hidden"}))
                     ->type_name("won|five-passes|hidden");
    auto* limit = app.add_option("--limit", args.limit, "with --list: stop after N ticks")
                      ->transform(WholeNumber(1, UINT64_MAX));
    auto* show = app.add_option_function<std::uint32_t>(
                        "--show", [&](std::uint32_t tick) { args.show = tick; },
                        "the traced game of the deal of tick T, as pasianssi writes it after "
                        "the prompt")
                     ->transform(WholeNumber(0, kTicks - 1))
                     ->type_name("T");
    auto* deck = app.add_option("--deck", args.deck,
                                "the traced game of a deck given top card first, a card a line "
                                "('hertta 12') or as a traced game lists it; - for standard "
                                "input")
                     ->type_name("FILE");
    auto* verify =
        app.add_flag("--verify", args.verify, "play every deal on the program's engine as well");
    auto* bench = app.add_flag("--bench", args.bench,
                               "the census of ticks 0 .. 16777215 unless a range is given");
    auto* fair = app.add_option("--fair", args.fair,
                                "play N decks shuffled fairly instead of the deals of ticks")
                     ->transform(WholeNumber(1, UINT64_MAX));
    auto* seed =
        app.add_option("--seed", args.seed, "with --fair: the seed of the decks (default 1)")
            ->transform(WholeNumber(0, UINT64_MAX));
    auto* svg =
        app.add_option("--svg", args.svg, "write the cards-played histogram as an SVG chart")
            ->type_name("FILE");

    for (auto* one : {show, deck})
        for (auto* other :
             {from, to, jobs, json, checkpoint, list, limit, verify, bench, fair, svg})
            one->excludes(other);
    show->excludes(deck);
    limit->needs(list);
    seed->needs(fair);
    list->excludes(json)->excludes(checkpoint)->excludes(bench)->excludes(svg);
    fair->excludes(from)->excludes(to)->excludes(list)->excludes(checkpoint)->excludes(bench);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        std::exit(0);
    }

    if (args.bench && from->count() == 0 && to->count() == 0) args.to = kBenchTicks;
    if (args.fair != 0) {
        args.from = 0;
        args.to = args.fair;
    }
    if (args.from >= args.to) throw CLI::ValidationError("--from", "must be below --to");
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

const char* const kEndingKeys[] = {"fivePasses", "won", "hidden"};

// What was played, for the report's first line and the chart's title: one way everywhere, the
// last tick included.
std::string WhatWasPlayed(const Arguments& args) {
    if (args.fair != 0)
        return std::to_string(args.fair) + " fair decks of seed " + std::to_string(args.seed);
    return "the deals of ticks " + std::to_string(args.from) + " .. " + std::to_string(args.to - 1);
}

std::string Hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, value);
    return text;
}

void PrintReport(const Arguments& args, const CensusTotals& t, double seconds,
                 std::uint64_t playedNow) {
    std::uint64_t wins = t.endings[static_cast<int>(Ending::Won)];
    double low, high;
    WilsonInterval(wins, t.games, low, high);
    double rate = seconds > 0 ? static_cast<double>(playedNow) / seconds : 0;
    double percentage = 100.0 * static_cast<double>(wins) / static_cast<double>(t.games);
    if (args.json) {
        nlohmann::ordered_json report;
        if (args.fair != 0) {
            report["fair"] = args.fair;
            report["seed"] = args.seed;
        } else {
            report["from"] = args.from;
            report["to"] = args.to;
        }
        report["games"] = t.games;
        report["wins"] = wins;
        report["winPercentage"] = percentage;
        report["wilson95"] = {low, high};
        for (int e = 0; e < 3; ++e) report["endings"][kEndingKeys[e]] = t.endings[e];
        report["cardsPlayed"] = t.cardsPlayed;
        report["maxIterations"] = t.maxIterations;
        report["digest"] = Hex(t.digest);
        report["seconds"] = seconds;
        report["gamesPerSecond"] = static_cast<std::uint64_t>(std::round(rate));
        report["kernel"] = KernelTarget();
        report["jobs"] = args.jobs;
        std::cout << report.dump() << std::endl;
        return;
    }
    std::string what = WhatWasPlayed(args);
    what[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(what[0])));
    std::printf("%s: %" PRIu64 " games\n", what.c_str(), t.games);
    std::printf("Won %" PRIu64 ", %.4f %% (95%% interval %.4f %% .. %.4f %%)\n", wins, percentage,
                low, high);
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
    std::printf("Digest of the outcomes: %s\n", Hex(t.digest).c_str());
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
            drawn_ = true;
            if (last) End();
        } else {
            std::fprintf(stderr,
                         "progress: %.1f%% (%" PRIu64 " of %" PRIu64
                         " deals), %.0f games/s, ETA %ld:%02ld:%02ld\n",
                         100 * fraction, doneTo - from_, to_ - from_, rate, seconds / 3600,
                         seconds / 60 % 60, seconds % 60);
        }
    }

    // Ends the line of the bar, so that what follows starts on a line of its own.
    void End() {
        if (drawn_) std::fputc('\n', stderr);
        drawn_ = false;
    }

  private:
    std::uint64_t from_, to_, start_;
    bool terminal_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point began_, last_;
};

volatile std::sig_atomic_t interrupted = 0;
void OnInterrupt(int) {
    interrupted = 1;
}

void CatchInterrupts(CensusOptions& options) {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    options.interrupted = &interrupted;
}

int Census(const Arguments& args) {
    Checkpoint saved{args.from, args.to, args.from, {}};
    if (!args.checkpoint.empty() && ReadCheckpoint(args.checkpoint, saved) &&
        (saved.from != args.from || saved.to != args.to))
        throw std::runtime_error("checkpoint " + args.checkpoint + " is for ticks " +
                                 std::to_string(saved.from) + " .. " +
                                 std::to_string(saved.to - 1) + ", not " +
                                 std::to_string(args.from) + " .. " + std::to_string(args.to - 1));
    CensusTotals totals = saved.totals;
    std::uint64_t start = saved.doneTo;
    auto began = std::chrono::steady_clock::now();
    Progress progress(args.from, args.to, start);
    CensusOptions options;
    options.jobs = args.jobs;
    if (args.verify) options.checkEvery = 1;
    if (args.fair != 0) options.fairSeed = args.seed;
    // The checkpoint is written at the first block and then at most once a second.
    auto lastSaved = std::chrono::steady_clock::time_point{};
    options.onProgress = [&](std::uint64_t doneTo, const CensusTotals& sofar) {
        progress.Show(doneTo);
        auto now = std::chrono::steady_clock::now();
        if (args.checkpoint.empty() || now - lastSaved < std::chrono::seconds(1)) return;
        WriteCheckpoint(args.checkpoint, {args.from, args.to, doneTo, sofar});
        lastSaved = now;
    };
    CatchInterrupts(options);
    std::uint64_t doneTo;
    try {
        doneTo = start < args.to ? RunCensus(start, args.to, options, totals) : args.to;
    } catch (...) {
        progress.End();
        throw;
    }
    if (!args.checkpoint.empty())
        WriteCheckpoint(args.checkpoint, {args.from, args.to, doneTo, totals});
    if (doneTo < args.to) {
        progress.End();
        std::string done = doneTo > args.from
                               ? std::to_string(args.from) + " .. " + std::to_string(doneTo - 1)
                               : "none";
        if (args.checkpoint.empty())
            std::fprintf(stderr,
                         "interrupted: %s of %s were played, and nothing is kept; with "
                         "--checkpoint FILE a census can be continued\n",
                         done.c_str(), args.fair != 0 ? "the decks" : "the ticks");
        else
            std::fprintf(stderr,
                         "interrupted: ticks %s are counted in %s; run the same command again "
                         "to go on\n",
                         done.c_str(), args.checkpoint.c_str());
        return 130;
    }
    progress.Show(doneTo, true);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    PrintReport(args, totals, seconds, doneTo - start);
    if (!args.svg.empty()) {
        std::ofstream chart(args.svg, std::ios::trunc);
        chart << HistogramChart(totals, "Cards played in " + WhatWasPlayed(args));
        if (!chart.flush()) throw std::runtime_error("cannot write the chart " + args.svg);
    }
    return 0;
}

int List(const Arguments& args) {
    std::uint64_t count = 0;
    CensusOptions options;
    options.jobs = args.jobs;
    options.listed = args.listed;
    if (args.verify) options.checkEvery = 1;
    options.onListed = [&](std::uint32_t tick) {
        std::printf("%" PRIu32 "\n", tick);
        return ++count < args.limit;
    };
    CatchInterrupts(options);
    CensusTotals totals;
    std::uint64_t doneTo = RunCensus(args.from, args.to, options, totals);
    if (std::fflush(stdout) != 0) return 1;
    if (doneTo < args.to && count < args.limit) {
        std::fprintf(stderr, "interrupted: the ticks listed are those below %" PRIu64 "\n", doneTo);
        return 130;
    }
    return 0;
}

// The traced game of a deck a person gives; a deck that is not one is refused with one line.
[[noreturn]] void ShowGivenDeck(const std::string& file) {
    std::ostringstream text;
    if (file == "-") {
        text << std::cin.rdbuf();
    } else {
        std::ifstream in(file, std::ios::binary);
        if (!in) throw std::runtime_error("cannot read " + file + ": " + std::strerror(errno));
        text << in.rdbuf();
    }
    DeckReading reading = ReadDeck(text.str());
    if (!reading.ok)
        throw std::runtime_error((file == "-" ? "standard input" : file) + ": " + reading.error);
    ShowDeck(reading.deck.data());
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Arguments args = Parse(argc, argv);
        if (args.show) ShowDeal(*args.show);
        if (!args.deck.empty()) ShowGivenDeck(args.deck);
        PrepareEngine();
        return args.listed ? List(args) : Census(args);
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "pasianssi-census: %s (see --help)\n", error.what());
        return 2;
    } catch (const Disagreement& error) {
        std::fprintf(stderr, "pasianssi-census: %s\n", error.what());
        return 3;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pasianssi-census: %s\n", error.what());
        return 2;
    }
}
