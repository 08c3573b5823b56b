#include "platform/FileIo.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace velmora::fs::detail {
namespace {

// Small enough that a file of a few pages is read in several steps, so a read that
// fails part-way is a case the tests can reach.
constexpr std::size_t kReadChunk = 16384;

NativeName Native(const std::string& ascii) { return NativeName(ascii.begin(), ascii.end()); }

bool AllDigits(const NativeName& text, std::size_t from, std::size_t to) {
    if (from >= to) return false;
    return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                       text.begin() + static_cast<std::ptrdiff_t>(to),
                       [](auto c) { return c >= '0' && c <= '9'; });
}

}  // namespace

#ifdef _WIN32
bool WriteAll(FileHandle file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (WriteFile(file, bytes.data() + done, chunk, &written, nullptr) == 0 || written == 0) {
            return false;
        }
        done += written;
    }
    return true;
}

bool ReadAll(FileHandle file, std::string& bytes) {
    char buffer[kReadChunk];
    for (;;) {
        DWORD got = 0;
        if (ReadFile(file, buffer, static_cast<DWORD>(sizeof buffer), &got, nullptr) == 0) return false;
        if (got == 0) return true;
        bytes.append(buffer, got);
    }
}
#else
bool WriteAll(FileHandle file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(file, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

bool ReadAll(FileHandle file, std::string& bytes) {
    char buffer[kReadChunk];
    for (;;) {
        const ssize_t got = ::read(file, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}
#endif

NativeName TemporaryName(const NativeName& name) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    return name + Native(".tmp" + std::to_string(stamp) + "_" + std::to_string(counter++));
}

namespace {

// candidate goes on from position from as ".tmpSTAMP_COUNT" to its end.
bool TemporarySuffixAt(const NativeName& candidate, std::size_t from) {
    const NativeName tmp = Native(".tmp");
    if (candidate.compare(from, tmp.size(), tmp) != 0) return false;
    const std::size_t stamp = from + tmp.size();
    const std::size_t underscore = candidate.find('_', stamp);
    if (underscore == NativeName::npos) return false;
    return AllDigits(candidate, stamp, underscore) &&
           AllDigits(candidate, underscore + 1, candidate.size());
}

}  // namespace

bool IsTemporaryOf(const NativeName& candidate, const NativeName& name) {
    return candidate.size() > name.size() && candidate.compare(0, name.size(), name) == 0 &&
           TemporarySuffixAt(candidate, name.size());
}

bool IsTemporary(const NativeName& candidate) {
    const std::size_t tmp = candidate.rfind(Native(".tmp"));
    return tmp != NativeName::npos && tmp > 0 && TemporarySuffixAt(candidate, tmp);
}

}  // namespace velmora::fs::detail
