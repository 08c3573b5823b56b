#include "validate/PathQuery.h"

#include <cwctype>
#include <filesystem>
#include <system_error>

#include "platform/FileSystem.h"

namespace velmora {

namespace {

namespace stdfs = std::filesystem;

// Windows is the platform whose separator is a backslash.
bool NamesIgnoreCase() { return fs::Separator() == L'\\'; }

bool IsSeparator(wchar_t c) { return c == L'/' || c == fs::Separator(); }

// Trailing separators go, except the one of a root ("/", "C:\").
std::wstring WithoutTrailingSeparators(std::wstring text) {
    while (text.size() > 1 && IsSeparator(text.back()) && text[text.size() - 2] != L':')
        text.pop_back();
    return text;
}

std::wstring FoldCase(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
    return text;
}

}  // namespace

PathQuery FileSystemPathQuery() {
    return [](const std::wstring& path) {
        // An empty path would otherwise name the current folder on some systems.
        return !path.empty() && fs::Exists(fs::ToPath(path));
    };
}

PathResolver FileSystemPathResolver() {
    return [](const std::wstring& text) {
        std::error_code error;
        const stdfs::path absolute = stdfs::absolute(fs::ToPath(text), error);
        if (error) return WithoutTrailingSeparators(text);
        // Resolves the part that exists through the file system (links included),
        // then appends the rest without its "." and ".." steps.
        stdfs::path resolved = stdfs::weakly_canonical(absolute, error);
        if (error) resolved = absolute.lexically_normal();
        const std::wstring result = WithoutTrailingSeparators(fs::ToText(resolved));
        return NamesIgnoreCase() ? FoldCase(result) : result;
    };
}

bool IsSameOrInside(const std::wstring& path, const std::wstring& folder) {
    if (path.size() < folder.size() || path.compare(0, folder.size(), folder) != 0) return false;
    if (path.size() == folder.size()) return true;
    // "/out/ZQD2" is not inside "/out/ZQD"; "/x" is inside the root "/".
    return IsSeparator(path[folder.size()]) || IsSeparator(folder.back());
}

}  // namespace velmora
