#include "platform/FileSystem.h"
#include "platform/FileIo.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
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

bool IsRegularFile(const Path& path) {
    std::error_code ec;
    return stdfs::is_regular_file(path, ec);
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

Path TemporarySibling(const Path& target) {
    return target.parent_path() / detail::TemporaryName(target.filename().native());
}

// Writes the whole file and flushes it to the disk, so that once it replaces the old
// file a crash or power loss cannot leave an empty or partial file in its place.
#ifdef _WIN32
bool WriteBytes(const Path& path, const std::string& bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = detail::WriteAll(file, bytes) && FlushFileBuffers(file) != 0;
    return CloseHandle(file) != 0 && ok;
}
#else
bool WriteBytes(const Path& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const bool ok = detail::WriteAll(fd, bytes) && ::fsync(fd) == 0;
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

// A write killed before its rename leaves its temporary file behind; the next
// successful one clears them. Only regular files of the temporary names go.
void RemoveStaleTemporaries(const Path& target) {
    std::error_code ec;
    const Path folder = target.parent_path().empty() ? Path(".") : target.parent_path();
    stdfs::directory_iterator it(folder, ec);
    for (const stdfs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        if (!detail::IsTemporaryOf(it->path().filename().native(), target.filename().native())) {
            continue;
        }
        std::error_code typeError;
        if (it->symlink_status(typeError).type() == stdfs::file_type::regular) {
            RemoveQuietly(it->path());
        }
    }
}

#ifdef _WIN32
// A regular file opened for reading, or INVALID_HANDLE_VALUE: pipes, consoles and
// other devices are closed again at once.
HANDLE OpenRegularForReading(const Path& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return file;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) != FILE_TYPE_DISK || GetFileInformationByHandle(file, &info) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}
#else
// A regular file opened for reading, or -1. Looked at first, so no device is ever
// opened; O_NONBLOCK, so a pipe swapped in meanwhile does not wait for a writer
// before fstat refuses it.
int OpenRegularForReading(const Path& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fd;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}
#endif

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

namespace {

#ifdef _WIN32
// The C++ library's view of junctions varies; the attributes tell them apart.
DirectoryEntry EntryOf(const stdfs::directory_entry& entry) {
    const DWORD attributes = GetFileAttributesW(entry.path().c_str());
    const bool plain = attributes != INVALID_FILE_ATTRIBUTES &&
                       (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
    const bool folder = plain && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return {ToText(entry.path().filename()), folder, plain && !folder};
}
#else
DirectoryEntry EntryOf(const stdfs::directory_entry& entry) {
    std::error_code ec;
    const stdfs::file_type type = entry.symlink_status(ec).type();
    return {ToText(entry.path().filename()), type == stdfs::file_type::directory,
            type == stdfs::file_type::regular};
}
#endif

}  // namespace

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

FileRead ReadRegularFile(const Path& path, std::string& bytes) {
    bytes.clear();
    const auto file = OpenRegularForReading(path);
#ifdef _WIN32
    if (file == INVALID_HANDLE_VALUE) return FileRead::Refused;
    const bool whole = detail::ReadAll(file, bytes);
    CloseHandle(file);
#else
    if (file < 0) return FileRead::Refused;
    const bool whole = detail::ReadAll(file, bytes);
    ::close(file);
#endif
    return whole ? FileRead::Whole : FileRead::Interrupted;
}

bool ReadFileBytes(const Path& path, std::string& bytes) {
    return ReadRegularFile(path, bytes) == FileRead::Whole;
}

#ifdef _WIN32
bool IdentityOf(const Path& path, FileIdentity& identity) {
    const HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    if (!ok) return false;
    identity.volume = info.dwVolumeSerialNumber;
    identity.index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}
#else
bool IdentityOf(const Path& path, FileIdentity& identity) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return false;
    identity.volume = static_cast<std::uint64_t>(status.st_dev);
    identity.index = static_cast<std::uint64_t>(status.st_ino);
    return true;
}
#endif

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
    RemoveStaleTemporaries(target);
    return true;
}

bool ListDirectoryChecked(const Path& path, std::vector<DirectoryEntry>& entries) {
    entries.clear();
    std::error_code ec;
    stdfs::directory_iterator it(path, ec);
    if (ec) return false;
    for (const stdfs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) return false;
        entries.push_back(EntryOf(*it));
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.name < b.name; });
    return true;
}

}  // namespace velmora::fs
