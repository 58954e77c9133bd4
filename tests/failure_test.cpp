// Run-time errors: the report's layout and its addresses, the exit status, memory that cannot
// be had and processor faults, each in a child process that runs the program's start-up.
#include <fcntl.h>
#include <unistd.h>

#include <ostream>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "harness.h"
#include "runtime/checked_console.h"
#include "runtime/process.h"
#include "table/cards.h"

namespace {

const std::string kSelf = "/proc/self/exe";
std::string testProgram;

void WriteOnFullDevice() {
    int full = open("/dev/full", O_WRONLY);
    dup2(full, STDOUT_FILENO);
}

[[gnu::noipa]] void WriteStatement() {
    PutText("lost");
    PutLineEnd();
}

void FailInEntry() {
    WriteOnFullDevice();
    PutText("lost");
    PutLineEnd();
}

void FailInCalledProcedure() {
    WriteOnFullDevice();
    WriteStatement();
    PutText("not reached");
}

void TakeCardWithoutMemory() {
    refuseMemory = true;
    Pile card;
    TakeCard(card);
    PutText("not reached");
    PutLineEnd();
}

[[gnu::noipa]] void TouchUnmappedMemory() {
    volatile std::uintptr_t unmapped = 64;
    *reinterpret_cast<volatile int*>(unmapped) = 1;
}

void AccessViolation() {
    TouchUnmappedMemory();
}

[[gnu::noipa]] void DivideByZero() {
    asm volatile("xor %%edx, %%edx\n\txor %%ecx, %%ecx\n\tmov $1, %%eax\n\tdiv %%ecx" ::
                     : "eax", "ecx", "edx");
}

void IntegerDivision() {
    DivideByZero();
}

volatile bool keepRecursing = true;

[[gnu::noipa]] int Recurse(int depth) {
    volatile char frame[512];
    frame[0] = static_cast<char>(depth);
    return keepRecursing ? Recurse(depth + 1) + frame[0] : 0;
}

void StackOverflow() {
    Recurse(0);
}

struct Report {
    int number;
    std::string place;
    std::vector<std::string> callers;
};

// Parses a report and checks its layout: the header, the place again, the callers, an empty line.
Report ParseReport(const std::string& err) {
    std::vector<std::string> lines = Lines(err);
    Report report{-1, "", {}};
    std::smatch match;
    EXPECT_GE(lines.size(), 3u) << err;
    if (lines.size() < 3) return report;
    EXPECT_TRUE(err.ends_with("\r\n\r\n")) << "every report ends with an empty line";
    EXPECT_TRUE(
        std::regex_match(lines[0], match, std::regex("Runtime error ([0-9]+) at \\$([0-9A-F]{8})")))
        << lines[0];
    if (match.empty()) return report;
    report.number = std::stoi(match[1]);
    report.place = match[2];
    EXPECT_EQ(lines[1], "  $" + report.place);
    for (std::size_t i = 2; i + 1 < lines.size(); ++i) {
        EXPECT_TRUE(std::regex_match(lines[i], std::regex("  \\$[0-9A-F]{8}"))) << lines[i];
        report.callers.push_back(lines[i].substr(3));
    }
    EXPECT_LE(report.callers.size(), 9u);
    EXPECT_EQ(lines.back(), "");
    return report;
}

class RunTimeErrors : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        char path[4096];
        ssize_t n = readlink(kSelf.c_str(), path, sizeof path);
        testProgram.assign(path, n > 0 ? static_cast<size_t>(n) : 0);
    }
};

TEST_F(RunTimeErrors, FailedWriteInTheEntryHasOneCallerLine) {
    RunResult run = RunProgramInChild("", {0}, FailInEntry);
    EXPECT_EQ(run.status, 101);
    EXPECT_EQ(run.out, "");
    Report report = ParseReport(run.err);
    EXPECT_EQ(report.number, 101);
    EXPECT_EQ(FunctionAt(testProgram, report.place), "FailInEntry");
    ASSERT_EQ(report.callers.size(), 1u);
    EXPECT_EQ(FunctionAt(testProgram, report.callers[0]), "RunProgram");
}

TEST_F(RunTimeErrors, FailedWriteInACalledProcedureNamesItAndItsCallers) {
    RunResult run = RunProgramInChild("", {0}, FailInCalledProcedure);
    EXPECT_EQ(run.status, 101);
    Report report = ParseReport(run.err);
    EXPECT_EQ(FunctionAt(testProgram, report.place), "WriteStatement");
    ASSERT_EQ(report.callers.size(), 2u);
    EXPECT_EQ(FunctionAt(testProgram, report.callers[0]), "FailInCalledProcedure");
    EXPECT_EQ(FunctionAt(testProgram, report.callers[1]), "RunProgram");
}

TEST_F(RunTimeErrors, NoMemoryForACardIs203InTheAllocator) {
    RunResult run = RunProgramInChild("", {0}, TakeCardWithoutMemory);
    EXPECT_EQ(run.status, 203);
    EXPECT_EQ(run.out, "");
    Report report = ParseReport(run.err);
    EXPECT_EQ(report.number, 203);
    EXPECT_EQ(FunctionAt(testProgram, report.place), "AllocateMemory");
    ASSERT_GE(report.callers.size(), 2u);
    EXPECT_EQ(FunctionAt(testProgram, report.callers[0]), "TakeCard");
}

struct Fault {
    const char* name;
    void (*entry)();
    int number;
    const char* function;
};

void PrintTo(const Fault& c, std::ostream* os) {
    *os << c.name;
}

class ProcessorFaults : public RunTimeErrors, public testing::WithParamInterface<Fault> {};

TEST_P(ProcessorFaults, EndThroughTheReportAtTheFaultingInstruction) {
    RunResult run = RunProgramInChild("", {0}, GetParam().entry);
    EXPECT_EQ(run.status, GetParam().number);
    Report report = ParseReport(run.err);
    EXPECT_EQ(report.number, GetParam().number);
    EXPECT_EQ(FunctionAt(testProgram, report.place), GetParam().function);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ProcessorFaults,
    testing::Values(Fault{"AccessViolation", AccessViolation, 216, "TouchUnmappedMemory"},
                    Fault{"IntegerDivision", IntegerDivision, 200, "DivideByZero"},
                    Fault{"StackOverflow", StackOverflow, 202, "Recurse"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunTimeErrors, UnwritableErrorStreamStillGivesTheNumber) {
    RunResult run = RunExecutable("l\n", ">&- 2>&-");
    EXPECT_EQ(run.status, 101);
    EXPECT_EQ(run.err, "");
}

}  // namespace
