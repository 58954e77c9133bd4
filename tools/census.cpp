#include "census.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Ticks per block: the unit of work of a worker, of ordering and of checkpoints.
constexpr std::uint64_t kBlockTicks = 1 << 16;

struct BlockHeader {
    std::uint64_t index;
    CensusTotals totals;
    std::uint32_t listedCount;
};

struct BlockResult {
    CensusTotals totals;
    std::vector<std::uint32_t> listed;
};

void WriteAll(int fd, const void* data, std::size_t size) {
    auto bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(fd, bytes, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) _exit(1);
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
}

// Reads exactly size bytes; false at the end of the pipe before the first byte.
bool ReadAll(int fd, void* data, std::size_t size) {
    auto bytes = static_cast<char*>(data);
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = read(fd, bytes + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::runtime_error("cannot read from a worker");
        if (n == 0) {
            if (got == 0) return false;
            throw std::runtime_error("a worker ended in the middle of a result");
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

// Blocks worker, worker + jobs, worker + 2 jobs, ...: each one played and sent whole.
[[noreturn]] void RunWorker(int worker, int jobs, std::uint64_t from, std::uint64_t to,
                            std::optional<Ending> listed, int fd) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    PrepareEngine();
    std::uint64_t blocks = (to - from + kBlockTicks - 1) / kBlockTicks;
    std::vector<std::uint32_t> ticks;
    static SeedBatch batch;
    for (std::uint64_t b = static_cast<std::uint64_t>(worker); b < blocks;
         b += static_cast<std::uint64_t>(jobs)) {
        BlockHeader header{b, {}, 0};
        ticks.clear();
        std::uint64_t start = from + b * kBlockTicks;
        std::uint64_t end = std::min(to, start + kBlockTicks);
        bool batched = false;
        for (std::uint64_t t = start; t < end; ++t) {
            auto tick = static_cast<std::uint32_t>(t);
            if ((t - start) % kBatchDeals == 0) {
                batched = end - t >= kBatchDeals;
                if (batched) SeedBatchOfDeals(tick, batch);
            }
            DealOutcome outcome = PlayDeal(tick, batched ? &batch : nullptr);
            Add(header.totals, outcome);
            if (listed && outcome.ending == *listed) ticks.push_back(tick);
        }
        header.listedCount = static_cast<std::uint32_t>(ticks.size());
        WriteAll(fd, &header, sizeof header);
        WriteAll(fd, ticks.data(), ticks.size() * sizeof ticks[0]);
    }
    _exit(0);
}

struct Worker {
    pid_t pid;
    int fd;
};

// Stops the workers however the census ends, a failed checkpoint write included.
struct Workers {
    std::vector<Worker> list;
    ~Workers() {
        for (Worker& w : list) {
            if (w.fd >= 0) {
                kill(w.pid, SIGKILL);
                close(w.fd);
            }
            waitpid(w.pid, nullptr, 0);
        }
    }
};

}  // namespace

void Add(CensusTotals& totals, const DealOutcome& outcome) {
    ++totals.games;
    ++totals.endings[static_cast<int>(outcome.ending)];
    ++totals.cardsPlayed[outcome.cardsPlayed];
    totals.maxIterations =
        std::max(totals.maxIterations, static_cast<std::uint32_t>(outcome.iterations));
}

void Merge(CensusTotals& totals, const CensusTotals& more) {
    totals.games += more.games;
    for (int e = 0; e < 3; ++e) totals.endings[e] += more.endings[e];
    for (int c = 0; c <= kPlayingCards; ++c) totals.cardsPlayed[c] += more.cardsPlayed[c];
    totals.maxIterations = std::max(totals.maxIterations, more.maxIterations);
}

std::uint64_t RunCensus(std::uint64_t from, std::uint64_t to, const CensusOptions& options,
                        CensusTotals& totals) {
    std::uint64_t blocks = (to - from + kBlockTicks - 1) / kBlockTicks;
    int jobs =
        static_cast<int>(std::min<std::uint64_t>(static_cast<std::uint64_t>(options.jobs), blocks));
    Workers running;
    std::vector<Worker>& workers = running.list;
    for (int w = 0; w < jobs; ++w) {
        int fds[2];
        if (pipe(fds) != 0) throw std::runtime_error("cannot make a pipe for a worker");
        pid_t pid = fork();
        if (pid < 0) throw std::runtime_error("cannot start a worker process");
        if (pid == 0) {
            close(fds[0]);
            for (const Worker& other : workers) close(other.fd);
            // The census decides what an interruption means; the workers just get stopped.
            signal(SIGINT, SIG_IGN);
            RunWorker(w, jobs, from, to, options.listed, fds[1]);
        }
        close(fds[1]);
        workers.push_back({pid, fds[0]});
    }

    std::map<std::uint64_t, BlockResult> pending;
    std::uint64_t next = 0;  // the first block not yet taken in order
    bool stopped = false;
    int open = jobs;
    while (next < blocks && !stopped && open > 0) {
        if (options.interrupted != nullptr && *options.interrupted) break;
        std::vector<pollfd> polled;
        for (const Worker& w : workers)
            if (w.fd >= 0) polled.push_back({w.fd, POLLIN, 0});
        if (poll(polled.data(), polled.size(), -1) < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("cannot wait for the workers");
        }
        for (const pollfd& p : polled) {
            if (p.revents == 0) continue;
            Worker& w = *std::find_if(workers.begin(), workers.end(),
                                      [&](const Worker& x) { return x.fd == p.fd; });
            BlockHeader header;
            if (!ReadAll(w.fd, &header, sizeof header)) {
                close(w.fd);
                w.fd = -1;
                --open;
                continue;
            }
            BlockResult& result = pending[header.index];
            result.totals = header.totals;
            result.listed.resize(header.listedCount);
            ReadAll(w.fd, result.listed.data(), result.listed.size() * sizeof(std::uint32_t));
        }
        for (auto it = pending.find(next); it != pending.end() && !stopped;
             it = pending.find(next)) {
            Merge(totals, it->second.totals);
            for (std::uint32_t tick : it->second.listed)
                if (!options.onListed(tick)) {
                    stopped = true;
                    break;
                }
            pending.erase(it);
            ++next;
            if (options.onProgress)
                options.onProgress(std::min(to, from + next * kBlockTicks), totals);
        }
    }
    bool interrupted = options.interrupted != nullptr && *options.interrupted;
    if (next < blocks && !stopped && !interrupted)
        throw std::runtime_error("a worker process ended early");
    return std::min(to, from + next * kBlockTicks);
}
