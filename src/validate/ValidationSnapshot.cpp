#include "validate/ValidationSnapshot.h"

#include <cstddef>

#include "model/ProjectTableEditing.h"

namespace velmora {

namespace {

ProjectValues ReadProject(const ProjectEntry& entry) {
    ProjectValues values;
    values.name = entry.name;
    values.nextBoot = entry.nextBoot;
    values.state = StateOf(entry.stateText);
    values.roBase = ParseHexCell(entry.roBase);
    values.roSize = ParseHexCell(entry.roSize);
    values.rwBase = ParseHexCell(entry.rwBase);
    // Only a row that is exactly "S" has an NSC region; anything else keeps NoNsc.
    if (values.state == ProjectState::Secure) {
        values.nscBase = ParseHexCell(entry.nscBase);
        values.nscSize = ParseHexCell(entry.nscSize);
    }
    for (std::size_t k = 0; k < values.ownsXom.size(); ++k)
        values.ownsXom[k] = entry.xomCells[k] == XomCellState::Owned;
    return values;
}

XomValues ReadXomRegion(const XomRegion& region) {
    XomValues values;
    values.base = ParseHexCell(region.base);
    values.size = ParseHexCell(region.size);
    values.inUse = !region.projectName.empty();
    return values;
}

}  // namespace

ProjectState StateOf(const std::wstring& stateText) {
    if (stateText == L"S") return ProjectState::Secure;
    if (stateText == L"NS") return ProjectState::NonSecure;
    return ProjectState::Other;
}

ValidationSnapshot TakeValidationSnapshot(const PartitionConfig& config) {
    ValidationSnapshot snapshot;
    snapshot.projects.reserve(config.projects.rows.size());
    for (const ProjectEntry& entry : config.projects.rows)
        snapshot.projects.push_back(ReadProject(entry));
    for (std::size_t k = 0; k < snapshot.xom.size(); ++k)
        snapshot.xom[k] = ReadXomRegion(config.xomRegions[k]);
    snapshot.bspPath = config.bspPath;
    snapshot.templatePath = config.templatePath;
    snapshot.nsba = config.nsba;
    snapshot.sramNsba = config.sramNsba;
    return snapshot;
}

}  // namespace velmora
