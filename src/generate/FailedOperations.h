#pragma once
// The file operations of one generation that did not succeed, in the order they
// failed, one readable line each (a repeated failure is listed once). Generation
// goes on past them; at the end they replace the plain completion message.

#include <string>
#include <vector>

#include "platform/ConfinedFiles.h"

namespace velmora {

class FailedOperations {
public:
    void folderNotCreated(const std::wstring& path);
    void folderNotRead(const std::wstring& path);
    void fileNotCopied(const std::wstring& from, const std::wstring& to);
    void fileNotMoved(const std::wstring& from, const std::wstring& to);
    void fileNotWritten(const std::wstring& path);
    // A link or a special file (pipe, device) in the output folder, where a write,
    // a rename or a removal would have gone through it.
    void notWrittenThroughLink(const std::wstring& path);
    void notCopiedThroughLink(const std::wstring& from, const std::wstring& to);
    // The failure, if any, of a copy into the output folder that gave result.
    void copied(fs::Confined result, const std::wstring& from, const std::wstring& to);
    // Template entries the copy leaves out.
    void entryNotCopied(const std::wstring& path);
    void loopNotCopied(const std::wstring& path);
    // A failure that a script or a later step describes in its own words.
    void reported(const std::wstring& line) { add(line); }

    bool empty() const { return lines_.empty(); }
    const std::vector<std::wstring>& lines() const { return lines_; }

private:
    void add(std::wstring line);

    std::vector<std::wstring> lines_;
};

}  // namespace velmora
