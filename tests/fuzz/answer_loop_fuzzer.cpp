// Any bytes as the answers of a whole run: traced and silent games, answers of any length, the
// end of input anywhere. The run must end normally, or with run-time error 101 when its output
// reaches the size limit that bounds a run of silent games; never crash, hang or allocate
// beyond the 60 card records.
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "main/main_loop.h"
#include "runtime/process.h"
#include "runtime/random.h"

namespace {

bool inRun = false;  // set in the child that runs the program
int cardRecords = 0;
std::uint32_t fixedTick = 0;
std::uint32_t FixedTick() {
    return fixedTick++;
}

std::string ReadAll(int fd) {
    std::string bytes(static_cast<std::size_t>(lseek(fd, 0, SEEK_END)), '\0');
    if (pread(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
        std::abort();
    return bytes;
}

}  // namespace

// In the program's run, the allocator of card records is the only user of the nothrow form.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (inRun && ++cardRecords > 60) std::abort();
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int in = memfd_create("in", 0);
    int out = memfd_create("out", 0);
    int err = memfd_create("err", 0);
    if (size > 0 && write(in, data, size) != static_cast<ssize_t>(size)) std::abort();
    lseek(in, 0, SEEK_SET);
    pid_t child = fork();
    if (child == 0) {
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        rlimit outputLimit{1 << 16, 1 << 16};
        setrlimit(RLIMIT_FSIZE, &outputLimit);
        signal(SIGXFSZ, SIG_IGN);
        alarm(20);
        inRun = true;
        fixedTick = static_cast<std::uint32_t>(size) * 2654435761u;
        tickSource = FixedTick;
        RunProgram(MainLoop);
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::string errors = ReadAll(err);
    close(in);
    close(out);
    close(err);
    if (!WIFEXITED(status)) std::abort();
    int exitStatus = WEXITSTATUS(status);
    if (exitStatus == 0 && errors.empty()) return 0;
    if (exitStatus == 101 && errors.rfind("Runtime error 101 at $", 0) == 0) return 0;
    std::abort();
}
