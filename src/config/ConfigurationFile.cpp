#include "config/ConfigurationFile.h"

#include <limits>

#include "config/IniIndex.h"
#include "config/IniNumbers.h"
#include "model/MemorySplit.h"
#include "model/PeripheralTable.h"
#include "platform/Format.h"

namespace velmora {

namespace {

constexpr const wchar_t* kGeneral = L"GENERAL";
constexpr const wchar_t* kXom = L"XOM";
constexpr const wchar_t* kIp = L"IP";
constexpr const wchar_t* kProjectPrefix = L"PRJ";
// Up to this section number a missing section does not end the loading; above
// it the first missing one does.
constexpr int kLastSectionAcrossGaps = 99;
// A project section needs this many values to be loaded.
constexpr int kMinimumProjectValues = 8;

std::wstring ProjectSection(int n) { return Format(L"PRJ%d", n); }
std::wstring XomBaseName(int k) { return Format(L"XOM_BASE%d", k); }
std::wstring XomSizeName(int k) { return Format(L"XOM_SIZE%d", k); }
std::wstring XomProjectName(int k) { return Format(L"PRJ_NAME%d", k); }

// The n of a section name that ProjectSection(n) gives, or -1 for any other name
// (PRJ07, PRJ-1, prj7 and numbers beyond int are no project sections).
int ProjectSectionNumber(const std::wstring& name) {
    const std::wstring prefix = kProjectPrefix;
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return -1;
    const std::wstring digits = name.substr(prefix.size());
    if (digits.size() > 1 && digits[0] == L'0') return -1;
    long long n = 0;
    for (const wchar_t c : digits) {
        if (c < L'0' || c > L'9') return -1;
        n = n * 10 + (c - L'0');
        if (n > std::numeric_limits<int>::max()) return -1;
    }
    return static_cast<int>(n);
}

void LoadProjectRow(CIniFile::Index& store, const std::wstring& s, ProjectTable& table) {
    const std::wstring name = store.getText(s, L"NAME");
    const auto nonSecure = static_cast<int>(store.getHex(s, L"NS"));
    const std::uint32_t ro = store.getHex(s, L"RO");
    const std::uint32_t roSize = store.getHex(s, L"ROSIZE");
    const std::uint32_t rw = store.getHex(s, L"RW");
    const std::uint32_t nsc = store.getHex(s, L"NSC");
    const std::uint32_t nscSize = store.getHex(s, L"NSCSIZE");
    const std::uint32_t xom = store.getHex(s, L"XOM");
    const std::wstring nextBoot = store.getText(s, L"NEXTBOOT");
    const std::wstring path = store.getText(s, L"PATH");
    AddProjectRow(table, name, nonSecure, ro, roSize, rw, nsc, nscSize, xom, nextBoot, path);
}

// A missing or short section up to PRJ99 does not end the scan; beyond it the
// scan goes on while the sections follow without a gap.
void LoadProjects(CIniFile& store, ProjectTable& table) {
    CIniFile::Index index(store);
    for (int n = 0; n < std::numeric_limits<int>::max(); ++n) {
        const std::wstring s = ProjectSection(n);
        const int values = index.countValues(s);
        if (values < 0 && n > kLastSectionAcrossGaps) break;
        if (values < kMinimumProjectValues) continue;
        LoadProjectRow(index, s, table);
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

void SaveProjectRow(CIniFile::Index& store, std::size_t s, const ProjectEntry& row) {
    store.put(s, L"NAME", row.name);
    const bool nonSecure = row.nonSecure();
    store.put(s, L"NS", FormatHex(nonSecure ? 1u : 0u));
    store.put(s, L"RO", row.roBase);
    store.put(s, L"ROSIZE", row.roSize);
    store.put(s, L"RW", row.rwBase);
    store.put(s, L"NSC", nonSecure ? std::wstring() : row.nscBase);
    store.put(s, L"NSCSIZE", nonSecure ? std::wstring() : row.nscSize);
    store.put(s, L"XOM", FormatHex(row.xomMask()));
    store.put(s, L"NEXTBOOT", row.nextBoot);
    store.put(s, L"PATH", row.path);
}

void SaveProjectRows(CIniFile::Index& store, const ProjectTable& projects) {
    const auto& rows = projects.rows;
    for (std::size_t n = 0; n < rows.size(); ++n)
        SaveProjectRow(store, store.sectionFor(ProjectSection(static_cast<int>(n))), rows[n]);
}

// Every stale section above the rows goes, whatever its number, not only the
// unbroken run after the last row: a section left above a gap would come back as
// a phantom row on the next start.
void RemoveStaleProjectSections(CIniFile::Index& store, int rowCount) {
    store.removeSections(
        [rowCount](const std::wstring& name) { return ProjectSectionNumber(name) >= rowCount; });
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
    // Thousands of imported rows: every lookup goes through one index.
    CIniFile::Index index(store);
    index.put(kGeneral, L"TEMPLATE_PATH", config.templatePath);
    index.put(kGeneral, L"BSP_PATH", config.bspPath);
    index.put(kGeneral, L"NSBA", FormatHex(config.nsba));
    index.put(kGeneral, L"SRAMNSBA", FormatHex(config.sramNsba));

    SaveProjectRows(index, config.projects);
    RemoveStaleProjectSections(index, config.projects.size());

    for (int k = 0; k < kXomRegionCount; ++k) {
        const XomRegion& region = config.xomRegions[static_cast<std::size_t>(k)];
        index.put(kXom, XomBaseName(k), region.base);
        index.put(kXom, XomSizeName(k), region.size);
        index.put(kXom, XomProjectName(k), region.projectName);
    }

    for (const PeripheralEntry& peripheral : config.peripherals)
        index.put(kIp, peripheral.name, Format(L"%d", peripheral.state));

    if (store.path.empty()) store.path = kConfigurationPath;
    return store.Write();
}

bool SaveConfigurationBeforeClosing(CIniFile& store, const PartitionConfig& config,
                                    Frontend& frontend) {
    if (SaveConfiguration(store, config)) return true;
    // Closing now would throw the session's edits away; the person may first fix
    // the folder's permissions or free disk space.
    return frontend.message(kCloseWithoutSavingQuestion, kApplicationName, MessageIcon::Warning,
                            MessageButtons::YesNo) == MessageAnswer::Yes;
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
