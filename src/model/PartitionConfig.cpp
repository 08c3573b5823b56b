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

// The row that owns region k, or rows.size() when none does; the hint saves the
// search while it still names the owner.
std::size_t OwnerOf(const std::vector<ProjectEntry>& rows, std::size_t k, std::size_t hint) {
    if (hint < rows.size() && rows[hint].xomCells[k] == XomCellState::Owned) return hint;
    for (std::size_t r = 0; r < rows.size(); ++r)
        if (rows[r].xomCells[k] == XomCellState::Owned) return r;
    return rows.size();
}

// The new last row takes or leaves each region; a taken region moves away from its
// old owner. By the invariant the row before the new one tells whether anyone owns
// a region: Free there means nobody does.
void AssignXomCellsOfLastRow(ProjectTable& table, unsigned xomMask) {
    std::vector<ProjectEntry>& rows = table.rows;
    const std::size_t added = rows.size() - 1;
    for (std::size_t k = 0; k < kXomRegionCount; ++k) {
        const bool someoneOwns = added > 0 && rows[added - 1].xomCells[k] != XomCellState::Free;
        if (((xomMask >> k) & 1u) == 0) {
            rows[added].xomCells[k] = someoneOwns ? XomCellState::Taken : XomCellState::Free;
            continue;
        }
        if (someoneOwns) {
            const std::size_t owner = OwnerOf(rows, k, table.xomOwnerHint[k]);
            if (owner < added) rows[owner].xomCells[k] = XomCellState::Taken;
        } else {
            for (std::size_t r = 0; r < added; ++r) rows[r].xomCells[k] = XomCellState::Taken;
        }
        rows[added].xomCells[k] = XomCellState::Owned;
        table.xomOwnerHint[k] = added;
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
    AssignXomCellsOfLastRow(table, xomMask);
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
