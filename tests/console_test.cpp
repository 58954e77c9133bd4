// The console layer: the field rule, write statements and their platform writes, the line rules
// of the answer, and the numbers left in ioError.
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"
#include "runtime/console.h"

namespace {

using namespace std::string_literals;

constexpr char kPata[6] = {'p', 'a', 't', 'a', 0, 0};
constexpr char kHertta[6] = {'h', 'e', 'r', 't', 't', 'a'};

// A packet socket keeps the boundaries of every write and delivers one packet per read, so a
// test sees each platform write and controls each fill.
struct PacketPair {
    int program;
    int test;
    PacketPair() {
        int fds[2];
        EXPECT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds), 0);
        program = fds[0];
        test = fds[1];
    }
    ~PacketPair() {
        close(program);
        if (test >= 0) close(test);
    }
    std::vector<std::string> Packets() {
        shutdown(program, SHUT_WR);
        std::vector<std::string> packets;
        char buffer[1024];
        ssize_t n;
        while ((n = read(test, buffer, sizeof buffer)) > 0) packets.emplace_back(buffer, n);
        return packets;
    }
    void Send(const std::vector<std::string>& fills) {
        for (const auto& fill : fills)
            ASSERT_EQ(write(test, fill.data(), fill.size()), ssize_t(fill.size()));
        close(test);
        test = -1;
    }
};

struct ItemCase {
    const char* name;
    void (*write)(TextChannel&);
    std::string bytes;
};

void PrintTo(const ItemCase& c, std::ostream* os) {
    *os << c.name;
}

class FieldRule : public testing::TestWithParam<ItemCase> {};

TEST_P(FieldRule, WritesItemRightAlignedAndNeverCut) {
    std::string written = CaptureOutput([] {
        GetParam().write(output);
        EndWrite(output);
    });
    EXPECT_EQ(written, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Items, FieldRule,
    testing::Values(
        ItemCase{"TextPadded", [](TextChannel& c) { WriteText(c, 5, "abc"); }, "  abc"},
        ItemCase{"TextLonger", [](TextChannel& c) { WriteText(c, 2, "abc"); }, "abc"},
        ItemCase{"EmptyText", [](TextChannel& c) { WriteText(c, 3, ""); }, "   "},
        ItemCase{"FieldWithNuls", [](TextChannel& c) { WriteField(c, 7, kPata); }, " pata\0\0"s},
        ItemCase{"FieldLonger", [](TextChannel& c) { WriteField(c, 4, kPata); }, "pata\0\0"s},
        ItemCase{"FieldWider", [](TextChannel& c) { WriteField(c, 8, kHertta); }, "  hertta"},
        ItemCase{"IntPadded", [](TextChannel& c) { WriteInt(c, 3, 5); }, "  5"},
        ItemCase{"NegativeInt", [](TextChannel& c) { WriteInt(c, 3, -5); }, " -5"},
        ItemCase{"IntLonger", [](TextChannel& c) { WriteInt(c, 3, 12345); }, "12345"},
        ItemCase{"Zero", [](TextChannel& c) { WriteInt(c, 0, 0); }, "0"},
        ItemCase{"Smallest", [](TextChannel& c) { WriteInt(c, 0, INT32_MIN); }, "-2147483648"},
        ItemCase{"NegativeWidth", [](TextChannel& c) { WriteInt(c, -4, 7); }, "7"},
        ItemCase{"Char", [](TextChannel& c) { WriteChar(c, 0, ':'); }, ":"},
        ItemCase{"CharPadded", [](TextChannel& c) { WriteChar(c, 3, ':'); }, "  :"},
        ItemCase{"Float", [](TextChannel& c) { WriteFloat(c, 0.0); }, " 0.0000000000000000E+000"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteStatement, GoesOutAsOneWriteEndedByCrLf) {
    PacketPair pair;
    OpenChannel(output, Direction::Output, pair.program);
    ioError = 0;
    WriteText(output, 0, "Apurivi:");
    WriteInt(output, 4, 12);
    EndLine(output);
    WriteText(output, 0, "open");
    EndWrite(output);
    EXPECT_EQ(pair.Packets(), (std::vector<std::string>{"Apurivi:  12\r\n", "open"}));
    EXPECT_EQ(ioError, 0);
}

TEST(WriteStatement, LongerThanTheBufferGoesOutInPiecesOf256) {
    PacketPair pair;
    OpenChannel(output, Direction::Output, pair.program);
    ioError = 0;
    WriteText(output, 0, std::string(200, 'a'));
    WriteText(output, 0, std::string(200, 'b'));
    EndLine(output);
    auto packets = pair.Packets();
    ASSERT_EQ(packets.size(), 2u);
    EXPECT_EQ(packets[0], std::string(200, 'a') + std::string(56, 'b'));
    EXPECT_EQ(packets[1], std::string(144, 'b') + "\r\n");
}

TEST(WriteStatement, FailedWriteLeaves101AndLaterItemsDoNothing) {
    int fd = open("/dev/full", O_WRONLY);
    ASSERT_GE(fd, 0);
    OpenChannel(output, Direction::Output, fd);
    ioError = 0;
    WriteText(output, 0, "Syota");
    EXPECT_EQ(ioError, 0) << "nothing reaches the platform before the statement ends";
    EndLine(output);
    EXPECT_EQ(ioError, kWriteFailed);
    EXPECT_EQ(output.bufPos, 0) << "bytes that did not go out are dropped";
    WriteText(output, 0, "more");
    EXPECT_EQ(output.bufPos, 0);
    EXPECT_EQ(ReadChar(input), 0) << "a pending error makes reads yield 0";
    close(fd);
    ioError = 0;
}

TEST(WriteStatement, ReaderGoneIsAFailedWrite) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]);
    signal(SIGPIPE, SIG_IGN);
    OpenChannel(output, Direction::Output, fds[1]);
    ioError = 0;
    WriteText(output, 0, "x");
    EndWrite(output);
    EXPECT_EQ(ioError, kWriteFailed);
    close(fds[1]);
    ioError = 0;
}

// Each case: the fills as the platform delivers them, then the answers that repeated
// ReadChar + SkipLine statements read.
struct LineCase {
    const char* name;
    std::vector<std::string> fills;
    std::string answers;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

class AnswerLines : public testing::TestWithParam<LineCase> {};

TEST_P(AnswerLines, ReadCharThenSkipLine) {
    PacketPair pair;
    pair.Send(GetParam().fills);
    OpenChannel(input, Direction::Input, pair.program);
    ioError = 0;
    std::string answers;
    for (std::size_t i = 0; i < GetParam().answers.size(); ++i) {
        answers += ReadChar(input);
        SkipLine(input);
    }
    EXPECT_EQ(answers, GetParam().answers);
    EXPECT_EQ(ioError, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, AnswerLines,
    testing::Values(LineCase{"CrLf", {"t\r\nx\r\n"}, "tx\x1a\x1a"},
                    LineCase{"EmptyConsoleLine", {"\r\n", "s\r\n"}, "\rs\x1a"},
                    LineCase{"RestOfLineDiscarded", {"tx\r\nl\r\n"}, "tl\x1a"},
                    LineCase{"LfOnly", {"t\nl\n"}, "tl\x1a"},
                    LineCase{"EmptyLfLine", {"\nx\ny\n"}, "\rxy\x1a"},
                    LineCase{"EmptyLoneCrLine", {"\rx\r\ry\r"}, "\rx\ry\x1a"},
                    LineCase{"EmptyLinesInARow", {"\n\r\n\n", "\r", "\nt\n"}, "\r\r\r\rt\x1a"},
                    LineCase{"EmptyLineThenByteTwentySix", {"\r\x1a\n"}, "\r\x1a\x1a\x1a"},
                    LineCase{"LoneCr", {"t\rx\r\n"}, "tx\x1a"},
                    LineCase{"ByteTwentySixInLine", {"x\x1ayz\r\nq\r\n"}, "x\x1aq\x1a"},
                    LineCase{"CrEndingAFill", {"t\r", "\nq\n"}, "tq\x1a"},
                    LineCase{"CrEndingAFillThenOther", {"t\r", "q\n"}, "tq\x1a"},
                    LineCase{
                        "LineAcrossFills",
                        {std::string("a").append(255, 'z'), std::string(256, 'z'), "zz\r\nb\r\n"},
                        "ab\x1a"},
                    LineCase{"EndWithoutLineEnd", {"x"}, "x\x1a\x1a"},
                    LineCase{"NothingAtAll", {}, "\x1a\x1a\x1a"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AnswerLines, LongLineFromAPipeIsDiscarded) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::string bytes = std::string(300, 'q') + "\r\nl\r\n";
    ASSERT_EQ(write(fds[1], bytes.data(), bytes.size()), ssize_t(bytes.size()));
    close(fds[1]);
    OpenChannel(input, Direction::Input, fds[0]);
    ioError = 0;
    EXPECT_EQ(ReadChar(input), 'q');
    SkipLine(input);
    EXPECT_EQ(ReadChar(input), 'l');
    close(fds[0]);
}

TEST(AnswerLines, EndOfInputIsToldFromAByteTwentySix) {
    PacketPair pair;
    pair.Send({"\x1a\r\n", "\x1a"});
    OpenChannel(input, Direction::Input, pair.program);
    EXPECT_EQ(ReadChar(input), kEndOfInput);
    EXPECT_FALSE(InputEnded(input));
    SkipLine(input);
    EXPECT_EQ(ReadChar(input), kEndOfInput);
    EXPECT_FALSE(InputEnded(input)) << "the last byte of a fill is still data";
    SkipLine(input);
    EXPECT_EQ(ReadChar(input), kEndOfInput);
    EXPECT_TRUE(InputEnded(input));
}

TEST(ReadFailure, LeavesTheErrorNumber) {
    struct Case {
        int fd;
        std::uint16_t number;
    };
    int directory = open("/", O_RDONLY | O_DIRECTORY);
    for (Case c : {Case{directory, 21}, Case{999, 9}}) {
        OpenChannel(input, Direction::Input, c.fd);
        ioError = 0;
        EXPECT_EQ(ReadChar(input), kEndOfInput);
        EXPECT_EQ(ioError, c.number);
        ioError = 0;
    }
    close(directory);
}

}  // namespace
