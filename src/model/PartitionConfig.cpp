#include "model/PartitionConfig.h"

#include "platform/Format.h"

namespace velmora {

unsigned ProjectEntry::xomMask() const {
    unsigned mask = 0;
    for (int k = 0; k < kXomRegionCount; ++k) {
        if (xomCells[static_cast<std::size_t>(k)] == XomCellState::Owned) mask |= 1u << k;
    }
    return mask;
}

std::wstring FormatHex(std::uint32_t value) { return Format(L"0x%x", static_cast<unsigned>(value)); }

namespace {

bool SomeRowOwns(const std::vector<ProjectEntry>& rows, std::size_t k) {
    for (const ProjectEntry& row : rows) {
        if (row.xomCells[k] == XomCellState::Owned) return true;
    }
    return false;
}

// The new last row takes or leaves each region; a taken region moves away from its old owner.
void AssignXomCellsOfLastRow(std::vector<ProjectEntry>& rows, unsigned xomMask) {
    ProjectEntry& added = rows.back();
    for (std::size_t k = 0; k < kXomRegionCount; ++k) {
        if ((xomMask >> k) & 1u) {
            for (ProjectEntry& other : rows) other.xomCells[k] = XomCellState::Taken;
            added.xomCells[k] = XomCellState::Owned;
        } else {
            added.xomCells[k] = XomCellState::Free;
            if (SomeRowOwns(rows, k)) added.xomCells[k] = XomCellState::Taken;
        }
    }
}

}  // namespace

void AddProjectRow(ProjectTable& table, const std::wstring& name, int nonSecure, std::uint32_t ro,
                   std::uint32_t roSize, std::uint32_t rw, std::uint32_t nsc, std::uint32_t nscSize,
                   unsigned xomMask, const std::wstring& nextBoot, const std::wstring& path) {
    ProjectEntry entry;
    entry.name = name;
    entry.stateText = nonSecure != 0 ? L"NS" : L"S";
    entry.roBase = FormatHex(ro);
    entry.roSize = FormatHex(roSize);
    entry.rwBase = FormatHex(rw);
    if (nonSecure == 0) {
        entry.nscBase = FormatHex(nsc);
        entry.nscSize = FormatHex(nscSize);
    }
    entry.nextBoot = nextBoot;
    entry.path = path;
    table.rows.push_back(std::move(entry));
    AssignXomCellsOfLastRow(table.rows, xomMask);
}

void SetXomRow(XomTable& table, int k, std::uint32_t base, std::uint32_t size,
               const std::wstring& projectName) {
    if (k < 0 || k >= kXomRegionCount) return;
    XomRegion& region = table[static_cast<std::size_t>(k)];
    region.base = FormatHex(base);
    region.size = FormatHex(size);
    region.projectName = projectName;
}

}  // namespace velmora
