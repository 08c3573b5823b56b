#pragma once
// The configuration the dialog edits. The project and XOM tables hold their rows
// as cell texts, exactly as the user sees them; readers parse them when needed.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/PeripheralTable.h"

namespace velmora {

enum class XomCellState { Free, Owned, Taken };

inline constexpr int kXomRegionCount = 4;

struct ProjectEntry {
    std::wstring name;
    std::wstring stateText;  // "S" secure, "NS" non-secure; other typed text is kept
    std::wstring roBase;
    std::wstring roSize;
    std::wstring rwBase;
    std::wstring nscBase;
    std::wstring nscSize;
    std::array<XomCellState, kXomRegionCount> xomCells{XomCellState::Free, XomCellState::Free,
                                                       XomCellState::Free, XomCellState::Free};
    std::wstring nextBoot;
    std::wstring path;

    // Anything other than exactly "S" counts as non-secure.
    bool nonSecure() const { return stateText != L"S"; }
    // Bit k set exactly when cell k is Owned.
    unsigned xomMask() const;
};

struct ProjectTable {
    std::vector<ProjectEntry> rows;
    // The Next Boot drop-down's choices: placeholders until the first click in the column.
    std::vector<std::wstring> nextBootChoices{L"t1", L"t2", L"t3"};
    // Where AddProjectRow last put the owner of each region: a hint, trusted only
    // while that row is still Owned, so that appending rows stays linear.
    std::array<std::size_t, kXomRegionCount> xomOwnerHint{};

    int size() const { return static_cast<int>(rows.size()); }
    bool hasRow(int row) const { return row >= 0 && row < size(); }
};

struct XomRegion {
    std::wstring base;
    std::wstring size;
    std::wstring projectName;
};

using XomTable = std::array<XomRegion, kXomRegionCount>;

struct PartitionConfig {
    std::wstring templatePath;
    std::wstring bspPath;
    std::uint32_t nsba = 0;
    std::uint32_t sramNsba = 0;
    ProjectTable projects;
    XomTable xomRegions;
    PeripheralTable peripherals = BuildPeripheralTable();
};

// Appends one row from values; numbers are written "0x%x", a non-secure row gets
// empty NSC cells, and each bit of xomMask takes that region from any previous owner.
// Relies on the ownership invariant (per region all rows Free, or one Owned and the
// others Taken) and takes constant time once every region's state is settled.
void AddProjectRow(ProjectTable& table, const std::wstring& name, int nonSecure, std::uint32_t ro,
                   std::uint32_t roSize, std::uint32_t rw, std::uint32_t nsc, std::uint32_t nscSize,
                   unsigned xomMask, const std::wstring& nextBoot, const std::wstring& path);

// Writes row k (0..3) of the XOM table; an index outside 0..3 changes nothing.
void SetXomRow(XomTable& table, int k, std::uint32_t base, std::uint32_t size,
               const std::wstring& projectName);

// "0x%x": lower-case hexadecimal, no leading zeros.
std::wstring FormatHex(std::uint32_t value);

}  // namespace velmora
