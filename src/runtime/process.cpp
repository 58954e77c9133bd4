#include "runtime/process.h"

#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdint>

namespace {

std::uint16_t errorNumber = 0;
std::uintptr_t errorPlace = 0;  // 0: no run-time error has occurred
const void* errorFrame = nullptr;
std::uint32_t exitStatus = 0;

// The frame of RunProgram: the walk through the callers of a failure ends there.
const std::uintptr_t* startFrame = nullptr;

// Load address of the executable: report addresses are taken relative to it, so that they are
// the same in every run and name functions through addr2line.
extern "C" const char __executable_start[];

constexpr int kMaxCallerLines = 9;

void WriteHex(std::uintptr_t address) {
    auto relative =
        static_cast<std::uint32_t>(address - reinterpret_cast<std::uintptr_t>(__executable_start));
    char hex[8];
    for (int i = 7; i >= 0; --i, relative >>= 4) hex[i] = "0123456789ABCDEF"[relative & 15];
    WriteText(errorOutput, 0, std::string_view(hex, sizeof hex));
}

void WriteAddressLine(std::uintptr_t address) {
    WriteText(errorOutput, 0, "  $");
    WriteHex(address);
    EndLine(errorOutput);
}

// The header, the place again, the return addresses of the calls enclosing errorFrame
// innermost first up to the start-up code, and an empty line.
void WriteReport() {
    WriteText(errorOutput, 0, "Runtime error ");
    WriteInt(errorOutput, 0, errorNumber);
    WriteText(errorOutput, 0, " at $");
    WriteHex(errorPlace);
    EndLine(errorOutput);
    WriteAddressLine(errorPlace);
    auto frame = static_cast<const std::uintptr_t*>(errorFrame);
    for (int lines = 0; lines < kMaxCallerLines && frame != nullptr && frame < startFrame;
         ++lines) {
        std::uintptr_t returnAddress = frame[1];
        if (returnAddress == 0) break;
        WriteAddressLine(returnAddress);
        auto caller = reinterpret_cast<const std::uintptr_t*>(frame[0]);
        if (caller <= frame || reinterpret_cast<std::uintptr_t>(caller) % sizeof(void*) != 0) break;
        frame = caller;
    }
    WriteText(errorOutput, 0, "");
    EndLine(errorOutput);
}

std::uint16_t FaultNumber(int signal, const siginfo_t* info, std::uintptr_t stackPointer) {
    auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    switch (signal) {
        case SIGSEGV:
        case SIGBUS:
            // A fault just below the stack pointer, on the program's stack, is a stack overflow.
            if (address + 65536 >= stackPointer && address <= stackPointer + 4096 &&
                reinterpret_cast<const std::uintptr_t*>(address) < startFrame)
                return 202;
            return 216;
        case SIGFPE:
            switch (info->si_code) {
                case FPE_INTDIV:
                    return 200;
                case FPE_FLTOVF:
                    return 205;
                case FPE_FLTUND:
                    return 206;
                case FPE_FLTINV:
                    return 207;
                case FPE_FLTDIV:
                    return 208;
                default:
                    return 255;
            }
        default:
            return 255;
    }
}

// A processor fault ends the run like any run-time error, at the faulting instruction. Runs on
// its own stack so that a stack overflow can be reported; uses only write and _exit.
void OnFault(int signal, siginfo_t* info, void* context) {
    const auto& registers = static_cast<ucontext_t*>(context)->uc_mcontext.gregs;
    auto stackPointer = static_cast<std::uintptr_t>(registers[REG_RSP]);
    auto frame = reinterpret_cast<const void*>(registers[REG_RBP]);
    if (reinterpret_cast<std::uintptr_t>(frame) < stackPointer) frame = nullptr;
    RunTimeError(FaultNumber(signal, info, stackPointer),
                 reinterpret_cast<const void*>(registers[REG_RIP]), frame);
}

alignas(16) char faultStack[65536];

void InstallFaultHandlers() {
    stack_t stack{};
    stack.ss_sp = faultStack;
    stack.ss_size = sizeof faultStack;
    sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_sigaction = OnFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) sigaction(signal, &action, nullptr);
}

}  // namespace

void RunProgram(void (*programEntry)()) {
    startFrame = static_cast<const std::uintptr_t*>(__builtin_frame_address(0));
    // A reader that has gone shows up as a failed write, not as a signal.
    signal(SIGPIPE, SIG_IGN);
    InstallFaultHandlers();
    OpenChannel(input, Direction::Input, STDIN_FILENO);
    OpenChannel(output, Direction::Output, STDOUT_FILENO);
    OpenChannel(errorOutput, Direction::Output, STDERR_FILENO);
    ioError = 0;
    programEntry();
    EndRun();
}

void RunTimeError(std::uint16_t number, const void* place, const void* frame) {
    errorNumber = number;
    errorPlace = reinterpret_cast<std::uintptr_t>(place);
    errorFrame = frame;
    exitStatus = errorNumber;
    EndRun();
}

void EndRun() {
    if (errorPlace != 0) WriteReport();
    WriteOut(output);
    WriteOut(errorOutput);
    _exit(static_cast<int>(exitStatus));
}

void RaiseRunTimeError(std::uint16_t number) {
    RunTimeError(number, __builtin_return_address(0),
                 *static_cast<void* const*>(__builtin_frame_address(0)));
}
