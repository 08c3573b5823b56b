#include "model/ProjectTableEditing.h"

#include <cwctype>

namespace velmora {
namespace {

std::wstring* TextCell(ProjectEntry& entry, int column) {
    switch (column) {
        case kColumnName: return &entry.name;
        case kColumnState: return &entry.stateText;
        case kColumnRo: return &entry.roBase;
        case kColumnRoSize: return &entry.roSize;
        case kColumnRw: return &entry.rwBase;
        case kColumnNsc: return &entry.nscBase;
        case kColumnNscSize: return &entry.nscSize;
        case kColumnNextBoot: return &entry.nextBoot;
        case kColumnPath: return &entry.path;
        default: return nullptr;
    }
}

void SetColumn(ProjectTable& table, std::size_t k, XomCellState state) {
    for (ProjectEntry& row : table.rows) row.xomCells[k] = state;
}

int HexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

wchar_t AsciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; }

}  // namespace

bool AddNewProject(ProjectTable& table, Frontend& frontend) {
    if (table.size() >= kMaxAddedProjects) {
        frontend.message(L"Too many projects", L"WARNING", MessageIcon::Warning, MessageButtons::Ok);
        return false;
    }
    AddProjectRow(table, L"NewPrj", 0, 0, 0, 0, 0, 0, 0, L"", L"");
    return true;
}

void DeleteProject(ProjectTable& table, XomTable& xom, int row) {
    if (!table.hasRow(row)) return;
    ProjectEntry& deleted = table.rows[static_cast<std::size_t>(row)];
    for (std::size_t k = 0; k < kXomRegionCount; ++k) {
        if (deleted.xomCells[k] != XomCellState::Owned) continue;
        for (ProjectEntry& other : table.rows) {
            if (other.xomCells[k] == XomCellState::Taken) other.xomCells[k] = XomCellState::Free;
        }
        deleted.xomCells[k] = XomCellState::Free;
        xom[k].projectName.clear();
    }
    table.rows.erase(table.rows.begin() + row);
}

void ToggleXomCell(ProjectTable& table, XomTable& xom, int row, int k) {
    if (!table.hasRow(row) || k < 0 || k >= kXomRegionCount) return;
    const auto region = static_cast<std::size_t>(k);
    ProjectEntry& clicked = table.rows[static_cast<std::size_t>(row)];
    if (clicked.xomCells[region] == XomCellState::Free) {
        xom[region].projectName = clicked.name;
        SetColumn(table, region, XomCellState::Taken);
        clicked.xomCells[region] = XomCellState::Owned;
    } else {
        xom[region].projectName.clear();
        SetColumn(table, region, XomCellState::Free);
    }
}

void RefreshNextBootChoices(ProjectTable& table, int row) {
    table.nextBootChoices.clear();
    for (int i = 0; i < table.size(); ++i) {
        if (i != row) table.nextBootChoices.push_back(table.rows[static_cast<std::size_t>(i)].name);
    }
}

std::uint32_t ParseHexCell(const std::wstring& text) {
    std::size_t i = 0;
    if (text.size() >= 2 && text[0] == L'0' && AsciiUpper(text[1]) == L'X') i = 2;
    std::uint32_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = HexDigitValue(AsciiUpper(text[i]));
        if (digit < 0) break;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

std::wstring ProjectCellText(const ProjectEntry& entry, int column) {
    const std::wstring* cell = TextCell(const_cast<ProjectEntry&>(entry), column);
    return cell ? *cell : std::wstring();
}

bool SetProjectCellText(ProjectEntry& entry, int column, const std::wstring& text) {
    std::wstring* cell = TextCell(entry, column);
    if (cell == nullptr) return false;
    *cell = text;
    return true;
}

}  // namespace velmora
