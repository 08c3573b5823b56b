#pragma once
// The confined operations as the disk carries them out at once, and what a batch
// keeps of the files written into it before they reach the disk. Used by
// ConfinedFiles.cpp, which implements these per system, and ConfinedStaging.cpp,
// which puts a batch's files in front of them.

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ConfinedFiles.h"
#include "platform/FileIo.h"

namespace velmora::fs::disk {

using Permissions = std::optional<std::uint32_t>;  // a new file's; none: the system's default

// The steps from root down to path, or nothing when path does not lie below root.
std::optional<std::vector<detail::NativeName>> StepsBelow(const Path& root, const Path& path);

ConfinedKind Kind(const Path& root, const Path& path);
Confined Read(const Path& root, const Path& path, std::string& bytes);
Confined Write(const Path& root, const Path& path, const std::string& bytes, Permissions mode);
Confined Move(const Path& root, const Path& from, const Path& to, bool replace);
Confined Remove(const Path& root, const Path& path);
Confined MakeFolder(const Path& root, const Path& path);
// Done when a write to path could go ahead now: its folder is there and reached
// without a link, and what stands at path is a regular file that may be written,
// or nothing. Otherwise what Write would answer.
Confined CheckWritable(const Path& root, const Path& path);
// The whole regular file source (not through a link at its end), with its permissions.
Confined ReadSource(const Path& source, std::string& bytes, Permissions& mode);
// Flushes what the batch wrote to the disk; false when the system refuses.
bool Sync(ConfinedBatch::State& batch);

// A file written into a batch and not yet to the disk.
struct StagedFile {
    Path path;  // as the last write named it
    std::string bytes;
    Permissions mode;
};

// A batch's files by their steps below its root, joined with '/' (on Windows
// folded to lower case, as the file system compares names).
struct Staging {
    std::map<detail::NativeName, StagedFile> files;
    std::size_t bytes = 0;          // held in files
    std::vector<Path> notWritten;   // files whose write to the disk failed
    // The folders the batch created, and the files it put on the disk (written
    // early, or moved there): any other name in such a folder is free, without
    // asking the disk. A generation writes a fresh tree mostly.
    std::set<detail::NativeName> createdFolders;
    std::set<detail::NativeName> placedFiles;
};

// The staging of the innermost batch of this thread for root, or null.
Staging* StagingFor(const Path& root);
// Every batch of this thread, innermost first, with its root.
std::vector<std::pair<Path, Staging*>> ThreadStagings();
// The staging of a batch.
Staging& StagingOf(ConfinedBatch::State& batch);
const Path& RootOf(const ConfinedBatch::State& batch);

}  // namespace velmora::fs::disk
