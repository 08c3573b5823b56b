#include "validate/BspRules.h"

#include <cstddef>

#include "platform/FileSystem.h"

namespace velmora {

namespace {

struct RequiredFolder {
    const wchar_t* suffix;
    const wchar_t* missingMessage;
};

constexpr std::array<RequiredFolder, 3> kRequiredFolders{{
    {L"\\Library\\Device\\Quorvex\\V6048", L" Worng BSP\\Device\\Quorvex\\V6048 path"},
    {L"\\Library\\CMSIS", L" Worng BSP\\CMSIS path"},
    {L"\\Library\\StdDriver", L" Worng BSP\\StdDriver path"},
}};

}  // namespace

std::array<std::wstring, 3> RequiredBspPaths(const std::wstring& bspPath) {
    std::array<std::wstring, 3> paths;
    for (std::size_t i = 0; i < paths.size(); ++i)
        paths[i] = bspPath + fs::WithPlatformSeparators(kRequiredFolders[i].suffix);
    return paths;
}

ValidationError CheckBspFolder(const std::wstring& bspPath, const PathQuery& pathExists) {
    if (!pathExists(bspPath)) return std::wstring(L" Worng BSP path");
    const std::array<std::wstring, 3> paths = RequiredBspPaths(bspPath);
    for (std::size_t i = 0; i < paths.size(); ++i)
        if (!pathExists(paths[i])) return std::wstring(kRequiredFolders[i].missingMessage);
    return std::nullopt;
}

}  // namespace velmora
