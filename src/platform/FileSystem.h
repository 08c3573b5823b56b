#pragma once
// The file operations the system needs, with fixed semantics and no exceptions.
// Everything else in the core goes through these.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velmora::fs {

using Path = std::filesystem::path;

// '\\' on Windows, '/' elsewhere.
wchar_t Separator();
// The text with every '\\' turned into the platform's separator.
std::wstring WithPlatformSeparators(std::wstring text);
// The text with the separator the system itself writes: on Windows, which takes '/'
// as well, every '/' becomes '\\'; elsewhere the text comes back unchanged.
std::wstring WithNativeSeparators(std::wstring text);
Path ToPath(const std::wstring& text);
std::wstring ToText(const Path& path);

// An absolute path unchanged; a relative one joined to the working folder, without
// "." and ".." steps (unchanged when the working folder is unknown).
std::wstring FullPath(const std::wstring& path);

// path is folder itself or lies below it, step by step (no file-system access: give
// both as full paths without "." and ".." steps).
bool IsWithin(const Path& path, const Path& folder);

// A file or folder exists at path.
bool Exists(const Path& path);
bool IsDirectory(const Path& path);
// A regular file is at path, or a link leads to one (as ReadRegularFile reads).
bool IsRegularFile(const Path& path);

// Creates the folder itself, not its parents; false when it exists already or fails.
bool CreateOneDirectory(const Path& path);

// Copies a file, replacing the target when it exists; false on failure.
bool CopyFileReplacing(const Path& from, const Path& to);

// Moves a file or folder; never replaces an existing target (false then).
bool MoveNoReplace(const Path& from, const Path& to);

// An entry as it is, links not followed: a symbolic link (on Windows a reparse
// point such as a junction), a pipe, a device or a socket is neither a folder nor
// a regular file.
struct DirectoryEntry {
    std::wstring name;
    bool isDirectory;
    bool isRegularFile;
};
// The entries of a folder (without "." and ".."), sorted by name; empty on failure.
std::vector<DirectoryEntry> ListDirectory(const Path& path);
// The same, telling a failure (missing, not a folder, unreadable: false) from an
// empty folder, as the directory copy must.
bool ListDirectoryChecked(const Path& path, std::vector<DirectoryEntry>& entries);

// True when path is a folder with no entries.
bool IsDirectoryEmpty(const Path& path);

// Identifies a file or folder on its volume: two paths with the same identity are
// the same folder (a bind mount or a hard-linked folder shows one folder twice).
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};
// The identity of what path names (links followed); false when it cannot be read.
bool IdentityOf(const Path& path, FileIdentity& identity);

enum class FileRead {
    Whole,        // every byte of the file is in bytes
    Interrupted,  // a read failed part-way; bytes holds what was read before it
    Refused,      // missing, not opened, or not a regular file (folder, pipe, device)
};
// Reads a regular file (a link is followed to one) into bytes, which it replaces.
// A pipe or a device is never opened for reading, so it cannot block or feed
// endless bytes. Throws nothing.
FileRead ReadRegularFile(const Path& path, std::string& bytes);

// ReadRegularFile that is true only for Whole.
bool ReadFileBytes(const Path& path, std::string& bytes);

// Writes bytes to a temporary file beside path, flushes it to the disk and then
// replaces path with it, so the old file stays whole when anything fails; false on
// failure. A symbolic link is written through; an existing file that may not be
// written (read-only) is left as it is (false); the new file keeps the old one's
// permissions. After the replacement, temporary files of path that a killed
// earlier write left beside it are removed.
bool WriteFileAtomically(const Path& path, const std::string& bytes);

}  // namespace velmora::fs
