#include "checkpoint.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kMagic = "pasianssi-census-checkpoint 2";

// FNV-1a over the body, so that a truncated or edited file is refused.
std::uint64_t Digest(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

std::string Body(const Checkpoint& c) {
    std::ostringstream body;
    body << kMagic << "\nfrom " << c.from << "\nto " << c.to << "\ndone " << c.doneTo << "\ngames "
         << c.totals.games << "\nendings";
    for (std::uint64_t e : c.totals.endings) body << ' ' << e;
    body << "\ncards";
    for (std::uint64_t n : c.totals.cardsPlayed) body << ' ' << n;
    body << "\niterations " << c.totals.maxIterations << "\noutcomes " << c.totals.digest << '\n';
    return body.str();
}

[[noreturn]] void Corrupt(const std::string& path, const std::string& why) {
    throw std::runtime_error("checkpoint " + path + " is not usable: " + why);
}

}  // namespace

bool ReadCheckpoint(const std::string& path, Checkpoint& c) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (errno == ENOENT) return false;
        throw std::runtime_error("cannot read checkpoint " + path + ": " + std::strerror(errno));
    }
    std::stringstream whole;
    whole << file.rdbuf();
    std::string text = whole.str();
    std::size_t digestAt = text.rfind("digest ");
    if (text.rfind(kMagic, 0) != 0 || digestAt == std::string::npos)
        Corrupt(path, "not a checkpoint");
    std::string body = text.substr(0, digestAt);
    std::uint64_t digest = 0;
    if (std::istringstream(text.substr(digestAt + 7)) >> digest; digest != Digest(body))
        Corrupt(path, "its contents do not match their digest");

    std::istringstream in(body.substr(std::strlen(kMagic)));
    std::string word;
    auto name = [&](std::string_view expected) {
        return static_cast<bool>(in >> word) && word == expected;
    };
    auto read = [&](auto& value) { return static_cast<bool>(in >> value); };
    auto readAll = [&](auto& values) {
        return std::all_of(std::begin(values), std::end(values), read);
    };
    bool ok = name("from") && read(c.from) && name("to") && read(c.to) && name("done") &&
              read(c.doneTo) && name("games") && read(c.totals.games) && name("endings") &&
              readAll(c.totals.endings) && name("cards") && readAll(c.totals.cardsPlayed) &&
              name("iterations") && read(c.totals.maxIterations) && name("outcomes") &&
              read(c.totals.digest);
    if (!ok) Corrupt(path, "a field is missing or malformed");

    std::uint64_t endings = c.totals.endings[0] + c.totals.endings[1] + c.totals.endings[2];
    std::uint64_t cards = 0;
    for (std::uint64_t n : c.totals.cardsPlayed) cards += n;
    if (c.from > c.doneTo || c.doneTo > c.to || c.totals.games != c.doneTo - c.from ||
        endings != c.totals.games || cards != c.totals.games)
        Corrupt(path, "its counts do not add up");
    return true;
}

void WriteCheckpoint(const std::string& path, const Checkpoint& c) {
    std::string body = Body(c);
    std::string text = body + "digest " + std::to_string(Digest(body)) + "\n";
    std::string temporary = path + ".tmp";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        throw std::runtime_error("cannot write checkpoint " + path + ": " + std::strerror(errno));
    bool written =
        write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && fsync(fd) == 0;
    int savedErrno = errno;
    close(fd);
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        throw std::runtime_error("cannot write checkpoint " + path + ": " +
                                 std::strerror(written ? errno : savedErrno));
    }
}
