#include "generate/FailedOperations.h"

#include <algorithm>

namespace velmora {

void FailedOperations::add(std::wstring line) {
    // A folder that cannot be created is tried again by the copy of its contents.
    if (std::find(lines_.begin(), lines_.end(), line) != lines_.end()) return;
    lines_.push_back(std::move(line));
}

void FailedOperations::folderNotCreated(const std::wstring& path) {
    add(L"Unable to create folder " + path);
}

void FailedOperations::folderNotRead(const std::wstring& path) {
    add(L"Unable to read folder " + path);
}

void FailedOperations::fileNotCopied(const std::wstring& from, const std::wstring& to) {
    add(L"Unable to copy " + from + L" to " + to);
}

void FailedOperations::fileNotMoved(const std::wstring& from, const std::wstring& to) {
    add(L"Unable to move " + from + L" to " + to);
}

void FailedOperations::fileNotWritten(const std::wstring& path) { add(L"Unable to write " + path); }

void FailedOperations::notWrittenThroughLink(const std::wstring& path) {
    add(L"Refused to write " + path + L": a symbolic link or a special file is in the way");
}

void FailedOperations::notCopiedThroughLink(const std::wstring& from, const std::wstring& to) {
    add(L"Refused to copy " + from + L" to " + to +
        L": a symbolic link or a special file is in the way");
}

void FailedOperations::copied(fs::Confined result, const std::wstring& from, const std::wstring& to) {
    switch (result) {
        case fs::Confined::Done: break;
        case fs::Confined::Refused: notCopiedThroughLink(from, to); break;
        case fs::Confined::Missing:
        case fs::Confined::Failed: fileNotCopied(from, to); break;
    }
}

void FailedOperations::entryNotCopied(const std::wstring& path) {
    add(L"Skipped " + path + L": not a regular file or folder");
}

void FailedOperations::loopNotCopied(const std::wstring& path) {
    add(L"Skipped " + path + L": the folder leads back to a folder that holds it");
}

}  // namespace velmora
