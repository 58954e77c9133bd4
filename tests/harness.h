// Helpers shared by the tests: capturing what the program writes, building positions from
// literal card lists, and running the program in a child process or as the real executable.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "table/cards.h"

// Runs body with the output channel on a fresh file and returns every byte written.
std::string CaptureOutput(const std::function<void()>& body, char traceMode = 't');

// A card as the tests write it: {suit, rank}.
struct CardSpec {
    int suit;
    int rank;
};

// Empties the table and the run state as ResetTable would, without touching the console.
void ClearTable();

// Builds a pile from the top card down. Records come from the test's own storage.
Pile MakePile(std::initializer_list<CardSpec> fromTop);

// Puts foundation s at the given top rank (all lower ranks below it, down to the base card).
void SetFoundation(int suit, int topRank);

// The cards of a pile, top first.
std::vector<CardSpec> Cards(Pile pile);
bool operator==(const CardSpec& a, const CardSpec& b);

// Shuffles and deals as the first game of a run whose tick counter reads tick, onto an empty
// table; records come from the card pool, which holds only records of earlier deals.
void DealFromTick(std::uint32_t tick);

// Returns every card of the table to the card pool and frees the pool's records.
void ReleaseCards();

struct RunResult {
    std::string out;
    std::string err;
    int status;  // exit status, or 128 + signal number
};

// Runs the program's entry in a forked child whose tick counter reads the given values, one per
// game (the last one repeated), with the given bytes as standard input.
RunResult RunProgramInChild(std::string_view stdinBytes, std::vector<std::uint32_t> ticks,
                            void (*entry)() = nullptr);

// Like RunProgramInChild, with standard output a pipe whose reader takes keepBytes bytes and
// then goes away (at once for 0). inputConsumed tells how much of the input the program read.
RunResult RunProgramIntoPipe(std::string_view stdinBytes, std::vector<std::uint32_t> ticks,
                             std::size_t keepBytes, long* inputConsumed = nullptr);

// Runs a command line under /bin/sh with the given bytes as standard input, collecting its
// standard output and error; redirections in the command override those.
RunResult RunCommand(std::string_view stdinBytes, const std::string& command);

// Runs the shipped executable under /bin/sh with the given redirections after it, and the
// given command (a checker such as valgrind) before it.
RunResult RunExecutable(std::string_view stdinBytes, const std::string& redirections = "",
                        const std::string& wrapper = "");

// Counts the requests for card memory, and refuses them while refuseMemory is set. The test
// program replaces the nothrow operator new, which the program's allocator uses.
extern int memoryRequests;
extern bool refuseMemory;

// The bare name of the function at a report address of the executable, through addr2line.
std::string FunctionAt(const std::string& executable, const std::string& hexAddress);

// Splits text at CR LF.
std::vector<std::string> Lines(std::string_view text);

// The text with NUL bytes shown as '.' so that expected output can be written readably.
std::string Visible(std::string_view text);
