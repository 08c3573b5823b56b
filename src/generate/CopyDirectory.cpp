#include "generate/CopyDirectory.h"

#include <vector>

#include "platform/Console.h"
#include "platform/FileSystem.h"

namespace velmora {
namespace {

std::wstring LastComponent(const std::wstring& path) {
    const std::size_t separator = path.rfind(fs::Separator());
    return separator == std::wstring::npos ? path : path.substr(separator + 1);
}

std::wstring Child(const std::wstring& folder, const std::wstring& name) {
    return folder + fs::Separator() + name;
}

void Trace(const std::wstring& line) { WriteStdout(line + L"\n"); }

void CreateFolderIfMissing(const std::wstring& path, FailedOperations* failures) {
    if (fs::Exists(fs::ToPath(path))) return;
    if (!fs::CreateOneDirectory(fs::ToPath(path)) && failures != nullptr) {
        failures->folderNotCreated(path);
    }
    Trace(L"Create folder " + path);
}

void CopySubfolder(const std::wstring& source, const std::wstring& destination,
                   const std::wstring& name, FailedOperations* failures) {
    Trace(L"dir " + name);
    const std::wstring from = Child(source, name);
    const std::wstring to = Child(destination, name);
    CreateFolderIfMissing(to, failures);
    CopyDirectory(from, to, failures);
    Trace(L"copy older " + from + L" to " + to);
}

void CopyOneFile(const std::wstring& source, const std::wstring& destination,
                 const std::wstring& name, FailedOperations* failures) {
    Trace(L"file " + name);
    const std::wstring from = Child(source, name);
    const std::wstring to = Child(destination, name);
    if (!fs::CopyFileReplacing(fs::ToPath(from), fs::ToPath(to)) && failures != nullptr) {
        failures->fileNotCopied(from, to);
    }
    Trace(L"Copy file " + from + L" to " + to);
}

}  // namespace

int CopyDirectory(std::wstring source, std::wstring destination, FailedOperations* failures) {
    Trace(L"Flolder name " + LastComponent(source));
    CreateFolderIfMissing(destination, failures);

    std::vector<fs::DirectoryEntry> entries;
    if (!fs::ListDirectoryChecked(fs::ToPath(source), entries)) {
        if (failures != nullptr) failures->folderNotRead(source);
        return -1;
    }
    // The platform layer leaves out "." and ".."; the trace shows them first, as a
    // folder's enumeration returns them.
    Trace(L"First file name: .");
    Trace(L"Next file name: ..");
    for (const fs::DirectoryEntry& entry : entries) {
        Trace(L"Next file name: " + entry.name);
        if (entry.isDirectory) {
            CopySubfolder(source, destination, entry.name, failures);
        } else {
            CopyOneFile(source, destination, entry.name, failures);
        }
    }
    return 0;
}

}  // namespace velmora
