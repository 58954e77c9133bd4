// The console text layer: every byte the program exchanges with a person goes through one of
// three channels on the standard handles. Items are collected in the channel's buffer and handed
// to the platform at the end of every write statement; a failure leaves its number in ioError.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

enum class Direction { Input, Output };

struct TextChannel {
    int handle;
    Direction direction;
    char buffer[256];
    std::int32_t bufSize;
    std::int32_t bufPos;  // output: bytes held; input: index of the next unread byte
    std::int32_t bufEnd;  // input: bytes that the last Fill delivered
    std::string_view lineEnd;
    void (*transfer)(TextChannel&);
    void (*flush)(TextChannel&);
    bool atEnd;  // input: the last Fill found the end of input
};

extern TextChannel input;
extern TextChannel output;
extern TextChannel errorOutput;

// The pending error number, 0 = none; read and cleared by IoCheck.
extern std::uint16_t ioError;

// What ReadChar yields at the end of input; a 26 in the data also stops SkipLine.
constexpr char kEndOfInput = 26;
constexpr std::uint16_t kWriteFailed = 101;

void OpenChannel(TextChannel& channel, Direction direction, int handle);

void WriteText(TextChannel& channel, int width, std::string_view text);
void WriteField(TextChannel& channel, int width, std::span<const char> field);
void WriteInt(TextChannel& channel, int width, std::int32_t value);
void WriteChar(TextChannel& channel, int width, char ch);
void WriteFloat(TextChannel& channel, double value);
void EndWrite(TextChannel& channel);
void EndLine(TextChannel& channel);

char ReadChar(TextChannel& channel);
void SkipLine(TextChannel& channel);
// True when the last ReadChar found no more input, as opposed to a byte 26 in the data.
bool InputEnded(const TextChannel& channel);

void Fill(TextChannel& channel);
void WriteOut(TextChannel& channel);
