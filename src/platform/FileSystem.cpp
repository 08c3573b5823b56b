#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>
#endif

namespace velmora::fs {
namespace stdfs = std::filesystem;

wchar_t Separator() {
#ifdef _WIN32
    return L'\\';
#else
    return L'/';
#endif
}

std::wstring WithPlatformSeparators(std::wstring text) {
    std::replace(text.begin(), text.end(), L'\\', Separator());
    return text;
}

std::wstring WithNativeSeparators(std::wstring text) {
#ifdef _WIN32
    std::replace(text.begin(), text.end(), L'/', L'\\');
#endif
    return text;
}

#ifdef _WIN32
Path ToPath(const std::wstring& text) { return Path(text); }

std::wstring ToText(const Path& path) { return path.wstring(); }
#else
// File names are the narrow code page's bytes. The C++ library would convert wide
// names through its own (classic) locale and throw on anything beyond ASCII.
Path ToPath(const std::wstring& text) { return Path(ToNarrow(text)); }

std::wstring ToText(const Path& path) { return ToWide(path.native()); }
#endif

bool Exists(const Path& path) {
    std::error_code ec;
    return !path.empty() && stdfs::exists(path, ec);
}

bool IsDirectory(const Path& path) {
    std::error_code ec;
    return stdfs::is_directory(path, ec);
}

bool CreateOneDirectory(const Path& path) {
#ifdef _WIN32
    return CreateDirectoryW(path.c_str(), nullptr) != 0;
#else
    std::error_code ec;
    if (Exists(path)) return false;
    return stdfs::create_directory(path, ec) && !ec;
#endif
}

namespace {

// A name beside target that no other writer in this process picks.
Path TemporarySibling(const Path& target) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    Path temp = target;
    temp += L".tmp" + std::to_wstring(stamp) + L"_" + std::to_wstring(counter++);
    return temp;
}

bool WriteBytes(const Path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    return static_cast<bool>(out);
}

// Replaces target with source in one step where the system allows it.
bool ReplaceWith(const Path& source, const Path& target) {
#ifdef _WIN32
    return MoveFileExW(source.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(source.c_str(), target.c_str()) == 0;
#endif
}

void RemoveQuietly(const Path& path) {
    std::error_code ec;
    stdfs::remove(path, ec);
}

}  // namespace

bool CopyFileReplacing(const Path& from, const Path& to) {
#ifdef _WIN32
    // The C++ library's overwrite flag is unreliable here; the system call replaces.
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
#else
    std::error_code ec;
    if (!stdfs::is_regular_file(from, ec)) return false;
    return stdfs::copy_file(from, to, stdfs::copy_options::overwrite_existing, ec) && !ec;
#endif
}

bool MoveNoReplace(const Path& from, const Path& to) {
#ifdef _WIN32
    return MoveFileW(from.c_str(), to.c_str()) != 0;
#else
    if (!Exists(from)) return false;
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    // Fallback for file systems without an atomic no-replace rename.
    if (Exists(to)) return false;
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

std::vector<DirectoryEntry> ListDirectory(const Path& path) {
    std::vector<DirectoryEntry> entries;
    std::error_code ec;
    stdfs::directory_iterator it(path, ec);
    if (ec) return entries;
    for (const stdfs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        std::error_code typeError;
        entries.push_back({ToText(it->path().filename()), it->is_directory(typeError)});
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    return entries;
}

bool IsDirectoryEmpty(const Path& path) {
    std::error_code ec;
    if (!stdfs::is_directory(path, ec)) return false;
    return stdfs::is_empty(path, ec) && !ec;
}

bool ReadFileBytes(const Path& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteFileAtomically(const Path& path, const std::string& bytes) {
    const Path temp = TemporarySibling(path);
    if (!WriteBytes(temp, bytes) || !ReplaceWith(temp, path)) {
        RemoveQuietly(temp);
        return false;
    }
    return true;
}

// --- Addition for the directory copy.
bool ListDirectoryChecked(const Path& path, std::vector<DirectoryEntry>& entries) {
    entries.clear();
    std::error_code ec;
    stdfs::directory_iterator it(path, ec);
    if (ec) return false;
    for (const stdfs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) return false;
        std::error_code typeError;
        entries.push_back({ToText(it->path().filename()), it->is_directory(typeError)});
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    return true;
}

}  // namespace velmora::fs
