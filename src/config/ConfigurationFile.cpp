#include "config/ConfigurationFile.h"

#include "config/IniNumbers.h"
#include "model/MemorySplit.h"
#include "model/PeripheralTable.h"
#include "platform/Format.h"

namespace velmora {

namespace {

constexpr const wchar_t* kGeneral = L"GENERAL";
constexpr const wchar_t* kXom = L"XOM";
constexpr const wchar_t* kIp = L"IP";
// Highest project section number the file may hold.
constexpr int kLastProjectSection = 99;
// A project section needs this many values to be loaded.
constexpr int kMinimumProjectValues = 8;

std::wstring ProjectSection(int n) { return Format(L"PRJ%d", n); }
std::wstring XomBaseName(int k) { return Format(L"XOM_BASE%d", k); }
std::wstring XomSizeName(int k) { return Format(L"XOM_SIZE%d", k); }
std::wstring XomProjectName(int k) { return Format(L"PRJ_NAME%d", k); }

void LoadProjectRow(CIniFile& store, const std::wstring& s, ProjectTable& table) {
    const std::wstring name = store.GetText(s, L"NAME");
    const auto nonSecure = static_cast<int>(store.GetHex(s, L"NS"));
    const std::uint32_t ro = store.GetHex(s, L"RO");
    const std::uint32_t roSize = store.GetHex(s, L"ROSIZE");
    const std::uint32_t rw = store.GetHex(s, L"RW");
    const std::uint32_t nsc = store.GetHex(s, L"NSC");
    const std::uint32_t nscSize = store.GetHex(s, L"NSCSIZE");
    const std::uint32_t xom = store.GetHex(s, L"XOM");
    const std::wstring nextBoot = store.GetText(s, L"NEXTBOOT");
    const std::wstring path = store.GetText(s, L"PATH");
    AddProjectRow(table, name, nonSecure, ro, roSize, rw, nsc, nscSize, xom, nextBoot, path);
}

void LoadProjects(CIniFile& store, ProjectTable& table) {
    // A missing or short section does not end the scan.
    for (int n = 0; n <= kLastProjectSection; ++n) {
        const std::wstring s = ProjectSection(n);
        if (store.CountValues(s) < kMinimumProjectValues) continue;
        LoadProjectRow(store, s, table);
    }
}

void LoadXomRows(CIniFile& store, XomTable& table) {
    for (int k = 0; k < kXomRegionCount; ++k) {
        const std::uint32_t base = store.GetHex(kXom, XomBaseName(k));
        const std::uint32_t size = store.GetHex(kXom, XomSizeName(k));
        SetXomRow(table, k, base, size, store.GetText(kXom, XomProjectName(k)));
    }
}

void LoadPeripheralStates(CIniFile& store, PeripheralTable& peripherals) {
    for (PeripheralEntry& peripheral : peripherals)
        peripheral.state = ParseIniDecimal(store.GetText(kIp, peripheral.name));
}

void SaveProjectRow(CIniFile& store, const std::wstring& s, const ProjectEntry& row) {
    store.PutText(s, L"NAME", row.name, true);
    const bool nonSecure = row.nonSecure();
    store.PutHex(s, L"NS", nonSecure ? 1u : 0u, true);
    store.PutText(s, L"RO", row.roBase, true);
    store.PutText(s, L"ROSIZE", row.roSize, true);
    store.PutText(s, L"RW", row.rwBase, true);
    store.PutText(s, L"NSC", nonSecure ? std::wstring() : row.nscBase, true);
    store.PutText(s, L"NSCSIZE", nonSecure ? std::wstring() : row.nscSize, true);
    store.PutHex(s, L"XOM", row.xomMask(), true);
    store.PutText(s, L"NEXTBOOT", row.nextBoot, true);
    store.PutText(s, L"PATH", row.path, true);
}

// Every stale section above the rows goes, not only the unbroken run after the last
// row: a section left above a gap would come back as a phantom row on the next start.
void RemoveStaleProjectSections(CIniFile& store, int rowCount) {
    for (int n = rowCount; n <= kLastProjectSection; ++n) store.RemoveKey(ProjectSection(n));
}

}  // namespace

bool LoadConfiguration(CIniFile& store, PartitionConfig& config, const std::wstring& path) {
    store.path = path;
    if (!store.Read() || store.KeyIndexOf(ProjectSection(0)) < 0) {
        BuildDefaultConfiguration(store, config);
        return false;
    }
    config.templatePath = store.GetText(kGeneral, L"TEMPLATE_PATH");
    config.nsba = store.GetHex(kGeneral, L"NSBA");
    config.sramNsba = store.GetHex(kGeneral, L"SRAMNSBA");
    config.bspPath = store.GetText(kGeneral, L"BSP_PATH");
    LoadProjects(store, config.projects);
    LoadXomRows(store, config.xomRegions);
    LoadPeripheralStates(store, config.peripherals);
    return true;
}

void BuildDefaultConfiguration(CIniFile& store, PartitionConfig& config) {
    config.nsba = 0x80000;
    store.PutHex(kGeneral, L"FNSBA", 0x40000, true);
    store.PutHex(kGeneral, L"SRAMNSBA", 0x8000, true);
    config.sramNsba = 0x8000;

    const std::wstring s = ProjectSection(0);
    store.PutText(s, L"NAME", L"Secure", true);
    store.PutHex(s, L"NS", 0, true);
    store.PutHex(s, L"RO", 0, true);
    store.PutHex(s, L"ROSIZE", 0x20000, true);
    store.PutHex(s, L"RW", 0x20000000, true);
    store.PutHex(s, L"NSC", 0x3f000, true);
    store.PutHex(s, L"NSCSIZE", 0x3ffff, true);
    store.PutHex(s, L"XOM", 0, true);
    store.PutText(s, L"NEXTBOOT", L"", true);
    store.PutText(s, L"PATH", L"", true);
    AddProjectRow(config.projects, L"Secure", 0, 0, 0x20000, 0x20000000, 0x3f000, 0x3ffff, 0, L"",
                  L"");

    for (int k = 0; k < kXomRegionCount; ++k) {
        store.PutHex(kXom, XomBaseName(k), 0, true);
        store.PutHex(kXom, XomSizeName(k), 0, true);
        store.PutText(kXom, XomProjectName(k), L"", true);
        SetXomRow(config.xomRegions, k, 0, 0, L"");
    }

    for (PeripheralEntry& peripheral : config.peripherals)
        peripheral.state = IsAlwaysSecure(peripheral.name) ? 0 : 1;
}

bool SaveConfiguration(CIniFile& store, const PartitionConfig& config) {
    store.PutText(kGeneral, L"TEMPLATE_PATH", config.templatePath, true);
    store.PutText(kGeneral, L"BSP_PATH", config.bspPath, true);
    store.PutHex(kGeneral, L"NSBA", config.nsba, true);
    store.PutHex(kGeneral, L"SRAMNSBA", config.sramNsba, true);

    const auto& rows = config.projects.rows;
    for (std::size_t n = 0; n < rows.size(); ++n)
        SaveProjectRow(store, ProjectSection(static_cast<int>(n)), rows[n]);
    RemoveStaleProjectSections(store, config.projects.size());

    for (int k = 0; k < kXomRegionCount; ++k) {
        const XomRegion& region = config.xomRegions[static_cast<std::size_t>(k)];
        store.PutText(kXom, XomBaseName(k), region.base, true);
        store.PutText(kXom, XomSizeName(k), region.size, true);
        store.PutText(kXom, XomProjectName(k), region.projectName, true);
    }

    for (const PeripheralEntry& peripheral : config.peripherals)
        store.PutDecimal(kIp, peripheral.name, peripheral.state, true);

    if (store.path.empty()) store.path = kConfigurationPath;
    return store.Write();
}

void PositionBoundaries(PartitionConfig& config) {
    config.nsba = NsbaFromFlashPosition(FlashPositionFromNsba(config.nsba));
    config.sramNsba = SramNsbaFromPosition(SramPositionFromNsba(config.sramNsba));
}

bool LoadPositionedConfiguration(CIniFile& store, PartitionConfig& config,
                                 const std::wstring& path) {
    const bool fromFile = LoadConfiguration(store, config, path);
    PositionBoundaries(config);
    return fromFile;
}

}  // namespace velmora
