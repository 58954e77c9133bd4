#include "harness.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <new>
#include <sstream>
#include <stdexcept>

#include "main/main_loop.h"
#include "main/run_state.h"
#include "runtime/console.h"
#include "runtime/process.h"
#include "runtime/random.h"
#include "table/deal.h"

namespace {

std::string ReadAll(int fd) {
    std::string bytes;
    lseek(fd, 0, SEEK_SET);
    char chunk[4096];
    ssize_t n;
    while ((n = read(fd, chunk, sizeof chunk)) > 0) bytes.append(chunk, static_cast<size_t>(n));
    return bytes;
}

int MemoryFile(std::string_view contents = {}) {
    int fd = memfd_create("pasianssi-test", 0);
    if (fd < 0) throw std::runtime_error("memfd_create failed");
    if (!contents.empty() &&
        write(fd, contents.data(), contents.size()) != static_cast<ssize_t>(contents.size()))
        throw std::runtime_error("write to memfd failed");
    lseek(fd, 0, SEEK_SET);
    return fd;
}

int DecodeStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

std::deque<Card> cardStore;  // records of test positions, stable across insertions

std::vector<std::uint32_t> childTicks;
std::size_t nextTick = 0;

std::uint32_t TickFromList() {
    std::uint32_t tick = childTicks[nextTick];
    if (nextTick + 1 < childTicks.size()) ++nextTick;
    return tick;
}

}  // namespace

std::string CaptureOutput(const std::function<void()>& body, char traceMode) {
    int fd = MemoryFile();
    OpenChannel(output, Direction::Output, fd);
    ioError = 0;
    char savedMode = mode;
    mode = traceMode;
    body();
    mode = savedMode;
    std::string bytes = ReadAll(fd);
    close(fd);
    return bytes;
}

void ClearTable() {
    for (auto& pile : peruspakat) pile = nullptr;
    for (auto& pile : apurivi) pile = nullptr;
    piilopino = kasipakka = nakyvakasipakka = pakka = cardPool = nullptr;
    deckSize = 56;
    kierros = 1;
    FillSuitNames();
    for (int s = 1; s <= kSuits; ++s) SetFoundation(s, 1);
}

Pile MakePile(std::initializer_list<CardSpec> fromTop) {
    Pile pile = nullptr;
    for (auto it = std::rbegin(fromTop); it != std::rend(fromTop); ++it) {
        Card& card = cardStore.emplace_back(
            Card{static_cast<std::uint8_t>(it->suit), static_cast<std::uint8_t>(it->rank), pile});
        pile = &card;
    }
    return pile;
}

void SetFoundation(int suit, int topRank) {
    peruspakat[suit] = nullptr;
    for (int rank = 1; rank <= topRank; ++rank) {
        Card& card = cardStore.emplace_back(Card{
            static_cast<std::uint8_t>(suit), static_cast<std::uint8_t>(rank), peruspakat[suit]});
        peruspakat[suit] = &card;
    }
}

std::vector<CardSpec> Cards(Pile pile) {
    std::vector<CardSpec> cards;
    for (; pile != nullptr; pile = pile->next) cards.push_back({pile->suit, pile->rank});
    return cards;
}

bool operator==(const CardSpec& a, const CardSpec& b) {
    return a.suit == b.suit && a.rank == b.rank;
}

void DealFromTick(std::uint32_t tick) {
    for (auto& pile : peruspakat) pile = nullptr;
    for (auto& pile : apurivi) pile = nullptr;
    piilopino = kasipakka = nakyvakasipakka = pakka = nullptr;
    deckSize = 56;
    FillSuitNames();
    RandSeed = 0;
    seedMark = 0;
    wordIndex = 625;
    childTicks = {tick};
    nextTick = 0;
    auto saved = tickSource;
    tickSource = TickFromList;
    ShuffleDeck();
    DealTable();
    tickSource = saved;
    kierros = 1;
}

void ReleaseCards() {
    CollectCards();
    while (!IsEmpty(cardPool)) {
        Card* record = cardPool;
        cardPool = record->next;
        delete record;
    }
}

RunResult RunProgramInChild(std::string_view stdinBytes, std::vector<std::uint32_t> ticks,
                            void (*entry)()) {
    int in = MemoryFile(stdinBytes);
    int out = MemoryFile();
    int err = MemoryFile();
    pid_t child = fork();
    if (child == 0) {
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        childTicks = std::move(ticks);
        nextTick = 0;
        tickSource = TickFromList;
        RunProgram(entry != nullptr ? entry : MainLoop);
    }
    int status = 0;
    waitpid(child, &status, 0);
    RunResult result{ReadAll(out), ReadAll(err), DecodeStatus(status)};
    close(in);
    close(out);
    close(err);
    return result;
}

RunResult RunProgramIntoPipe(std::string_view stdinBytes, std::vector<std::uint32_t> ticks,
                             std::size_t keepBytes, long* inputConsumed) {
    int in = MemoryFile(stdinBytes);
    int err = MemoryFile();
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    if (keepBytes == 0) close(fds[0]);
    pid_t child = fork();
    if (child == 0) {
        dup2(in, STDIN_FILENO);
        dup2(fds[1], STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        if (keepBytes != 0) close(fds[0]);
        close(fds[1]);
        childTicks = std::move(ticks);
        nextTick = 0;
        tickSource = TickFromList;
        RunProgram(MainLoop);
    }
    close(fds[1]);
    std::string kept;
    if (keepBytes != 0) {
        char chunk[4096];
        while (kept.size() < keepBytes) {
            ssize_t n = read(fds[0], chunk, std::min(sizeof chunk, keepBytes - kept.size()));
            if (n <= 0) break;
            kept.append(chunk, static_cast<size_t>(n));
        }
        close(fds[0]);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (inputConsumed != nullptr) *inputConsumed = lseek(in, 0, SEEK_CUR);
    RunResult result{kept, ReadAll(err), DecodeStatus(status)};
    close(in);
    close(err);
    return result;
}

RunResult RunCommand(std::string_view stdinBytes, const std::string& command) {
    char dir[] = "/tmp/pasianssi-test-XXXXXX";
    if (mkdtemp(dir) == nullptr) throw std::runtime_error("mkdtemp failed");
    std::string base = dir;
    std::ofstream(base + "/in", std::ios::binary) << stdinBytes;
    // The command's own redirections come last, so that they override these.
    std::string line =
        "exec <'" + base + "/in' >'" + base + "/out' 2>'" + base + "/err' " + command;
    int status = std::system(line.c_str());
    auto slurp = [](const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    };
    RunResult result{slurp(base + "/out"), slurp(base + "/err"), DecodeStatus(status)};
    std::system(("rm -rf '" + base + "'").c_str());
    return result;
}

RunResult RunExecutable(std::string_view stdinBytes, const std::string& redirections,
                        const std::string& wrapper) {
    return RunCommand(stdinBytes, wrapper + " '" PASIANSSI_BINARY "' " + redirections);
}

int memoryRequests = 0;
bool refuseMemory = false;

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++memoryRequests;
    if (refuseMemory) return nullptr;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

std::string FunctionAt(const std::string& executable, const std::string& hexAddress) {
    // With debug information addr2line lists the inlined calls too, innermost first: the
    // function that really holds the address is the last one named.
    std::string command = "addr2line -f -i -C -e '" + executable + "' 0x" + hexAddress;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "";
    std::string name;
    char line[512];
    for (bool isName = true; fgets(line, sizeof line, pipe) != nullptr; isName = !isName)
        if (isName) name = line;
    pclose(pipe);
    // Keep the bare name: no namespace, parameters or clone suffix.
    name = name.substr(
        0,
        name.find_first_of("( \n", name.rfind("::") == std::string::npos ? 0 : name.rfind("::")));
    std::size_t scope = name.rfind("::");
    return scope == std::string::npos ? name : name.substr(scope + 2);
}

std::vector<std::string> Lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string_view::npos;
         start = end + 2)
        lines.emplace_back(text.substr(start, end - start));
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string Visible(std::string_view text) {
    std::string shown(text);
    for (char& c : shown)
        if (c == '\0') c = '.';
    return shown;
}
