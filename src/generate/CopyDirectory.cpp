#include "generate/CopyDirectory.h"

#include <algorithm>
#include <vector>

#include "platform/ConfinedFiles.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"

namespace velmora {
namespace {

struct CopyWalk {
    std::wstring root;  // below it nothing is followed
    FailedOperations& failures;
    TemplateReads* reads;  // or null: read anew
    std::vector<fs::FileIdentity> sourceFolders;  // the folders being copied, outermost first
};

bool ListSource(CopyWalk& walk, const std::wstring& folder, std::vector<fs::DirectoryEntry>& entries) {
    if (walk.reads != nullptr) return walk.reads->List(folder, entries);
    return fs::ListDirectoryChecked(fs::ToPath(folder), entries);
}

bool SourceIdentity(CopyWalk& walk, const std::wstring& folder, fs::FileIdentity& identity) {
    if (walk.reads != nullptr) return walk.reads->Identity(folder, identity);
    return fs::IdentityOf(fs::ToPath(folder), identity);
}

std::wstring LastComponent(const std::wstring& path) {
    const std::size_t separator = path.rfind(fs::Separator());
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::wstring Child(const std::wstring& folder, const std::wstring& name) {
    return folder + fs::Separator() + name;
}

void Trace(const std::wstring& line) { WriteStdout(line + L"\n"); }

// Creates the folder when it is missing. False when a link or a special file
// stands there: nothing is copied into it.
bool PrepareFolder(CopyWalk& walk, const std::wstring& path) {
    if (path == walk.root) {
        // The root is taken as given, links and all.
        if (fs::Exists(fs::ToPath(path))) return true;
        if (!fs::CreateOneDirectory(fs::ToPath(path))) walk.failures.folderNotCreated(path);
        Trace(L"Create folder " + path);
        return true;
    }
    switch (fs::KindBelow(fs::ToPath(walk.root), fs::ToPath(path))) {
        case fs::ConfinedKind::Missing:
            if (fs::CreateDirectoryBelow(fs::ToPath(walk.root), fs::ToPath(path)) != fs::Confined::Done) {
                walk.failures.folderNotCreated(path);
            }
            Trace(L"Create folder " + path);
            return true;
        case fs::ConfinedKind::Other: walk.failures.notWrittenThroughLink(path); return false;
        case fs::ConfinedKind::Directory:
        case fs::ConfinedKind::RegularFile: break;  // the copies into a file fail one by one
    }
    return true;
}

int CopyEntries(CopyWalk& walk, const std::wstring& source, const std::wstring& destination,
                bool usable);

// A folder that is one of the folders being copied (a bind mount of a parent, say)
// would be copied without end.
bool LeadsBack(CopyWalk& walk, const std::wstring& folder) {
    fs::FileIdentity identity;
    return SourceIdentity(walk, folder, identity) &&
           std::find(walk.sourceFolders.begin(), walk.sourceFolders.end(), identity) !=
               walk.sourceFolders.end();
}

void CopySubfolder(CopyWalk& walk, const std::wstring& source, const std::wstring& destination,
                   const std::wstring& name) {
    const std::wstring from = Child(source, name);
    if (LeadsBack(walk, from)) {
        Trace(L"Skip entry " + name + L": leads back to a folder being copied");
        walk.failures.loopNotCopied(from);
        return;
    }
    Trace(L"dir " + name);
    const std::wstring to = Child(destination, name);
    const bool usable = PrepareFolder(walk, to);
    Trace(L"Flolder name " + name);
    CopyEntries(walk, from, to, usable);
    Trace(L"copy older " + from + L" to " + to);
}

void CopyOneFile(CopyWalk& walk, const std::wstring& source, const std::wstring& destination,
                 const std::wstring& name) {
    Trace(L"file " + name);
    const std::wstring from = Child(source, name);
    const std::wstring to = Child(destination, name);
    walk.failures.copied(CopyTemplateFile(walk.reads, from, walk.root, to), from, to);
    Trace(L"Copy file " + from + L" to " + to);
}

// Links, pipes, devices and sockets of the template are not copied: a link could
// lead anywhere (the whole file system, or back into the tree), a pipe would hang.
void SkipEntry(CopyWalk& walk, const std::wstring& source, const std::wstring& name) {
    Trace(L"Skip entry " + name + L": not a regular file or folder");
    walk.failures.entryNotCopied(Child(source, name));
}

int CopyEntries(CopyWalk& walk, const std::wstring& source, const std::wstring& destination,
                bool usable) {
    std::vector<fs::DirectoryEntry> entries;
    if (!ListSource(walk, source, entries)) {
        walk.failures.folderNotRead(source);
        return -1;
    }
    if (!usable) return 0;
    fs::FileIdentity identity;
    const bool identified = SourceIdentity(walk, source, identity);
    if (identified) walk.sourceFolders.push_back(identity);
    // The platform layer leaves out "." and ".."; the trace shows them first, as a
    // folder's enumeration returns them.
    Trace(L"First file name: .");
    Trace(L"Next file name: ..");
    for (const fs::DirectoryEntry& entry : entries) {
        Trace(L"Next file name: " + entry.name);
        if (entry.isDirectory) {
            CopySubfolder(walk, source, destination, entry.name);
        } else if (entry.isRegularFile) {
            CopyOneFile(walk, source, destination, entry.name);
        } else {
            SkipEntry(walk, source, entry.name);
        }
    }
    if (identified) walk.sourceFolders.pop_back();
    return 0;
}

}  // namespace

int CopyDirectory(std::wstring source, std::wstring destination, FailedOperations* failures,
                  const std::wstring& confinedTo, TemplateReads* reads) {
    FailedOperations unreported;
    CopyWalk walk{confinedTo.empty() ? destination : confinedTo,
                  failures != nullptr ? *failures : unreported, reads, {}};
    Trace(L"Flolder name " + LastComponent(source));
    const bool usable = PrepareFolder(walk, destination);
    return CopyEntries(walk, source, destination, usable);
}

}  // namespace velmora
