#include "validate/OutputFolderRules.h"

#include <array>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Format.h"

namespace velmora {

namespace {

struct KeptFolder {
    std::wstring resolved;
    const wchar_t* description;
};

// The folders that generation reads from and must never write into.
std::array<KeptFolder, 2> KeptFolders(const ValidationSnapshot& snapshot,
                                      const PathResolver& resolve) {
    const std::wstring templateTree = fs::WithPlatformSeparators(L".\\ZQD");
    const std::wstring library =
        fs::WithNativeSeparators(snapshot.bspPath) + fs::WithPlatformSeparators(L"\\Library");
    return {{{resolve(templateTree), L"the template folder ZQD"},
             {resolve(library), L"the BSP Library folder"}}};
}

// The description of the kept folder that the resolved path is or lies in, or null.
const wchar_t* KeptFolderHolding(const std::wstring& resolved,
                                 const std::array<KeptFolder, 2>& kept) {
    for (const KeptFolder& folder : kept)
        if (IsSameOrInside(resolved, folder.resolved)) return folder.description;
    return nullptr;
}

}  // namespace

ValidationError CheckOutputFolder(const ValidationSnapshot& snapshot, const PathResolver& resolve) {
    if (snapshot.templatePath.empty()) return std::nullopt;
    const std::array<KeptFolder, 2> kept = KeptFolders(snapshot, resolve);
    // The generator writes to the folder as it is written, with the platform's separator.
    const std::wstring output = fs::WithNativeSeparators(snapshot.templatePath);
    if (const wchar_t* inside = KeptFolderHolding(resolve(output), kept))
        return Format(L"Template path cannot be %ls or lie inside it.", inside);
    for (const ProjectValues& project : snapshot.projects) {
        const std::wstring folder = output + fs::Separator() + project.name;
        if (const wchar_t* inside = KeptFolderHolding(resolve(folder), kept))
            return Format(L"[%ls] project folder cannot be %ls or lie inside it.",
                          project.name.c_str(), inside);
    }
    return std::nullopt;
}

}  // namespace velmora
