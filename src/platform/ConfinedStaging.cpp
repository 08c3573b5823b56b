// The confined operations with a batch's files in front of the disk: what is
// written into a batch's root waits in memory for the batch's flush, so a file that
// a generation copies from its template and then edits several times reaches the
// disk once, with its last text.
#include <cwctype>
#include <utility>

#include "platform/ConfinedDisk.h"
#include "platform/ConfinedFiles.h"

namespace velmora::fs {
namespace {

using detail::NativeName;
using disk::StagedFile;
using disk::Staging;

// Past this many bytes a batch's files go to the disk early: memory stays small
// for any configuration, and only the shortcut is lost.
constexpr std::size_t kStagedBytesLimit = std::size_t{32} << 20;

NativeName KeyOf(const std::vector<NativeName>& steps) {
    NativeName key;
    for (const NativeName& step : steps) {
        if (!key.empty()) key += '/';
        key += step;
    }
#ifdef _WIN32
    for (auto& c : key) c = static_cast<wchar_t>(std::towlower(c));
#endif
    return key;
}

// Where path's staged file would be kept: nowhere outside a batch, or for a path
// not below its root.
struct StagedPlace {
    Staging* staging = nullptr;
    NativeName key;

    StagedFile* file() const {
        if (staging == nullptr) return nullptr;
        const auto found = staging->files.find(key);
        return found == staging->files.end() ? nullptr : &found->second;
    }

    // Nothing can be on the disk here but what the batch put there: the place lies
    // in a folder the batch created, and the batch put no file there.
    bool free() const {
        if (staging == nullptr) return false;
        const std::size_t slash = key.rfind('/');
        return slash != NativeName::npos && staging->createdFolders.count(key.substr(0, slash)) != 0 &&
               staging->placedFiles.count(key) == 0;
    }
};

StagedPlace StagedPlaceOf(const Path& root, const Path& path) {
    StagedPlace place;
    Staging* staging = disk::StagingFor(root);
    if (staging == nullptr) return place;
    const auto steps = disk::StepsBelow(root, path);
    if (!steps) return place;
    place.staging = staging;
    place.key = KeyOf(*steps);
    return place;
}

void WriteOut(const Path& root, Staging& staging) {
    std::map<NativeName, StagedFile> files = std::move(staging.files);
    staging.files.clear();
    staging.bytes = 0;
    for (const auto& [key, file] : files) {
        staging.placedFiles.insert(key);
        if (disk::Write(root, file.path, file.bytes, file.mode) != Confined::Done) {
            staging.notWritten.push_back(file.path);
        }
    }
}

// The staged file of place, no longer kept (empty when there was none).
StagedFile Take(const StagedPlace& place) {
    const auto found = place.staging->files.find(place.key);
    if (found == place.staging->files.end()) return {};
    StagedFile file = std::move(found->second);
    place.staging->bytes -= file.bytes.size();
    place.staging->files.erase(found);
    return file;
}

void Forget(const StagedPlace& place) { (void)Take(place); }

// Keeps bytes for path, which the disk was found to take.
void Keep(const Path& root, const StagedPlace& place, const Path& path, std::string bytes,
          disk::Permissions mode) {
    Forget(place);
    place.staging->bytes += bytes.size();
    place.staging->files[place.key] = StagedFile{path, std::move(bytes), mode};
    if (place.staging->bytes > kStagedBytesLimit) WriteOut(root, *place.staging);
}

// A write that is answered at once: its folder is missing, a link or a special
// file is in the way, or the file is read-only. What only the disk can refuse (no
// space, I/O) is found at the flush.
Confined Stage(const Path& root, const Path& path, std::string bytes, disk::Permissions mode) {
    const StagedPlace place = StagedPlaceOf(root, path);
    if (place.staging == nullptr) return disk::Write(root, path, bytes, mode);
    if (place.file() == nullptr && !place.free()) {
        const Confined writable = disk::CheckWritable(root, path);
        if (writable != Confined::Done) return writable;
    }
    Keep(root, place, path, std::move(bytes), mode);
    return Confined::Done;
}

// A regular file on the disk at place goes; a file only staged there is gone already.
Confined RemoveFromDisk(const Path& root, const StagedPlace& place, const Path& path) {
    if (place.free() || disk::Kind(root, path) != ConfinedKind::RegularFile) return Confined::Done;
    return disk::Remove(root, path);
}

// The move of a staged file: the target is judged as a rename would judge it,
// then the file is kept under its new name, and an older copy of it on the disk
// under the old one goes.
Confined MoveStaged(const Path& root, const StagedPlace& from, const Path& fromPath,
                    const StagedPlace& to, const Path& toPath, bool replace) {
    // The same file by another name (on Windows, another case): it takes that name.
    if (from.key == to.key) {
        from.file()->path = toPath;
        return Confined::Done;
    }
    if (to.file() != nullptr) {
        if (!replace) return Confined::Failed;
    } else if (!to.free()) {
        switch (disk::Kind(root, toPath)) {
            case ConfinedKind::Other:
            case ConfinedKind::Directory: return Confined::Refused;
            case ConfinedKind::RegularFile:
                if (!replace) return Confined::Failed;
                if (disk::Remove(root, toPath) != Confined::Done) return Confined::Failed;
                break;
            case ConfinedKind::Missing: {
                const Confined writable = disk::CheckWritable(root, toPath);
                if (writable != Confined::Done) return writable;
                break;
            }
        }
    }
    StagedFile moved = Take(from);
    const Confined removed = RemoveFromDisk(root, from, fromPath);
    Keep(root, to, toPath, std::move(moved.bytes), moved.mode);
    return removed;
}

}  // namespace

ConfinedKind KindBelow(const Path& root, const Path& path) {
    const StagedPlace place = StagedPlaceOf(root, path);
    if (place.file() != nullptr) return ConfinedKind::RegularFile;
    if (place.free()) return ConfinedKind::Missing;
    return disk::Kind(root, path);
}

Confined ReadBelow(const Path& root, const Path& path, std::string& bytes) {
    const StagedPlace place = StagedPlaceOf(root, path);
    if (const StagedFile* file = place.file()) {
        bytes = file->bytes;
        return Confined::Done;
    }
    if (place.free()) {
        bytes.clear();
        return Confined::Missing;
    }
    return disk::Read(root, path, bytes);
}

Confined WriteBelow(const Path& root, const Path& path, const std::string& bytes) {
    return Stage(root, path, bytes, std::nullopt);
}

Confined ReadCopySource(const Path& source, CopySource& file) {
    return disk::ReadSource(source, file.bytes, file.mode);
}

Confined CopyIntoBelow(const CopySource& source, const Path& root, const Path& path) {
    return Stage(root, path, source.bytes, source.mode);
}

Confined CopyIntoBelow(const Path& source, const Path& root, const Path& path) {
    CopySource file;
    const Confined read = ReadCopySource(source, file);
    if (read != Confined::Done) return read;
    return Stage(root, path, std::move(file.bytes), file.mode);
}

Confined MoveBelow(const Path& root, const Path& from, const Path& to, bool replace) {
    const StagedPlace source = StagedPlaceOf(root, from);
    const StagedPlace target = StagedPlaceOf(root, to);
    if (source.file() != nullptr && target.staging != nullptr) {
        return MoveStaged(root, source, from, target, to, replace);
    }
    if (target.file() != nullptr && !replace) return Confined::Failed;
    const Confined moved = disk::Move(root, from, to, replace);
    if (moved == Confined::Done && target.staging != nullptr) {
        // The staged text of the target would otherwise replace the file moved there.
        Forget(target);
        target.staging->placedFiles.insert(target.key);
    }
    return moved;
}

Confined RemoveBelow(const Path& root, const Path& path) {
    const StagedPlace place = StagedPlaceOf(root, path);
    if (place.file() == nullptr) return place.free() ? Confined::Missing : disk::Remove(root, path);
    Forget(place);
    return RemoveFromDisk(root, place, path);
}

Confined CreateDirectoryBelow(const Path& root, const Path& path) {
    const StagedPlace place = StagedPlaceOf(root, path);
    if (place.file() != nullptr) return Confined::Failed;
    const Confined made = disk::MakeFolder(root, path);
    if (made == Confined::Done && place.staging != nullptr) place.staging->createdFolders.insert(place.key);
    return made;
}

// Before something else acts on the tree: the staged files go to the disk, and
// from then on the disk is asked about every place, for it may have changed.
void HandOver(const Path& root, Staging& staging) {
    WriteOut(root, staging);
    staging.createdFolders.clear();
}

void WriteStagedFiles() {
    for (const auto& [root, staging] : disk::ThreadStagings()) HandOver(root, *staging);
}

void WriteStagedFilesFor(const Path& path) {
    for (const auto& [root, staging] : disk::ThreadStagings()) {
        if (LiesBelow(root, path)) HandOver(root, *staging);
    }
}

ConfinedBatch::Flushed ConfinedBatch::Flush() {
    Staging& staging = disk::StagingOf(*state_);
    WriteOut(disk::RootOf(*state_), staging);
    Flushed flushed;
    flushed.notWritten = std::move(staging.notWritten);
    staging.notWritten.clear();
    flushed.synced = disk::Sync(*state_);
    return flushed;
}

}  // namespace velmora::fs
