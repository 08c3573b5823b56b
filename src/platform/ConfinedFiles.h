#pragma once
// File operations that stay inside one folder, the output folder of a generation.
// Below root no symbolic link is followed (on Windows no reparse point: junctions,
// mount points, links), and nothing but regular files and folders is read,
// written, renamed or removed, so a link or a pipe planted in the tree can neither
// redirect a write outside it nor hang a read. root itself is taken as given (it
// may be reached through links). path names a place below root when, both made
// absolute and normalised, root's components begin it and at least one follows.
//
// POSIX walks down from an open handle of root with openat and O_NOFOLLOW, so a
// link swapped in during the walk is refused too. Windows checks each component
// for a reparse point before the operation: a link swapped in between the check
// and the operation is not caught there.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace velmora::fs {

enum class Confined {
    Done,
    Missing,  // the file, or a folder on its way, does not exist
    Refused,  // a link or a special file (pipe, device, socket) on the way or at the
              // end, or a path that does not lie below root
    Failed,   // the system refused: no space, no permission, a read-only target, I/O
};

enum class ConfinedKind { Missing, RegularFile, Directory, Other };

// path names a place below root (by the texts alone, nothing is looked up).
bool LiesBelow(const Path& root, const Path& path);

// What lies at path: Other for a link or a special file there or on the way, and
// for a path not below root; Missing also when the way cannot be searched.
ConfinedKind KindBelow(const Path& root, const Path& path);

// The whole regular file at path into bytes (replaced); Failed when a read fails.
Confined ReadBelow(const Path& root, const Path& path, std::string& bytes);

// Makes path hold bytes: a temporary file beside it gets every byte (each write and
// the close checked, flushed to the disk unless a batch flushes it later) and is
// then renamed over path, so path is either its old self or whole. A file that
// already holds bytes is left alone.
// Afterwards the temporary files of path that a killed earlier write left are
// removed. A read-only target: Failed, unchanged.
Confined WriteBelow(const Path& root, const Path& path, const std::string& bytes);

// WriteBelow with the content of source, a regular file read without following a
// link at its end (Refused otherwise); a new file gets source's permissions.
Confined CopyIntoBelow(const Path& source, const Path& root, const Path& path);

// A file read for copying: its bytes and, where the system keeps them, its permissions.
struct CopySource {
    std::string bytes;
    std::optional<std::uint32_t> mode;
};
// Reads source as CopyIntoBelow does, for copies of it into several places.
Confined ReadCopySource(const Path& source, CopySource& file);
// CopyIntoBelow of a source read before.
Confined CopyIntoBelow(const CopySource& source, const Path& root, const Path& path);

// Renames the regular file from to to; with replace false an existing to stays
// (Failed), with replace true a regular to is replaced.
Confined MoveBelow(const Path& root, const Path& from, const Path& to, bool replace);

// Removes the regular file at path.
Confined RemoveBelow(const Path& root, const Path& path);

// Creates the folder path, one level; Failed when something of that name exists.
Confined CreateDirectoryBelow(const Path& root, const Path& path);

// While one lives, the operations of its thread below its root keep that root and
// the folders on their way open from one to the next (a kept folder serves only
// while its place still holds that very folder, so a link put there is still
// refused), and look for the temporary files that killed earlier writes left once
// per folder (then for those of every file there) instead of at each write.
//
// What WriteBelow and CopyIntoBelow write below the root waits in memory until the
// batch flushes (or holds too much): a generation copies a template file and its
// script then edits it, often several times, and only the last text need reach the
// disk. The confined operations of the thread see those files as if they were on
// the disk; nothing else does, so before anything else reads the tree (a script's
// io.open, a command it runs) WriteStagedFiles puts them there. A write is still
// answered at once where it would fail for its place (a missing folder, a link or
// a special file in the way, a read-only file); what only the disk can refuse (no
// space, I/O) is told by the flush. In the folders it created itself a batch
// knows, without asking the disk, that nothing stands where it has put nothing.
//
// A write that replaces nothing, or only a file the batch wrote itself, is not
// flushed to the disk on its own: Flush (or the end of the batch) flushes them all
// at once. A file that was there before is still flushed before it is replaced. On
// Windows a batch only clears each folder once: there every operation checks its
// steps anew and flushes its file. A generation holds one for its output folder:
// it moves no folder while it runs. Batches nest; the innermost one with the same
// root serves.
class ConfinedBatch {
public:
    explicit ConfinedBatch(const Path& root);
    ~ConfinedBatch();
    ConfinedBatch(const ConfinedBatch&) = delete;
    ConfinedBatch& operator=(const ConfinedBatch&) = delete;

    struct Flushed {
        std::vector<Path> notWritten;  // files the disk did not take, as their writes named them
        bool synced = true;            // false when the system refused to flush them to the disk
    };
    // Writes the files waiting in memory, then flushes what the batch wrote to the disk.
    Flushed Flush();

    struct State;

private:
    std::unique_ptr<State> state_;
};

// Writes the files waiting in the batches of this thread, before something other
// than the confined operations reads or changes their trees; For: only those of
// the batches whose root path lies below (by the texts, as LiesBelow judges).
// A batch that knew which places in the folders it created were free asks the
// disk again from then on.
void WriteStagedFiles();
void WriteStagedFilesFor(const Path& path);

}  // namespace velmora::fs
