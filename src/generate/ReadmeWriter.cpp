#include "generate/ReadmeWriter.h"

#include "generate/MarkupText.h"
#include "platform/TextCodec.h"

namespace velmora {
namespace {

std::wstring Cell(const std::wstring& text) { return EscapeMarkdownCell(text); }

// A code span; a text that a code span cannot hold (a backtick, a line break) is
// shown escaped instead. A '|' is escaped either way, as tables need.
std::wstring Code(const std::wstring& text) {
    const std::wstring clean = CleanDocumentText(text);
    if (clean.find_first_of(L"`\n\r") != std::wstring::npos) return Cell(clean);
    std::wstring span = L"`";
    for (wchar_t c : clean) span += c == L'|' ? std::wstring(L"\\|") : std::wstring(1, c);
    return span + L"`";
}

// The pattern with every %P replaced by the project's name.
std::wstring ForProject(const wchar_t* pattern, const std::wstring& project) {
    std::wstring text = pattern;
    for (std::size_t at = text.find(L"%P"); at != std::wstring::npos;
         at = text.find(L"%P", at + project.size())) {
        text.replace(at, 2, project);
    }
    return text;
}

std::wstring TableRow(const std::vector<std::wstring>& cells) {
    std::wstring line = L"|";
    for (const std::wstring& cell : cells) line += L" " + cell + L" |";
    return line + L"\n";
}

std::wstring TableHead(const std::vector<std::wstring>& titles) {
    std::wstring rule = L"|";
    for (std::size_t i = 0; i < titles.size(); ++i) rule += L"---|";
    return TableRow(titles) + rule + L"\n";
}

// Secure projects first, then the non-secure ones, each in row order: the order
// of generation and of building.
std::vector<int> GeneratedProjects(const MemoryMap& map) {
    std::vector<int> rows;
    for (MapWorld world : {MapWorld::Secure, MapWorld::NonSecure}) {
        for (std::size_t row = 0; row < map.projects.size(); ++row)
            if (map.projects[row].world == world) rows.push_back(static_cast<int>(row));
    }
    return rows;
}

bool HasNscArea(const MemoryMap& map, int row) {
    for (const MapRegion& region : map.regions)
        if (region.kind == RegionKind::Nsc && region.project == row) return true;
    return false;
}

std::wstring ProjectFiles(const MemoryMap& map, int row) {
    const MapProject& project = map.projects[static_cast<std::size_t>(row)];
    const std::wstring& p = project.name;
    std::wstring files = Code(ForProject(L"%P/main_%P.c", p));
    if (project.world == MapWorld::Secure) files += L", " + Code(ForProject(L"%P/KEIL/secure.sct", p));
    for (const MapRegion& region : map.regions) {
        if (region.kind != RegionKind::Xom || region.project != row) continue;
        const std::wstring k = std::to_wstring(region.xomIndex);
        files += L", " + Code(p + L"/xom" + k + L"_func.c") + L", " + Code(p + L"/xom" + k + L"_func.h");
    }
    return files;
}

std::wstring WhatWasGenerated(const MemoryMap& map) {
    std::wstring text = L"## What was generated\n\n";
    for (const BuildFlavour& flavour : BuildFlavours()) {
        text += L"- " + Code(flavour.topFiles) + L": the " + flavour.name +
                L" workspace, in which every project is listed\n";
    }
    text += L"- `partition_V6048.h`: the partition header of the secure projects (SAU regions, "
            L"peripheral and interrupt attribution)\n"
            L"- [MemoryMap.html](MemoryMap.html): the memory map of this configuration\n\n";
    std::vector<std::wstring> titles{L"Project", L"World"};
    for (const BuildFlavour& flavour : BuildFlavours())
        if (*flavour.projectFile) titles.push_back(flavour.name);
    titles.push_back(L"Other files");
    text += TableHead(titles);
    for (int row : GeneratedProjects(map)) {
        const MapProject& project = map.projects[static_cast<std::size_t>(row)];
        std::vector<std::wstring> cells{Cell(project.name),
                                        project.world == MapWorld::Secure ? L"secure" : L"non-secure"};
        for (const BuildFlavour& flavour : BuildFlavours())
            if (*flavour.projectFile) cells.push_back(Code(ForProject(flavour.projectFile, project.name)));
        cells.push_back(ProjectFiles(map, row));
        text += TableRow(cells);
    }
    return text + L"\n";
}

std::wstring HowToBuild() {
    std::wstring text = L"## How to build\n\n";
    text += TableHead({L"Flavour", L"Open", L"Build"});
    for (const BuildFlavour& flavour : BuildFlavours())
        text += TableRow({flavour.name, Code(flavour.topFiles), flavour.build});
    return text + L"\n";
}

std::wstring ImportLibraries(const std::wstring& project) {
    std::wstring text;
    for (const BuildFlavour& flavour : BuildFlavours()) {
        if (!*flavour.importLibrary) continue;
        if (!text.empty()) text += L", ";
        text += Code(ForProject(flavour.importLibrary, project)) + L" (" + flavour.name + L")";
    }
    return text;
}

std::wstring BuildOrder(const MemoryMap& map) {
    std::wstring text =
        L"## Build order\n\nBuild the secure projects before the non-secure ones: a secure "
        L"project with an NSC area writes the import library of its non-secure callable "
        L"functions, and every non-secure project links those libraries.\n\n";
    std::vector<std::wstring> libraries;
    int step = 1;
    for (int row : GeneratedProjects(map)) {
        const MapProject& project = map.projects[static_cast<std::size_t>(row)];
        text += std::to_wstring(step++) + L". " + Cell(project.name);
        if (project.world == MapWorld::Secure) {
            text += L" (secure)";
            if (HasNscArea(map, row)) {
                text += L", writes " + ImportLibraries(project.name);
                libraries.push_back(project.name);
            }
        } else {
            text += L" (non-secure)";
            if (!libraries.empty()) {
                std::wstring names;
                for (const std::wstring& name : libraries)
                    names += (names.empty() ? L"" : L", ") + Cell(name);
                text += L", links the import libraries of " + names;
            }
        }
        text += L"\n";
    }
    return text + L"\n";
}

std::wstring BootChain(const MemoryMap& map) {
    std::wstring text = L"## Boot chain\n\n";
    const std::vector<std::wstring> lines = BootChainLines(map);
    if (lines.empty()) return text + L"No project starts another.\n\n";
    for (const std::wstring& line : lines) text += L"- " + Cell(line) + L"\n";
    return text + L"\n";
}

std::wstring WhatToSupply(const ReadmeFacts& facts) {
    std::wstring text =
        L"## What you must supply\n\nThe generated projects build, but they do not download to "
        L"the chip or debug it on their own:\n\n";
    text += TableHead({L"Tool chain", L"Left off in the generated projects", L"You supply",
                       L"Where to set it"});
    for (const UserSupply& supply : UserSupplies())
        text += TableRow({supply.toolChain, supply.leftOff, supply.supply, supply.where});
    text += L"\nThe projects include the board-support package from " + Code(facts.bspPath) +
            L", referred to from their tool-chain folders as " + Code(facts.rpath) +
            L"; it must stay there (or be generated again from its new place).\n";
    return text;
}

}  // namespace

const std::vector<BuildFlavour>& BuildFlavours() {
    static const std::vector<BuildFlavour> flavours{
        {L"Keil MDK", L"TrustZone.uvmpw", L"%P/KEIL/%P.uvprojx", L"%P/nsclib/%P_CMSE_Lib.o",
         L"Open the workspace in µVision and use Project → Batch Build with every project "
         L"selected; the workspace lists the secure projects first"},
        {L"IAR EWARM", L"TrustZone.eww", L"%P/IAR/%P.ewp", L"%P/nsclib/%P_CMSE_Lib_IAR.o",
         L"Open the workspace in Embedded Workbench and use Project → Batch Build with the "
         L"batch `All`, which lists the secure projects first"},
        {L"GCC and CMake", L"CMakeLists.txt", L"%P/GCC/CMakeLists.txt",
         L"build/default/%P/%P_CMSE_Lib.o",
         L"In this folder run `cmake --preset default`, then `cmake --build --preset default` "
         L"(arm-none-eabi-gcc with newlib, CMake 3.21 or later and Ninja); each image lands in "
         L"`build/default/<project>/` as `<project>.elf` with `.hex` and `.bin` beside it, the "
         L"secure ones built first. The preset `release` builds at -O2 into `build/release`"},
    };
    return flavours;
}

const std::vector<UserSupply>& UserSupplies() {
    static const std::vector<UserSupply> supplies{
        {L"Keil MDK", L"\"Update Target before Debugging\" and flash download are off",
         L"a device pack or a flash algorithm for the V6048, and a debug probe (for example "
         L"CMSIS-DAP, J-Link or ULINK)",
         L"Options for Target → Debug → Settings → Flash Download; the probe in Options for "
         L"Target → Debug"},
        {L"IAR EWARM", L"no flash loader, unless the BSP provides one",
         L"a flash loader for the V6048, and a debug probe (for example CMSIS-DAP, J-Link or "
         L"I-jet)",
         L"Options → Debugger → Download → Use flash loader; the probe in Options → Debugger → "
         L"Setup → Driver"},
        {L"GCC and CMake", L"no probe or GDB server set-up",
         L"a GDB server for your probe (for example OpenOCD, pyOCD or the J-Link GDB server) and "
         L"arm-none-eabi-gdb or gdb-multiarch",
         L"connect GDB to the server, then `-x <project>/GCC/debug.gdb` of a secure project "
         L"loads every image of its boot chain from `build/default` with their symbols"},
    };
    return supplies;
}

std::string GeneratedReadme(const MemoryMap& map, const ReadmeFacts& facts) {
    std::wstring text = L"# TrustZone projects for the V6048\n\n"
                        L"The memory map of this configuration is in "
                        L"[MemoryMap.html](MemoryMap.html).\n\n";
    text += WhatWasGenerated(map) + HowToBuild() + BuildOrder(map) + BootChain(map) +
            WhatToSupply(facts);
    return WideToUtf8(text);
}

}  // namespace velmora
