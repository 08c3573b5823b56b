#include "platform/ConfinedFiles.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "platform/ConfinedDisk.h"
#include "platform/FileIo.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora::fs {
namespace {

namespace stdfs = std::filesystem;
using detail::NativeName;

std::vector<NativeName> Components(const Path& path) {
    std::vector<NativeName> parts;
    for (const Path& part : path) {
        if (!part.empty()) parts.push_back(part.native());
    }
    return parts;
}

bool IsDotStep(const NativeName& part) {
    return part.size() <= 2 && std::all_of(part.begin(), part.end(), [](auto c) { return c == '.'; });
}

// The components of a normalised relative path; "." alone has none.
std::vector<NativeName> RelativeParts(const Path& normal) {
    std::vector<NativeName> parts = Components(normal);
    if (parts.size() == 1 && parts.front() == Path(".").native()) parts.clear();
    return parts;
}

bool ClimbsOut(const std::vector<NativeName>& parts) {
    return !parts.empty() && parts.front() == Path("..").native();
}

bool PlainRelative(const Path& path) {
    return path.is_relative() && !path.has_root_name() && !path.has_root_directory();
}

// root's and path's components in one frame: as given when both are relative to the
// working folder and neither climbs out of it, else both made absolute. Only then
// is the working folder asked for: every confined operation comes through here.
bool ComparableParts(const Path& root, const Path& path, std::vector<NativeName>& rootParts,
                     std::vector<NativeName>& pathParts) {
    if (PlainRelative(root) && PlainRelative(path)) {
        rootParts = RelativeParts(root.lexically_normal());
        pathParts = RelativeParts(path.lexically_normal());
        if (!ClimbsOut(rootParts) && !ClimbsOut(pathParts)) return true;
    }
    std::error_code ec;
    const Path fullRoot = stdfs::absolute(root, ec);
    if (ec) return false;
    const Path fullPath = stdfs::absolute(path, ec);
    if (ec) return false;
    rootParts = Components(fullRoot.lexically_normal());
    pathParts = Components(fullPath.lexically_normal());
    return !rootParts.empty();
}

bool IsSeparatorChar(Path::value_type c) {
    return c == Path::preferred_separator || c == '/';
}

// The steps of path below root when path's text is root's, a separator and plain
// names (no "." or "..", no empty name): how the tool names every place it
// writes, so normalising both texts is mostly not needed.
std::optional<std::vector<NativeName>> PlainStepsBelow(const Path& root, const Path& path) {
    const NativeName& r = root.native();
    const NativeName& p = path.native();
    if (r.empty() || IsSeparatorChar(r.back()) || p.size() <= r.size() + 1 ||
        p.compare(0, r.size(), r) != 0 || !IsSeparatorChar(p[r.size()])) {
        return std::nullopt;
    }
    std::vector<NativeName> steps;
    std::size_t start = r.size() + 1;
    while (true) {
        std::size_t end = start;
        while (end < p.size() && !IsSeparatorChar(p[end])) ++end;
        NativeName step = p.substr(start, end - start);
        if (step.empty() || IsDotStep(step)) return std::nullopt;
        steps.push_back(std::move(step));
        if (end == p.size()) return steps;
        start = end + 1;
    }
}

}  // namespace

namespace disk {

std::optional<std::vector<NativeName>> StepsBelow(const Path& root, const Path& path) {
    if (auto plain = PlainStepsBelow(root, path)) return plain;
    std::vector<NativeName> rootParts, pathParts;
    if (!ComparableParts(root, path, rootParts, pathParts) || pathParts.size() <= rootParts.size() ||
        !std::equal(rootParts.begin(), rootParts.end(), pathParts.begin())) {
        return std::nullopt;
    }
    std::vector<NativeName> steps(pathParts.begin() + static_cast<std::ptrdiff_t>(rootParts.size()),
                                  pathParts.end());
    if (std::any_of(steps.begin(), steps.end(), IsDotStep)) return std::nullopt;
    return steps;
}

}  // namespace disk

using disk::StepsBelow;

bool LiesBelow(const Path& root, const Path& path) { return StepsBelow(root, path).has_value(); }

namespace {

// The innermost batch of this thread; each names the one it is nested in.
thread_local ConfinedBatch::State* innermostBatch = nullptr;

// The innermost batch of this thread for root, or null.
ConfinedBatch::State* BatchFor(const Path& root);

}  // namespace

#ifndef _WIN32
namespace {

// Closes the descriptor it owns.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            Close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // False when closing reports an error (a delayed write error among them).
    bool Close() {
        if (fd_ < 0) return true;
        return ::close(std::exchange(fd_, -1)) == 0;
    }

private:
    int fd_;
};

Confined ProblemOf(int error) {
    switch (error) {
        case ENOENT: return Confined::Missing;
        case ELOOP:
        case ENXIO:
        case EOPNOTSUPP: return Confined::Refused;
        default: return Confined::Failed;
    }
}

bool IsPlain(mode_t mode) { return S_ISREG(mode) || S_ISDIR(mode); }

// The open folder that holds the last step of a path, and that step's name. The
// folder is owned, or held with the batch that keeps it (the root among them).
struct Place {
    Descriptor owned;
    std::shared_ptr<Descriptor> held;  // a folder the batch keeps
    int folder = -1;
    ConfinedBatch::State* batch = nullptr;  // the batch of the operation's root, if any
    std::string name;
    Confined problem = Confined::Done;
};

// Why a folder on the way could not be entered: a link or a special file is refused.
Confined StepProblem(int folder, const std::string& step, int error) {
    if (error == ENOENT) return Confined::Missing;
    struct stat status {};
    if (::fstatat(folder, step.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
        !IsPlain(status.st_mode)) {
        return Confined::Refused;
    }
    return Confined::Failed;
}

}  // namespace

using Identity = std::pair<dev_t, ino_t>;

// A folder on the way that a batch keeps open, with what it was when opened. An
// operation holds it as well, so that making room in the batch never closes a
// folder in use.
struct OpenFolder {
    std::shared_ptr<Descriptor> descriptor;
    Identity identity;
};

// Enough for the folders of a few projects; a descriptor each, so it stays small.
constexpr std::size_t kOpenFoldersKept = 64;

struct ConfinedBatch::State {
    Path root;
    Descriptor rootFolder;       // opened at the first operation
    std::map<std::string, OpenFolder> folders;  // by their steps below the root
    std::set<Identity> swept;    // folders cleared of temporaries
    std::set<Identity> written;  // files this batch wrote and has not flushed
    disk::Staging staging;
    State* outer = nullptr;
};

namespace {

// The root's descriptor, or -1 with errno set; owned receives it unless a batch keeps it.
int OpenRoot(ConfinedBatch::State* batch, const Path& root, Descriptor& owned) {
    Descriptor& target = batch != nullptr ? batch->rootFolder : owned;
    if (!target.valid()) target = Descriptor(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return target.get();
}

// The folder a batch kept for the way, while the entry step of parent is still that
// folder (not a link or another folder put in its place); null otherwise.
std::shared_ptr<Descriptor> KeptFolder(ConfinedBatch::State* batch, const std::string& way,
                                       int parent, const std::string& step) {
    if (batch == nullptr) return nullptr;
    const auto kept = batch->folders.find(way);
    if (kept == batch->folders.end()) return nullptr;
    struct stat status {};
    if (::fstatat(parent, step.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(status.st_mode) &&
        Identity{status.st_dev, status.st_ino} == kept->second.identity) {
        return kept->second.descriptor;
    }
    batch->folders.erase(kept);
    return nullptr;
}

// Hands the folder just opened to the batch to keep; null when there is none.
std::shared_ptr<Descriptor> KeepFolder(ConfinedBatch::State* batch, const std::string& way,
                                       Descriptor& folder) {
    struct stat status {};
    if (batch == nullptr || ::fstat(folder.get(), &status) != 0) return nullptr;
    if (batch->folders.size() >= kOpenFoldersKept) batch->folders.clear();
    auto kept = std::make_shared<Descriptor>(std::move(folder));
    batch->folders[way] = OpenFolder{kept, {status.st_dev, status.st_ino}};
    return kept;
}

Place Locate(const Path& root, const Path& path) {
    Place place;
    const auto steps = StepsBelow(root, path);
    if (!steps) {
        place.problem = Confined::Refused;
        return place;
    }
    place.batch = BatchFor(root);
    Descriptor owned;
    int folder = OpenRoot(place.batch, root, owned);
    if (folder < 0) {
        place.problem = errno == ENOENT ? Confined::Missing : Confined::Failed;
        return place;
    }
    std::string way;
    std::shared_ptr<Descriptor> held;
    for (std::size_t i = 0; i + 1 < steps->size(); ++i) {
        const std::string& step = (*steps)[i];
        way += '/' + step;
        if (auto kept = KeptFolder(place.batch, way, folder, step)) {
            held = std::move(kept);
            folder = held->get();
            continue;
        }
        Descriptor next(
            ::openat(folder, step.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid()) {
            place.problem = StepProblem(folder, step, errno);
            return place;
        }
        if (auto kept = KeepFolder(place.batch, way, next)) {
            held = std::move(kept);
            folder = held->get();
        } else {
            owned = std::move(next);
            folder = owned.get();
            held.reset();
        }
    }
    place.owned = std::move(owned);
    place.held = std::move(held);
    place.folder = folder;
    place.name = steps->back();
    return place;
}

// The entry's status without following a link; false (errno set) when it has none.
bool StatusAt(const Place& place, struct stat& status) {
    return ::fstatat(place.folder, place.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0;
}

// Opens a regular file for reading without following a link, looking before it
// opens, so that no device is ever opened, and again after, in case it was swapped.
Confined OpenRegularAt(int folder, const std::string& name, Descriptor& file) {
    struct stat status {};
    if (::fstatat(folder, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) return ProblemOf(errno);
    if (!S_ISREG(status.st_mode)) return Confined::Refused;
    file = Descriptor(
        ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid()) return ProblemOf(errno);
    if (::fstat(file.get(), &status) != 0) return Confined::Failed;
    return S_ISREG(status.st_mode) ? Confined::Done : Confined::Refused;
}

Confined ReadAt(int folder, const std::string& name, std::string& bytes) {
    bytes.clear();
    Descriptor file;
    const Confined opened = OpenRegularAt(folder, name, file);
    if (opened != Confined::Done) return opened;
    return detail::ReadAll(file.get(), bytes) ? Confined::Done : Confined::Failed;
}

bool HoldsExactly(const Place& place, const std::string& bytes) {
    std::string current;
    return ReadAt(place.folder, place.name, current) == Confined::Done && current == bytes;
}

// Removes the temporary files of place's name, or, the first time a batch meets
// the folder, those of every name there.
void RemoveStaleTemporaries(const Place& place) {
    bool everyName = false;
    if (place.batch != nullptr) {
        struct stat folder {};
        if (::fstat(place.folder, &folder) == 0) {
            if (!place.batch->swept.insert({folder.st_dev, folder.st_ino}).second) return;
            everyName = true;
        }
    }
    const int copy = ::fcntl(place.folder, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) return;
    DIR* listing = ::fdopendir(copy);
    if (listing == nullptr) {
        ::close(copy);
        return;
    }
    while (const dirent* entry = ::readdir(listing)) {
        if (everyName ? !detail::IsTemporary(entry->d_name)
                      : !detail::IsTemporaryOf(entry->d_name, place.name)) {
            continue;
        }
        struct stat status {};
        if (::fstatat(place.folder, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(status.st_mode)) {
            ::unlinkat(place.folder, entry->d_name, 0);
        }
    }
    ::closedir(listing);
}

// Writes the temporary file; false (and no temporary left) on any failure. It is
// flushed to the disk unless its identity is wanted, for a batch to flush later.
bool WriteTemporary(const Place& place, const std::string& temp, const std::string& bytes,
                    std::optional<mode_t> mode, Identity* identity) {
    const int folder = place.folder;
    Descriptor file(::openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                             0666));
    if (!file.valid()) return false;
    bool ok = detail::WriteAll(file.get(), bytes);
    if (ok && identity == nullptr) ok = ::fsync(file.get()) == 0;
    struct stat status {};
    if (ok && identity != nullptr) {
        ok = ::fstat(file.get(), &status) == 0;
        *identity = {status.st_dev, status.st_ino};
    }
    // The permissions are kept where possible; failing to keep them loses no data.
    if (ok && mode) (void)::fchmod(file.get(), *mode);
    ok = file.Close() && ok;
    if (!ok) ::unlinkat(folder, temp.c_str(), 0);
    return ok;
}

// A write a batch may leave to its one flush at the end: nothing is replaced, or
// only what the batch wrote itself. A file that was there before is the
// developer's, flushed before it is replaced, so that a crash cannot leave it empty.
bool LeftToBatch(const Place& place, bool exists, const struct stat& status) {
    return place.batch != nullptr &&
           (!exists || place.batch->written.count({status.st_dev, status.st_ino}) != 0);
}

// mode: the permissions of a file that does not exist yet (an existing file keeps its own).
Confined WriteAt(const Place& place, const std::string& bytes, std::optional<mode_t> mode) {
    struct stat status {};
    const bool exists = StatusAt(place, status);
    if (!exists && errno != ENOENT) return ProblemOf(errno);
    if (exists && !S_ISREG(status.st_mode)) return Confined::Refused;
    if (exists && static_cast<std::uintmax_t>(status.st_size) == bytes.size() &&
        HoldsExactly(place, bytes)) {
        RemoveStaleTemporaries(place);
        return Confined::Done;
    }
    const int folder = place.folder;
    if (exists && ::faccessat(folder, place.name.c_str(), W_OK, 0) != 0) return Confined::Failed;
    if (exists) mode = status.st_mode & 07777;
    const std::string temp = detail::TemporaryName(place.name);
    Identity written{};
    const bool later = LeftToBatch(place, exists, status);
    if (!WriteTemporary(place, temp, bytes, mode, later ? &written : nullptr)) return Confined::Failed;
    if (::renameat(folder, temp.c_str(), folder, place.name.c_str()) != 0) {
        ::unlinkat(folder, temp.c_str(), 0);
        return Confined::Failed;
    }
    if (later) place.batch->written.insert(written);
    RemoveStaleTemporaries(place);
    return Confined::Done;
}

bool RenameNoReplace(const Place& from, const Place& to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(from.folder, from.name.c_str(), to.folder, to.name.c_str(),
                    RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    // File systems without an atomic no-replace rename.
    struct stat status {};
    if (StatusAt(to, status)) return false;
    return ::renameat(from.folder, from.name.c_str(), to.folder, to.name.c_str()) == 0;
}

}  // namespace

namespace disk {

bool Sync(ConfinedBatch::State& batch) {
    if (batch.written.empty()) return true;
    Descriptor owned;
    const int root = OpenRoot(&batch, batch.root, owned);
    if (root < 0) return false;
#ifdef __linux__
    if (::syncfs(root) != 0) return false;
#else
    ::sync();
#endif
    batch.written.clear();
    return true;
}

ConfinedKind Kind(const Path& root, const Path& path) {
    const Place place = Locate(root, path);
    if (place.problem == Confined::Refused) return ConfinedKind::Other;
    if (place.problem != Confined::Done) return ConfinedKind::Missing;
    struct stat status {};
    if (!StatusAt(place, status)) return ConfinedKind::Missing;
    if (S_ISREG(status.st_mode)) return ConfinedKind::RegularFile;
    if (S_ISDIR(status.st_mode)) return ConfinedKind::Directory;
    return ConfinedKind::Other;
}

Confined Read(const Path& root, const Path& path, std::string& bytes) {
    bytes.clear();
    const Place place = Locate(root, path);
    if (place.problem != Confined::Done) return place.problem;
    return ReadAt(place.folder, place.name, bytes);
}

Confined Write(const Path& root, const Path& path, const std::string& bytes, Permissions mode) {
    const Place place = Locate(root, path);
    if (place.problem != Confined::Done) return place.problem;
    return WriteAt(place, bytes, mode ? std::optional<mode_t>(static_cast<mode_t>(*mode)) : std::nullopt);
}

Confined CheckWritable(const Path& root, const Path& path) {
    const Place place = Locate(root, path);
    if (place.problem != Confined::Done) return place.problem;
    struct stat status {};
    if (!StatusAt(place, status)) return errno == ENOENT ? Confined::Done : ProblemOf(errno);
    if (!S_ISREG(status.st_mode)) return Confined::Refused;
    return ::faccessat(place.folder, place.name.c_str(), W_OK, 0) == 0 ? Confined::Done
                                                                       : Confined::Failed;
}

Confined ReadSource(const Path& source, std::string& bytes, Permissions& mode) {
    bytes.clear();
    Descriptor file;
    const Path folder = source.has_parent_path() ? source.parent_path() : Path(".");
    Descriptor sourceFolder(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!sourceFolder.valid()) return ProblemOf(errno);
    const Confined opened = OpenRegularAt(sourceFolder.get(), source.filename().native(), file);
    if (opened != Confined::Done) return opened;
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !detail::ReadAll(file.get(), bytes)) {
        return Confined::Failed;
    }
    mode = status.st_mode & 07777;
    return Confined::Done;
}

Confined Move(const Path& root, const Path& from, const Path& to, bool replace) {
    const Place source = Locate(root, from);
    if (source.problem != Confined::Done) return source.problem;
    const Place target = Locate(root, to);
    if (target.problem != Confined::Done) return target.problem;
    struct stat status {};
    if (!StatusAt(source, status)) return ProblemOf(errno);
    if (!S_ISREG(status.st_mode)) return Confined::Refused;
    if (StatusAt(target, status)) {
        if (!S_ISREG(status.st_mode)) return Confined::Refused;
        if (!replace) return Confined::Failed;
    }
    const bool moved = replace ? ::renameat(source.folder, source.name.c_str(),
                                            target.folder, target.name.c_str()) == 0
                               : RenameNoReplace(source, target);
    return moved ? Confined::Done : Confined::Failed;
}

Confined Remove(const Path& root, const Path& path) {
    const Place place = Locate(root, path);
    if (place.problem != Confined::Done) return place.problem;
    struct stat status {};
    if (!StatusAt(place, status)) return ProblemOf(errno);
    if (!S_ISREG(status.st_mode)) return Confined::Refused;
    return ::unlinkat(place.folder, place.name.c_str(), 0) == 0 ? Confined::Done
                                                                      : Confined::Failed;
}

Confined MakeFolder(const Path& root, const Path& path) {
    const Place place = Locate(root, path);
    if (place.problem != Confined::Done) return place.problem;
    return ::mkdirat(place.folder, place.name.c_str(), 0777) == 0 ? Confined::Done
                                                                        : Confined::Failed;
}

}  // namespace disk

#else  // _WIN32

// Windows checks each step before each operation and flushes each file; a batch
// only clears each folder once of stale temporaries.
struct ConfinedBatch::State {
    Path root;
    std::set<Path> swept;  // folders cleared of temporaries
    disk::Staging staging;
    State* outer = nullptr;
};

namespace {

// Windows: every step is checked for a reparse point, then the operation runs on
// the full path (best effort; see the header).
struct Place {
    Path path;
    Confined problem = Confined::Done;
    ConfinedBatch::State* batch = nullptr;  // the batch of the operation's root, if any
};

constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

bool IsReparsePoint(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
bool IsFolder(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

Place Locate(const Path& root, const Path& path) {
    Place place;
    const auto steps = StepsBelow(root, path);
    if (!steps) {
        place.problem = Confined::Refused;
        return place;
    }
    place.batch = BatchFor(root);
    Path current = root;
    for (std::size_t i = 0; i + 1 < steps->size(); ++i) {
        current /= (*steps)[i];
        const DWORD attributes = GetFileAttributesW(current.c_str());
        if (attributes == kNoAttributes) {
            place.problem = Confined::Missing;
            return place;
        }
        if (IsReparsePoint(attributes)) {
            place.problem = Confined::Refused;
            return place;
        }
        if (!IsFolder(attributes)) {
            place.problem = Confined::Failed;
            return place;
        }
    }
    place.path = current / steps->back();
    return place;
}

DWORD AttributesAt(const Path& path) { return GetFileAttributesW(path.c_str()); }

bool IsRegular(DWORD attributes) {
    return attributes != kNoAttributes && !IsReparsePoint(attributes) && !IsFolder(attributes);
}

Confined ReadAt(const Path& path, std::string& bytes) {
    bytes.clear();
    const DWORD attributes = AttributesAt(path);
    if (attributes == kNoAttributes) return Confined::Missing;
    if (!IsRegular(attributes)) return Confined::Refused;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Confined::Failed;
    Confined result = Confined::Refused;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) != 0 &&
        IsRegular(info.dwFileAttributes)) {
        result = detail::ReadAll(file, bytes) ? Confined::Done : Confined::Failed;
    }
    CloseHandle(file);
    return result;
}

// Removes the temporary files of the place's name, or, the first time a batch
// meets the folder, those of every name there.
void RemoveStaleTemporaries(const Place& place) {
    const Path folder = place.path.parent_path();
    const bool everyName = place.batch != nullptr;
    if (everyName && !place.batch->swept.insert(folder).second) return;
    const NativeName name = place.path.filename().native();
    const Path pattern = folder / (everyName ? NativeName(L"*.tmp*") : name + L".tmp*");
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const bool stale = everyName ? detail::IsTemporary(found.cFileName)
                                     : detail::IsTemporaryOf(found.cFileName, name);
        if (stale && IsRegular(found.dwFileAttributes)) DeleteFileW((folder / found.cFileName).c_str());
    } while (FindNextFileW(search, &found) != 0);
    FindClose(search);
}

bool WriteTemporary(const Path& temp, const std::string& bytes) {
    const HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = detail::WriteAll(file, bytes) && FlushFileBuffers(file) != 0;
    ok = CloseHandle(file) != 0 && ok;
    if (!ok) DeleteFileW(temp.c_str());
    return ok;
}

Confined WriteAt(const Place& place, const std::string& bytes) {
    const Path& path = place.path;
    const DWORD attributes = AttributesAt(path);
    const bool exists = attributes != kNoAttributes;
    if (exists && !IsRegular(attributes)) return Confined::Refused;
    std::string current;
    if (exists && ReadAt(path, current) == Confined::Done && current == bytes) {
        RemoveStaleTemporaries(place);
        return Confined::Done;
    }
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0) return Confined::Failed;
    const Path temp = path.parent_path() / detail::TemporaryName(path.filename().native());
    if (!WriteTemporary(temp, bytes)) return Confined::Failed;
    if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        DeleteFileW(temp.c_str());
        return Confined::Failed;
    }
    RemoveStaleTemporaries(place);
    return Confined::Done;
}

}  // namespace

namespace disk {

ConfinedKind Kind(const Path& root, const Path& path) {
    const Place place = Locate(root, path);
    if (place.problem == Confined::Refused) return ConfinedKind::Other;
    if (place.problem != Confined::Done) return ConfinedKind::Missing;
    const DWORD attributes = AttributesAt(place.path);
    if (attributes == kNoAttributes) return ConfinedKind::Missing;
    if (IsReparsePoint(attributes)) return ConfinedKind::Other;
    return IsFolder(attributes) ? ConfinedKind::Directory : ConfinedKind::RegularFile;
}

Confined Read(const Path& root, const Path& path, std::string& bytes) {
    bytes.clear();
    const Place place = Locate(root, path);
    if (place.problem != Confined::Done) return place.problem;
    return ReadAt(place.path, bytes);
}

// Windows keeps no permissions beyond the read-only attribute, which a new file
// does not take from its source.
Confined Write(const Path& root, const Path& path, const std::string& bytes, Permissions) {
    const Place place = Locate(root, path);
    if (place.problem != Confined::Done) return place.problem;
    return WriteAt(place, bytes);
}

Confined CheckWritable(const Path& root, const Path& path) {
    const Place place = Locate(root, path);
    if (place.problem != Confined::Done) return place.problem;
    const DWORD attributes = AttributesAt(place.path);
    if (attributes == kNoAttributes) return Confined::Done;
    if (!IsRegular(attributes)) return Confined::Refused;
    return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? Confined::Failed : Confined::Done;
}

Confined ReadSource(const Path& source, std::string& bytes, Permissions& mode) {
    mode.reset();
    return ReadAt(source, bytes);
}

bool Sync(ConfinedBatch::State&) { return true; }

Confined Move(const Path& root, const Path& from, const Path& to, bool replace) {
    const Place source = Locate(root, from);
    if (source.problem != Confined::Done) return source.problem;
    const Place target = Locate(root, to);
    if (target.problem != Confined::Done) return target.problem;
    const DWORD attributes = AttributesAt(source.path);
    if (attributes == kNoAttributes) return Confined::Missing;
    if (!IsRegular(attributes)) return Confined::Refused;
    const DWORD targetAttributes = AttributesAt(target.path);
    if (targetAttributes != kNoAttributes) {
        if (!IsRegular(targetAttributes)) return Confined::Refused;
        if (!replace) return Confined::Failed;
    }
    const DWORD flags = replace ? MOVEFILE_REPLACE_EXISTING : 0;
    return MoveFileExW(source.path.c_str(), target.path.c_str(), flags) != 0 ? Confined::Done
                                                                              : Confined::Failed;
}

Confined Remove(const Path& root, const Path& path) {
    const Place place = Locate(root, path);
    if (place.problem != Confined::Done) return place.problem;
    const DWORD attributes = AttributesAt(place.path);
    if (attributes == kNoAttributes) return Confined::Missing;
    if (!IsRegular(attributes)) return Confined::Refused;
    return DeleteFileW(place.path.c_str()) != 0 ? Confined::Done : Confined::Failed;
}

Confined MakeFolder(const Path& root, const Path& path) {
    const Place place = Locate(root, path);
    if (place.problem != Confined::Done) return place.problem;
    return CreateDirectoryW(place.path.c_str(), nullptr) != 0 ? Confined::Done : Confined::Failed;
}

}  // namespace disk

#endif

namespace {

ConfinedBatch::State* BatchFor(const Path& root) {
    for (ConfinedBatch::State* batch = innermostBatch; batch != nullptr; batch = batch->outer) {
        if (batch->root == root) return batch;
    }
    return nullptr;
}

}  // namespace

namespace disk {

Staging* StagingFor(const Path& root) {
    ConfinedBatch::State* batch = BatchFor(root);
    return batch != nullptr ? &batch->staging : nullptr;
}

std::vector<std::pair<Path, Staging*>> ThreadStagings() {
    std::vector<std::pair<Path, Staging*>> stagings;
    for (ConfinedBatch::State* batch = innermostBatch; batch != nullptr; batch = batch->outer) {
        stagings.emplace_back(batch->root, &batch->staging);
    }
    return stagings;
}

Staging& StagingOf(ConfinedBatch::State& batch) { return batch.staging; }
const Path& RootOf(const ConfinedBatch::State& batch) { return batch.root; }

}  // namespace disk

ConfinedBatch::ConfinedBatch(const Path& root) : state_(std::make_unique<State>()) {
    state_->root = root;
    state_->outer = innermostBatch;
    innermostBatch = state_.get();
}

ConfinedBatch::~ConfinedBatch() {
    (void)Flush();
    innermostBatch = state_->outer;
}

}  // namespace velmora::fs
