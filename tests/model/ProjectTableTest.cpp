#include <gtest/gtest.h>

#include <array>
#include <random>

#include "model/ProjectTableEditing.h"
#include "support/ScriptedFrontend.h"

namespace velmora {
namespace {

using S = XomCellState;

ProjectTable TableWith(int rows) {
    ProjectTable table;
    for (int i = 0; i < rows; ++i) {
        AddProjectRow(table, L"P" + std::to_wstring(i), 0, 0, 0, 0, 0, 0, 0, L"", L"");
    }
    return table;
}

std::vector<S> Column(const ProjectTable& table, std::size_t k) {
    std::vector<S> cells;
    for (const ProjectEntry& row : table.rows) cells.push_back(row.xomCells[k]);
    return cells;
}

// Per region: every row Free, or exactly one Owned and all others Taken.
::testing::AssertionResult XomInvariantHolds(const ProjectTable& table) {
    for (std::size_t k = 0; k < kXomRegionCount; ++k) {
        int owned = 0, taken = 0, free = 0;
        for (const ProjectEntry& row : table.rows) {
            owned += row.xomCells[k] == S::Owned;
            taken += row.xomCells[k] == S::Taken;
            free += row.xomCells[k] == S::Free;
        }
        const bool nobody = owned == 0 && taken == 0;
        const bool one = owned == 1 && free == 0;
        if (!nobody && !one) {
            return ::testing::AssertionFailure() << "region " << k << ": owned " << owned
                                                 << ", taken " << taken << ", free " << free;
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(AddProjectRow, FormatsNumbersAndEmptiesNscOfNonSecureRows) {
    ProjectTable table;
    AddProjectRow(table, L"App", 1, 0x10040000, 0x20000, 0x30008000, 0x3f000, 0x800, 0, L"X", L"p");
    AddProjectRow(table, L"Boot", 0, 0, 0x20000, 0x20000000, 0x3f000, 0x3ffff, 0, L"", L"");
    const ProjectEntry& ns = table.rows[0];
    EXPECT_EQ(ns.stateText, L"NS");
    EXPECT_EQ(ns.roBase, L"0x10040000");
    EXPECT_EQ(ns.nscBase, L"");
    EXPECT_EQ(ns.nscSize, L"");
    EXPECT_EQ(ns.nextBoot, L"X");
    EXPECT_EQ(ns.path, L"p");
    const ProjectEntry& s = table.rows[1];
    EXPECT_EQ(s.stateText, L"S");
    EXPECT_EQ(s.roBase, L"0x0");
    EXPECT_EQ(s.nscBase, L"0x3f000");
    EXPECT_EQ(s.nscSize, L"0x3ffff");
}

TEST(AddProjectRow, LaterOwnerTakesTheRegion) {
    ProjectTable table;
    AddProjectRow(table, L"A", 0, 0, 0, 0, 0, 0, 0b0001, L"", L"");
    AddProjectRow(table, L"B", 0, 0, 0, 0, 0, 0, 0b0001, L"", L"");
    EXPECT_EQ(Column(table, 0), (std::vector<S>{S::Taken, S::Owned}));
    EXPECT_EQ(table.rows[1].xomMask(), 1u);
    EXPECT_EQ(table.rows[0].xomMask(), 0u);
}

TEST(AddProjectRow, NewRowSeesOtherOwners) {
    ProjectTable table;
    AddProjectRow(table, L"A", 0, 0, 0, 0, 0, 0, 0b0010, L"", L"");
    AddProjectRow(table, L"B", 0, 0, 0, 0, 0, 0, 0, L"", L"");
    EXPECT_EQ(table.rows[1].xomCells, (std::array<S, 4>{S::Free, S::Taken, S::Free, S::Free}));
}

TEST(SetXomRow, WritesHexAndIgnoresBadIndex) {
    XomTable xom;
    SetXomRow(xom, 1, 0x7000, 4000, L"Demo");
    EXPECT_EQ(xom[1].base, L"0x7000");
    EXPECT_EQ(xom[1].size, L"0xfa0");
    EXPECT_EQ(xom[1].projectName, L"Demo");
    SetXomRow(xom, 4, 1, 1, L"X");
    SetXomRow(xom, -1, 1, 1, L"X");
    for (std::size_t k : {0u, 2u, 3u}) EXPECT_TRUE(xom[k].base.empty());
}

TEST(AddNewProject, StopsAtTenRowsWithAWarning) {
    ProjectTable table = TableWith(9);
    test::ScriptedFrontend ui;
    EXPECT_TRUE(AddNewProject(table, ui));
    ASSERT_EQ(table.size(), 10);
    EXPECT_EQ(table.rows[9].name, L"NewPrj");
    EXPECT_EQ(table.rows[9].stateText, L"S");
    EXPECT_EQ(table.rows[9].roSize, L"0x0");
    EXPECT_EQ(table.rows[9].nscBase, L"0x0");
    EXPECT_TRUE(ui.messages.empty());

    EXPECT_FALSE(AddNewProject(table, ui));
    EXPECT_EQ(table.size(), 10);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, L"Too many projects");
    EXPECT_EQ(ui.messages[0].caption, L"WARNING");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
}

TEST(AddNewProject, RefusesAboveTenLoadedRowsToo) {
    ProjectTable table = TableWith(12);
    test::ScriptedFrontend ui;
    EXPECT_FALSE(AddNewProject(table, ui));
    EXPECT_EQ(table.size(), 12);
}

TEST(ToggleXomCell, TakeAndReleaseARegion) {
    ProjectTable table = TableWith(4);
    XomTable xom;
    ToggleXomCell(table, xom, 3, 2);
    EXPECT_EQ(Column(table, 2), (std::vector<S>{S::Taken, S::Taken, S::Taken, S::Owned}));
    EXPECT_EQ(xom[2].projectName, L"P3");

    ToggleXomCell(table, xom, 1, 2);  // a hidden box releases the region too
    EXPECT_EQ(Column(table, 2), (std::vector<S>(4, S::Free)));
    EXPECT_EQ(xom[2].projectName, L"");

    ToggleXomCell(table, xom, 0, 2);
    ToggleXomCell(table, xom, 0, 2);
    EXPECT_EQ(Column(table, 2), (std::vector<S>(4, S::Free)));
}

TEST(ToggleXomCell, RenameAfterTakingKeepsTheOldName) {
    ProjectTable table = TableWith(1);
    XomTable xom;
    xom[3].base = L"0x7000";
    ToggleXomCell(table, xom, 0, 3);
    table.rows[0].name = L"Renamed";
    EXPECT_EQ(xom[3].projectName, L"P0");
    EXPECT_EQ(xom[3].base, L"0x7000");
}

TEST(ToggleXomCell, BadIndicesChangeNothing) {
    ProjectTable table = TableWith(2);
    XomTable xom;
    ToggleXomCell(table, xom, -1, 0);
    ToggleXomCell(table, xom, 2, 0);
    ToggleXomCell(table, xom, 0, 4);
    for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(Column(table, k), (std::vector<S>(2, S::Free)));
}

TEST(DeleteProject, OwnerLeavesRegionFree) {
    ProjectTable table = TableWith(3);
    XomTable xom;
    ToggleXomCell(table, xom, 1, 0);
    ToggleXomCell(table, xom, 2, 1);
    DeleteProject(table, xom, 1);
    ASSERT_EQ(table.size(), 2);
    EXPECT_EQ(table.rows[1].name, L"P2");
    EXPECT_EQ(Column(table, 0), (std::vector<S>(2, S::Free)));
    EXPECT_EQ(xom[0].projectName, L"");
    EXPECT_EQ(Column(table, 1), (std::vector<S>{S::Taken, S::Owned}));
    EXPECT_EQ(xom[1].projectName, L"P2");

    DeleteProject(table, xom, 0);  // owns nothing: XOM columns unchanged
    EXPECT_EQ(Column(table, 1), (std::vector<S>{S::Owned}));
    DeleteProject(table, xom, 5);
    DeleteProject(table, xom, -1);
    EXPECT_EQ(table.size(), 1);
}

TEST(RefreshNextBootChoices, OtherRowsInOrderAfterThePlaceholders) {
    ProjectTable table = TableWith(3);
    EXPECT_EQ(table.nextBootChoices, (std::vector<std::wstring>{L"t1", L"t2", L"t3"}));
    table.rows[2].name = L"P0";
    RefreshNextBootChoices(table, 1);
    EXPECT_EQ(table.nextBootChoices, (std::vector<std::wstring>{L"P0", L"P0"}));
}

// The row Owned in column k, or -1.
int OwnerRow(const ProjectTable& table, std::size_t k) {
    for (int r = 0; r < table.size(); ++r)
        if (table.rows[static_cast<std::size_t>(r)].xomCells[k] == S::Owned) return r;
    return -1;
}

// Against a plain model of who owns what: the last row that took a region owns it,
// a click on a Free cell takes it, any other click frees it, a deleted owner frees it.
TEST(XomInvariant, HoldsUnderRandomEditing) {
    std::mt19937 random(12345);
    ProjectTable table;
    XomTable xom;
    test::ScriptedFrontend ui;
    std::array<int, kXomRegionCount> owner{-1, -1, -1, -1};
    for (int step = 0; step < 5000; ++step) {
        const int action = static_cast<int>(random() % 4);
        const int row = table.size() > 0 ? static_cast<int>(random() % static_cast<unsigned>(table.size())) : 0;
        const int k = static_cast<int>(random() % 4);
        if (action == 0) {
            const unsigned mask = random() % 16;
            AddProjectRow(table, L"R", 0, 0, 0, 0, 0, 0, mask, L"", L"");
            for (std::size_t m = 0; m < kXomRegionCount; ++m)
                if ((mask >> m) & 1u) owner[m] = table.size() - 1;
        }
        if (action == 1 && table.size() > 0) {
            const auto region = static_cast<std::size_t>(k);
            const bool wasFree = table.rows[static_cast<std::size_t>(row)].xomCells[region] == S::Free;
            ToggleXomCell(table, xom, row, k);
            owner[region] = wasFree ? row : -1;
        }
        if (action == 2 && table.size() > 3) {
            DeleteProject(table, xom, row);
            for (int& o : owner) o = o == row ? -1 : (o > row ? o - 1 : o);
        }
        if (action == 3 && AddNewProject(table, ui)) {
            // A new row of zeros owns nothing.
        }
        ASSERT_TRUE(XomInvariantHolds(table)) << "after step " << step;
        for (std::size_t m = 0; m < kXomRegionCount; ++m)
            ASSERT_EQ(OwnerRow(table, m), owner[m]) << "region " << m << " after step " << step;
    }
}

// Thousands of appended rows, each taking regions from the one before, as a large
// import does: every region ends with the last row that took it.
TEST(AddProjectRow, ManyRowsPassRegionsOnToTheLastTaker) {
    ProjectTable table;
    constexpr int kRows = 20000;
    for (int i = 0; i < kRows; ++i) {
        const unsigned mask = (i % 2 == 0 ? 0b0001u : 0u) | (i % 3 == 0 ? 0b0100u : 0u);
        AddProjectRow(table, L"R", 0, 0, 0, 0, 0, 0, mask, L"", L"");
    }
    EXPECT_EQ(OwnerRow(table, 0), 19998);
    EXPECT_EQ(OwnerRow(table, 1), -1);
    EXPECT_EQ(OwnerRow(table, 2), 19998);
    EXPECT_TRUE(XomInvariantHolds(table));
}

struct HexCase {
    const wchar_t* text;
    std::uint32_t value;
};

class ParseHexCellCases : public ::testing::TestWithParam<HexCase> {};

TEST_P(ParseHexCellCases, ReadsLeadingHexDigits) {
    EXPECT_EQ(ParseHexCell(GetParam().text), GetParam().value) << "text: " << ::testing::PrintToString(std::wstring(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseHexCellCases,
    ::testing::Values(HexCase{L"0x3f000", 0x3F000}, HexCase{L"3F000", 0x3F000},
                      HexCase{L"0x1fzz", 0x1F}, HexCase{L" 0x10", 0}, HexCase{L"", 0},
                      HexCase{L"0x123456789", 0x23456789}, HexCase{L"0X800", 0x800},
                      HexCase{L"800", 0x800}, HexCase{L"2k", 2}, HexCase{L"0x", 0},
                      HexCase{L"x10", 0}, HexCase{L"0xFFFFFFFF", 0xFFFFFFFF},
                      HexCase{L"ffffffff", 0xFFFFFFFF}, HexCase{L"0x0x10", 0}));

TEST(ProjectCells, TextColumnsOnly) {
    ProjectTable table = TableWith(1);
    ProjectEntry& row = table.rows[0];
    EXPECT_TRUE(SetProjectCellText(row, kColumnNextBoot, L"Next"));
    EXPECT_EQ(row.nextBoot, L"Next");
    EXPECT_EQ(ProjectCellText(row, kColumnName), L"P0");
    EXPECT_FALSE(SetProjectCellText(row, kColumnXom0, L"x"));
    EXPECT_FALSE(SetProjectCellText(row, kColumnHidden, L"x"));
    EXPECT_EQ(ProjectCellText(row, kColumnXom3), L"");
}

}  // namespace
}  // namespace velmora
