// The program's own console calls: each is one call of the console layer followed by IoCheck.
// They are always inlined, so that a failure is reported in the procedure that wrote or read.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "runtime/console.h"
#include "runtime/process.h"

#define CHECKED [[gnu::always_inline]] inline

CHECKED void PutText(std::string_view text, int width = 0) {
    WriteText(output, width, text);
    IoCheck();
}

CHECKED void PutField(std::span<const char> field, int width) {
    WriteField(output, width, field);
    IoCheck();
}

CHECKED void PutInt(std::int32_t value, int width = 0) {
    WriteInt(output, width, value);
    IoCheck();
}

CHECKED void PutChar(char ch, int width = 0) {
    WriteChar(output, width, ch);
    IoCheck();
}

CHECKED void PutFloat(double value) {
    WriteFloat(output, value);
    IoCheck();
}

// Ends a write statement and leaves the line open.
CHECKED void PutEnd() {
    EndWrite(output);
    IoCheck();
}

// Ends a write statement and the line.
CHECKED void PutLineEnd() {
    EndLine(output);
    IoCheck();
}

CHECKED char GetChar() {
    char ch = ReadChar(input);
    IoCheck();
    return ch;
}

CHECKED void SkipRestOfLine() {
    SkipLine(input);
    IoCheck();
}

#undef CHECKED
