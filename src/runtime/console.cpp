#include "runtime/console.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "runtime/float_format.h"

TextChannel input;
TextChannel output;
TextChannel errorOutput;
std::uint16_t ioError = 0;

namespace {

constexpr char kLineFeed = 10;
constexpr char kCarriageReturn = 13;

void Store(TextChannel& channel, char byte) {
    if (channel.bufPos == channel.bufSize) channel.transfer(channel);
    channel.buffer[channel.bufPos++] = byte;
}

// The field rule of every item: blanks up to the width, then the item's bytes, never cut.
void StoreItem(TextChannel& channel, int width, std::string_view bytes) {
    for (int fill = width - static_cast<int>(bytes.size()); fill > 0; --fill) Store(channel, ' ');
    for (char byte : bytes) Store(channel, byte);
}

}  // namespace

void OpenChannel(TextChannel& channel, Direction direction, int handle) {
    channel.handle = handle;
    channel.direction = direction;
    channel.bufSize = sizeof channel.buffer;
    channel.bufPos = 0;
    channel.bufEnd = 0;
    channel.lineEnd = "\r\n";
    channel.transfer = direction == Direction::Input ? Fill : WriteOut;
    channel.flush = direction == Direction::Input ? nullptr : WriteOut;
    channel.atEnd = false;
}

void WriteText(TextChannel& channel, int width, std::string_view text) {
    if (ioError != 0) return;
    StoreItem(channel, width, text);
}

void WriteField(TextChannel& channel, int width, std::span<const char> field) {
    if (ioError != 0) return;
    StoreItem(channel, width, std::string_view(field.data(), field.size()));
}

void WriteInt(TextChannel& channel, int width, std::int32_t value) {
    if (ioError != 0) return;
    char digits[12];
    char* start = digits + sizeof digits;
    std::int64_t magnitude = value < 0 ? -std::int64_t{value} : value;
    do {
        *--start = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--start = '-';
    StoreItem(channel, width, std::string_view(start, digits + sizeof digits - start));
}

void WriteChar(TextChannel& channel, int width, char ch) {
    if (ioError != 0) return;
    StoreItem(channel, width, std::string_view(&ch, 1));
}

void WriteFloat(TextChannel& channel, double value) {
    if (ioError != 0) return;
    char text[kFloatTextLength];
    FormatFloat(value, text);
    StoreItem(channel, 0, std::string_view(text, sizeof text));
}

void EndWrite(TextChannel& channel) {
    if (channel.flush != nullptr) channel.flush(channel);
}

void EndLine(TextChannel& channel) {
    if (ioError != 0) return;
    StoreItem(channel, 0, channel.lineEnd);
    if (channel.flush != nullptr) channel.flush(channel);
}

// An empty line answers CR, whatever its line end, and its line end is left for SkipLine, so
// that an empty answer never takes the next line with it.
char ReadChar(TextChannel& channel) {
    if (ioError != 0) return 0;
    if (channel.bufPos >= channel.bufEnd) channel.transfer(channel);
    if (channel.bufPos >= channel.bufEnd) return kEndOfInput;
    char byte = channel.buffer[channel.bufPos];
    if (byte == kLineFeed || byte == kCarriageReturn) return kCarriageReturn;
    ++channel.bufPos;
    return byte;
}

// A line ends at LF, CR LF, a CR followed by anything else, before a byte 26, or at the end of
// input; a CR that ends a fill makes it fill again to look for its LF.
void SkipLine(TextChannel& channel) {
    if (ioError != 0) return;
    if (channel.bufPos >= channel.bufEnd) {
        channel.transfer(channel);
        if (channel.bufPos >= channel.bufEnd) return;
    }
    if (channel.buffer[channel.bufPos] == kEndOfInput) return;
    for (;;) {
        char prev = channel.buffer[channel.bufPos++];
        if (prev == kLineFeed) return;
        if (channel.bufPos >= channel.bufEnd) {
            channel.transfer(channel);
            if (channel.bufPos >= channel.bufEnd) return;
        }
        if (channel.buffer[channel.bufPos] == kEndOfInput) return;
        if (prev == kCarriageReturn) {
            if (channel.buffer[channel.bufPos] == kLineFeed) ++channel.bufPos;
            return;
        }
    }
}

bool InputEnded(const TextChannel& channel) {
    return channel.atEnd && channel.bufPos >= channel.bufEnd;
}

void Fill(TextChannel& channel) {
    ssize_t count;
    do {
        count = read(channel.handle, channel.buffer, channel.bufSize);
    } while (count < 0 && errno == EINTR);
    channel.bufPos = 0;
    channel.bufEnd = count > 0 ? static_cast<std::int32_t>(count) : 0;
    channel.atEnd = count == 0;
    if (count < 0) ioError = static_cast<std::uint16_t>(errno);
}

// Hands the buffered bytes to the platform in one write; a failed or short write drops them.
void WriteOut(TextChannel& channel) {
    if (channel.bufPos == 0) return;
    ssize_t count;
    do {
        count = write(channel.handle, channel.buffer, channel.bufPos);
    } while (count < 0 && errno == EINTR);
    if (count != channel.bufPos) ioError = kWriteFailed;
    channel.bufPos = 0;
}
