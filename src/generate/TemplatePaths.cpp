#include "generate/TemplatePaths.h"

#include <initializer_list>

#include "platform/FileSystem.h"

namespace velmora {
namespace {

std::wstring Join(std::initializer_list<std::wstring> parts) {
    std::wstring path;
    for (const std::wstring& part : parts) {
        if (!path.empty()) path += fs::Separator();
        path += part;
    }
    return path;
}

}  // namespace

std::wstring TemplateSource(const std::wstring& relative) {
    return fs::WithPlatformSeparators(relative);
}

std::wstring ProjectFolder(const std::wstring& o, const std::wstring& p) { return Join({o, p}); }

std::wstring MainFile(const std::wstring& o, const std::wstring& p) {
    return Join({o, p, L"main_" + p + L".c"});
}

std::wstring ScatterFile(const std::wstring& o, const std::wstring& p) {
    return Join({o, p, L"KEIL", L"secure.sct"});
}

std::wstring PartitionHeader(const std::wstring& o) { return Join({o, L"partition_V6048.h"}); }

std::wstring WorkspaceFile(const std::wstring& o, const std::wstring& fileName) {
    return Join({o, fileName});
}

const std::vector<std::wstring>& WorkspaceFileNames() {
    static const std::vector<std::wstring> names{L"TrustZone.uvmpw", L"TrustZone.eww", L"CMakeLists.txt",
                                                 L"CMakePresets.json", L"arm-none-eabi-gcc.cmake"};
    return names;
}

std::wstring XomFunctionFile(const std::wstring& o, const std::wstring& p, int k,
                             const std::wstring& extension) {
    return Join({o, p, L"xom" + std::to_wstring(k) + L"_func." + extension});
}

std::vector<FileMove> ProjectFileMoves(const std::wstring& o, const std::wstring& p,
                                       const std::wstring& templateName,
                                       const std::wstring& mainFileName) {
    std::vector<FileMove> moves;
    const std::pair<const wchar_t*, const wchar_t*> toolChainFiles[] = {{L"KEIL", L".uvprojx"},
                                                                        {L"KEIL", L".uvoptx"},
                                                                        {L"IAR", L".eww"},
                                                                        {L"IAR", L".ewd"},
                                                                        {L"IAR", L".ewp"}};
    for (const auto& [folder, extension] : toolChainFiles) {
        moves.push_back(
            {Join({o, p, folder, templateName + extension}), Join({o, p, folder, p + extension})});
    }
    moves.push_back({Join({o, p, L"GCC", L"CMakeLists.txt.in"}), Join({o, p, L"GCC", L"CMakeLists.txt"})});
    moves.push_back({Join({o, p, mainFileName}), MainFile(o, p)});
    return moves;
}

}  // namespace velmora
