#include "generate/BspReference.h"

#include "platform/FileSystem.h"

namespace velmora {
namespace {

bool EndsWithSeparator(const std::wstring& text) {
    return !text.empty() && text.back() == fs::Separator();
}

// True when outputFolder is bspPath itself or a folder below it. A plain substring
// test would also match "/x/BSP2/out" for "/x/BSP", or a match in the middle.
bool LiesInside(const std::wstring& outputFolder, const std::wstring& bspPath) {
    if (bspPath.empty() || outputFolder.compare(0, bspPath.size(), bspPath) != 0) return false;
    return outputFolder.size() == bspPath.size() || EndsWithSeparator(bspPath) ||
           outputFolder[bspPath.size()] == fs::Separator();
}

// Folder names in the tail; doubled or trailing separators name no folder.
int FolderLevels(const std::wstring& tail) {
    int levels = 0;
    bool inName = false;
    for (const wchar_t c : tail) {
        const bool separator = c == fs::Separator();
        if (!separator && !inName) ++levels;
        inName = !separator;
    }
    return levels;
}

std::wstring Repeat(const std::wstring& piece, int times) {
    std::wstring text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

}  // namespace

std::optional<std::wstring> RelativeBspPath(const std::wstring& outputFolder,
                                            const std::wstring& bspPath,
                                            const std::wstring& fullBspPath) {
    if (LiesInside(outputFolder, bspPath)) {
        // The project files that receive it use the backslash on every platform.
        return Repeat(L"..\\", FolderLevels(outputFolder.substr(bspPath.size())) + 2);
    }
    if (bspPath.size() > 1) return AbsoluteBspReference(fullBspPath);
    return std::nullopt;
}

std::wstring AbsoluteBspReference(const std::wstring& bspPath) { return bspPath + fs::Separator(); }

}  // namespace velmora
