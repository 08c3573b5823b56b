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

}  // namespace velmora
