// The frame of the process: start-up, the normal end and the run-time error, the only failure
// path. A run-time error writes a report to standard error and ends the process with the
// error's number as exit status; control never returns to the code that failed.
#pragma once

#include <cstdint>

#include "runtime/console.h"

constexpr std::uint16_t kOutOfMemory = 203;

// Starts the process's services, calls the program entry and ends the run when it returns.
[[noreturn]] void RunProgram(void (*programEntry)());

// Records run-time error number, where it was detected and the active call there; ends the run.
[[noreturn]] void RunTimeError(std::uint16_t number, const void* place, const void* frame);

// The end sequence shared by the normal end and every run-time error.
[[noreturn]] void EndRun();

// Raises run-time error number at the point its caller has reached, in the caller's active call.
// Deliberately not [[noreturn]]: the return address must stay inside the caller.
void RaiseRunTimeError(std::uint16_t number);

// Follows every console call of the program's own code. Always inlined, so that a report
// names the procedure that made the call.
[[gnu::always_inline]] inline void IoCheck() {
    if (ioError != 0) [[unlikely]] {
        std::uint16_t number = ioError;
        ioError = 0;
        RaiseRunTimeError(number);
    }
}
