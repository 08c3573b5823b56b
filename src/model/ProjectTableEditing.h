#pragma once
// The interactive rules of the project and XOM tables: adding, deleting, the
// XOM ownership cells, the Next Boot choices and the reading of numeric cells.

#include <cstdint>
#include <string>

#include "model/Frontend.h"
#include "model/PartitionConfig.h"

namespace velmora {

inline constexpr int kMaxAddedProjects = 10;

// Project table columns, as the grid shows them (0 and 13 are hidden).
enum ProjectColumn : int {
    kColumnHidden = 0,
    kColumnName = 1,
    kColumnState = 2,
    kColumnRo = 3,
    kColumnRoSize = 4,
    kColumnRw = 5,
    kColumnNsc = 6,
    kColumnNscSize = 7,
    kColumnXom0 = 8,
    kColumnXom3 = 11,
    kColumnNextBoot = 12,
    kColumnPath = 13,
    kProjectColumnCount = 14
};

// "Add new project": a secure "NewPrj" row of zeros. With 10 rows or more it shows
// "Too many projects" (WARNING, warning icon, OK) instead; returns true when a row was added.
bool AddNewProject(ProjectTable& table, Frontend& frontend);

// Removes the row and releases the regions it owned; an index that is no row does nothing.
void DeleteProject(ProjectTable& table, XomTable& xom, int row);

// A click on column 8+k: a Free cell takes the region, an Owned or Taken one frees it.
void ToggleXomCell(ProjectTable& table, XomTable& xom, int row, int k);

// Replaces the Next Boot choices by the names of all other rows, in row order.
void RefreshNextBootChoices(ProjectTable& table, int row);

// Validation's reading of a numeric cell: optional "0x"/"0X", then hex digits up to
// the first other character, in wrapping 32-bit arithmetic; 0 when none.
std::uint32_t ParseHexCell(const std::wstring& text);

// The text of a text column (1..7, 12, 13) of a row; empty for the others.
std::wstring ProjectCellText(const ProjectEntry& entry, int column);
// Sets a text column; returns false for a column that holds no text.
bool SetProjectCellText(ProjectEntry& entry, int column, const std::wstring& text);

}  // namespace velmora
