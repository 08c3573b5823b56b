#pragma once
// Checked reads and writes on open files, and the names of the temporary files
// that an atomic replacement writes beside its target. Used by FileSystem.cpp and
// ConfinedFiles.cpp only.

#include <filesystem>
#include <string>

namespace velmora::fs::detail {

using NativeName = std::filesystem::path::string_type;

#ifdef _WIN32
using FileHandle = void*;  // a HANDLE
#else
using FileHandle = int;    // a file descriptor
#endif

// Writes every byte, going on after short writes; false at the first failed write.
bool WriteAll(FileHandle file, const std::string& bytes);

// Reads to the end of the file, appending to bytes; false when a read fails, and
// bytes then holds what came before the failure.
bool ReadAll(FileHandle file, std::string& bytes);

// "NAME.tmpSTAMP_COUNT": a name beside name that no other writer in this process picks.
NativeName TemporaryName(const NativeName& name);

// True when candidate has the form TemporaryName(name) gives.
bool IsTemporaryOf(const NativeName& candidate, const NativeName& name);

// True when candidate has that form for some name.
bool IsTemporary(const NativeName& candidate);

}  // namespace velmora::fs::detail
