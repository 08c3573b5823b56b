#include "platform/InstallLocation.h"

#include <system_error>
#include <vector>

#include "platform/FileSystem.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace velmora {
namespace {

bool HoldsWorkingFolder(const fs::Path& folder) {
    return fs::IsDirectory(folder) && fs::Exists(folder / "default.kiv") &&
           !fs::IsDirectory(folder / "default.kiv");
}

// The build folder is known only to a program built by this project's CMake.
std::vector<fs::Path> BuildTreeLayouts(const fs::Path& executable) {
#if defined(VELMORA_BUILD_DIR) && defined(VELMORA_SOURCE_WORKSPACE)
    // Wide literals: the paths take the same way into a Path as every other text.
    if (fs::IsWithin(executable, fs::ToPath(fs::FullPath(L"" VELMORA_BUILD_DIR)))) {
        return {fs::ToPath(fs::FullPath(L"" VELMORA_SOURCE_WORKSPACE))};
    }
#else
    (void)executable;
#endif
    return {};
}

std::vector<fs::Path> Layouts(const fs::Path& executable) {
    const fs::Path folder = executable.parent_path();
    std::vector<fs::Path> layouts{folder.parent_path() / "share" / "velmora" / "workspace",
                                  folder / "workspace"};
    for (fs::Path& fallback : BuildTreeLayouts(executable)) layouts.push_back(std::move(fallback));
    return layouts;
}

}  // namespace

std::wstring ExecutablePath() {
#ifdef _WIN32
    std::wstring buffer(MAX_PATH, L'\0');
    // The path is cut to the buffer's size without telling so; grow until it fits.
    while (buffer.size() <= 32768) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
    return {};
#elif defined(__linux__)
    std::error_code error;
    const fs::Path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::wstring() : fs::ToText(path);
#else
    return {};
#endif
}

std::wstring FindBundledWorkspace(const std::wstring& executablePath) {
    if (executablePath.empty()) return {};
    const fs::Path executable = fs::ToPath(fs::FullPath(executablePath));
    for (const fs::Path& candidate : Layouts(executable)) {
        if (HoldsWorkingFolder(candidate)) return fs::ToText(candidate.lexically_normal());
    }
    return {};
}

std::wstring FindBundledWorkspace() { return FindBundledWorkspace(ExecutablePath()); }

}  // namespace velmora
