#include "generate/MemoryMapText.h"

#include <algorithm>

#include "model/ChipMemoryMap.h"

namespace velmora {
namespace {

using namespace ChipMemoryMap;
using TextRow = std::vector<std::wstring>;

// Columns padded to their widest cell, two blanks apart; no blanks at line ends.
std::wstring Table(const std::vector<TextRow>& rows) {
    std::vector<std::size_t> widths;
    for (const TextRow& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
    }
    std::wstring text;
    for (const TextRow& row : rows) {
        std::wstring line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line += std::wstring(widths[i] - row[i].size() + 2, L' ');
        }
        line.erase(line.find_last_not_of(L' ') + 1);
        text += line + L"\n";
    }
    return text;
}

std::wstring Part(const wchar_t* name, std::uint32_t base, std::uint32_t size) {
    return std::wstring(name) + L" " + BoundsText(base, size) + L" (" + SizeText(size) + L")";
}

std::wstring Memories(const MemoryMap& map) {
    return L"Flash (APROM) " + SizeText(flashSize) + L": " +
           Part(L"secure", flashBase, map.secureFlashSize) + L", " +
           Part(L"non-secure", flashNsAlias + map.secureFlashSize, flashSize - map.secureFlashSize) +
           L"\nSRAM " + SizeText(sramSize) + L": " + Part(L"secure", sramBase, map.secureSramSize) +
           L", " +
           Part(L"non-secure", sramNsAlias + map.secureSramSize, sramSize - map.secureSramSize) +
           L"\n";
}

std::wstring Mark(bool problem) { return problem ? L"!" : L""; }

std::wstring ProjectRegions(const MemoryMap& map) {
    std::vector<TextRow> rows{{L"Project", L"State", L"Region", L"Base", L"Last byte", L"Size", L""}};
    int previous = -1;
    for (const MapRegion* region : RegionsByProject(map)) {
        const MapProject& project = map.projects[static_cast<std::size_t>(region->project)];
        const bool first = region->project != previous;
        previous = region->project;
        rows.push_back({first ? project.name : L"", first ? WorldText(project) : L"",
                        RegionKindText(*region), AddressText(region->base),
                        region->size == 0 ? L"(empty)" : AddressText(LastByte(region->base, region->size)),
                        SizeText(region->size), Mark(region->problem)});
    }
    if (rows.size() == 1) return L"Projects: none\n";
    return L"Projects (! marks a region with a problem)\n" + Table(rows);
}

std::wstring XomRegions(const MemoryMap& map) {
    std::vector<TextRow> rows{{L"XOM", L"Base", L"Size", L"Owner", L"XOM table names", L""}};
    for (const MapRegion* region : XomRegionsByIndex(map)) {
        rows.push_back({RegionKindText(*region), AddressText(region->base), SizeText(region->size),
                        region->project >= 0
                            ? map.projects[static_cast<std::size_t>(region->project)].name
                            : L"(unused)",
                        region->xomTableName, Mark(region->problem)});
    }
    return L"XOM regions\n" + Table(rows);
}

std::wstring SauRegions(const MemoryMap& map) {
    std::vector<TextRow> rows{{L"#", L"Base", L"Limit", L"Attribute", L"NSC areas of"}};
    for (std::size_t i = 0; i < map.sau.regions.size(); ++i) {
        const SauRegion& sau = map.sau.regions[i];
        rows.push_back({std::to_wstring(i), AddressText(sau.base), AddressText(sau.limit),
                        SauAttributeText(sau), SauOwnersText(sau)});
    }
    if (rows.size() == 1) return L"SAU regions: none\n";
    return L"SAU regions of the partition header\n" + Table(rows);
}

std::wstring Lines(const std::wstring& title, const std::vector<std::wstring>& lines,
                   const std::wstring& none) {
    if (lines.empty()) return title + L": " + none + L"\n";
    std::wstring text = title + L"\n";
    for (const std::wstring& line : lines) text += L"  " + line + L"\n";
    return text;
}

std::wstring Peripherals(const MemoryMap& map, bool nonSecure) {
    std::wstring names;
    for (const MapPeripheral& p : map.peripherals) {
        if (p.nonSecure != nonSecure) continue;
        if (!names.empty()) names += L" ";
        names += p.name;
    }
    return std::wstring(nonSecure ? L"Non-secure peripherals: " : L"Secure peripherals: ") +
           (names.empty() ? L"none" : names) + L"\n";
}

}  // namespace

std::wstring MemoryMapText(const MemoryMap& map) {
    return L"Memory map\n" + VerdictText(map) + L"\n\n" + Memories(map) + L"\n" +
           ProjectRegions(map) + L"\n" + XomRegions(map) + L"\n" + SauRegions(map) + L"\n" +
           Lines(L"Boot chain", BootChainLines(map), L"no project starts another") + L"\n" +
           Peripherals(map, false) + Peripherals(map, true) + L"\n" +
           Lines(L"Problems", map.problems, L"none found");
}

}  // namespace velmora
