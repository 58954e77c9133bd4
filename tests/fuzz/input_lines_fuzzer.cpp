// Any bytes, delivered in any fill sizes, read as answers by ReadChar and SkipLine: the answers
// must be those of a straightforward model of the line rules, whatever the fills.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>

#include "runtime/console.h"

namespace {

// An answer is the first byte of a line; the line ends at the first LF, CR or byte 26 after
// it. A LF or CR is part of the line, and so is a LF right after its CR; a 26 is not. An empty
// line, one that begins with its LF or CR, answers CR.
std::string ModelAnswers(std::string_view in) {
    std::string answers;
    std::size_t i = 0;
    while (i < in.size()) {
        std::size_t end = i;
        if (in[i] == '\n' || in[i] == '\r') {
            answers += '\r';
        } else {
            answers += in[i++];
            end = in.find_first_of("\n\r\x1a", i);
            if (end == std::string_view::npos) break;
        }
        i = end;
        if (in[end] == '\x1a') continue;
        ++i;
        if (in[end] == '\r' && i < in.size() && in[i] == '\n') ++i;
    }
    return answers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::minstd_rand fillSizes(data[0] + 1);  // the first byte chooses the fills
    std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds) != 0) std::abort();
    for (std::size_t at = 0; at < bytes.size();) {
        std::size_t fill = std::min<std::size_t>(bytes.size() - at, 1 + fillSizes() % 256);
        if (write(fds[1], bytes.data() + at, fill) != static_cast<ssize_t>(fill)) std::abort();
        at += fill;
    }
    close(fds[1]);
    OpenChannel(input, Direction::Input, fds[0]);
    ioError = 0;
    std::string answers;
    for (;;) {
        char answer = ReadChar(input);
        bool ended = InputEnded(input);
        SkipLine(input);
        if (ioError != 0) std::abort();
        if (ended) break;
        answers += answer;
        if (answers.size() > bytes.size()) std::abort();  // more answers than bytes: a loop
    }
    close(fds[0]);
    if (answers != ModelAnswers(bytes)) std::abort();
    return 0;
}
