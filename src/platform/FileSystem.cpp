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

std::wstring FullPath(const std::wstring& path) {
    const Path given = ToPath(path);
    if (given.is_absolute()) return path;
    std::error_code error;
    const Path full = stdfs::absolute(given, error);
    return error ? path : ToText(full.lexically_normal());
}

bool IsWithin(const Path& path, const Path& folder) {
    auto step = path.begin();
    for (const Path& part : folder) {
        if (part.empty()) continue;  // the end of a trailing separator
        if (step == path.end() || *step != part) return false;
        ++step;
    }
    return true;
}

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

// Writes the whole file and flushes it to the disk, so that once it replaces the old
// file a crash or power loss cannot leave an empty or partial file in its place.
#ifdef _WIN32
bool WriteBytes(const Path& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        ok = WriteFile(file, bytes.data() + done, chunk, &written, nullptr) != 0 && written > 0;
        done += written;
    }
    ok = ok && FlushFileBuffers(file) != 0;
    return CloseHandle(file) != 0 && ok;
}
#else
bool WriteBytes(const Path& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        ok = written > 0;
        if (ok) done += static_cast<std::size_t>(written);
    }
    ok = ok && ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}
#endif

// The file a write to path replaces: a symbolic link is written through, as opening
// it for writing would do, instead of being turned into a plain file.
Path ReplacementTarget(const Path& path) {
    std::error_code ec;
    if (!stdfs::is_symlink(path, ec)) return path;
    Path resolved = stdfs::canonical(path, ec);
    return ec ? path : resolved;
}

// An existing file that may not be written keeps its content, as it would for a
// plain open for writing: replacing it by a rename would ignore its read-only mark.
bool MayReplace(const Path& target) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(target.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0;
#else
    return ::access(target.c_str(), F_OK) != 0 || ::access(target.c_str(), W_OK) == 0;
#endif
}

// The new file gets the old one's permissions, so a save does not widen or narrow them.
void KeepPermissions(const Path& from, const Path& to) {
    std::error_code ec;
    const stdfs::file_status status = stdfs::status(from, ec);
    if (!ec && stdfs::exists(status)) stdfs::permissions(to, status.permissions(), ec);
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
    if (!ListDirectoryChecked(path, entries)) entries.clear();
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
    const Path target = ReplacementTarget(path);
    if (!MayReplace(target)) return false;
    const Path temp = TemporarySibling(target);
    if (!WriteBytes(temp, bytes)) {
        RemoveQuietly(temp);
        return false;
    }
    KeepPermissions(target, temp);
    if (!ReplaceWith(temp, target)) {
        RemoveQuietly(temp);
        return false;
    }
    return true;
}

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
