// Any bytes as the output of a run: either a page, or one line that names a line of the input and
// what was expected there; never a crash or a hang.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "page.h"
#include "trace.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        std::string page =
            ReplayPage(ReadRun(std::string_view(reinterpret_cast<const char*>(data), size)));
        if (!page.starts_with("<!DOCTYPE html>") ||
            page.find("</script>\n</body>") == std::string::npos)
            std::abort();
    } catch (const TraceError& error) {
        std::string_view message = error.what();
        if (!message.starts_with("line ") || message.find_first_of("\r\n") != std::string::npos)
            std::abort();
    }
    return 0;
}
