#include "ValidationFixtures.h"

#include <cstddef>
#include <filesystem>

namespace velmora::test {

namespace stdfs = std::filesystem;

namespace {

void MakeFolders(const stdfs::path& root, bool device, bool cmsis, bool stdDriver) {
    stdfs::create_directories(root / "Library" / "Device" / "Quorvex");
    if (device) stdfs::create_directories(root / "Library" / "Device" / "Quorvex" / "V6048");
    if (cmsis) stdfs::create_directories(root / "Library" / "CMSIS");
    if (stdDriver) stdfs::create_directories(root / "Library" / "StdDriver");
}

}  // namespace

BspTrees::BspTrees() {
    MakeFolders(dir_.file("complete"), true, true, true);
    MakeFolders(dir_.file("no-device"), false, true, true);
    MakeFolders(dir_.file("no-cmsis"), true, false, true);
    MakeFolders(dir_.file("no-stddriver"), true, true, false);
}

std::wstring BspTrees::folder(const char* name) const { return dir_.file(name).wstring(); }

ProjectEntry MakeRow(const std::wstring& name, const std::wstring& state,
                     const std::wstring& ro, const std::wstring& roSize,
                     const std::wstring& rw, const std::wstring& nsc,
                     const std::wstring& nscSize) {
    ProjectEntry row;
    row.name = name;
    row.stateText = state;
    row.roBase = ro;
    row.roSize = roSize;
    row.rwBase = rw;
    row.nscBase = nsc;
    row.nscSize = nscSize;
    return row;
}

void FreeXom(PartitionConfig& config, int k) {
    for (ProjectEntry& row : config.projects.rows)
        row.xomCells[static_cast<std::size_t>(k)] = XomCellState::Free;
}

void GiveXom(PartitionConfig& config, int owner, int k) {
    auto& rows = config.projects.rows;
    for (std::size_t r = 0; r < rows.size(); ++r)
        rows[r].xomCells[static_cast<std::size_t>(k)] =
            static_cast<int>(r) == owner ? XomCellState::Owned : XomCellState::Taken;
}

PartitionConfig ValidConfiguration(const std::wstring& bspPath) {
    PartitionConfig config;
    config.bspPath = bspPath;
    config.nsba = 0x10040000;
    config.sramNsba = 0x30008000;
    config.projects.rows = {
        MakeRow(L"Secure", L"S", L"0x0", L"0x20000", L"0x20000000", L"0x3f000", L"0x1000"),
        MakeRow(L"NonSecure", L"NS", L"0x10040000", L"0x20000", L"0x30008000", L"", L""),
    };
    config.projects.rows[0].nextBoot = L"NonSecure";
    GiveXom(config, 0, 0);
    GiveXom(config, 1, 3);
    config.xomRegions[0] = {L"0x30000", L"0x800", L"Secure"};
    config.xomRegions[1] = {L"0x31000", L"0x800", L""};
    config.xomRegions[2] = {L"0x32000", L"0x800", L""};
    config.xomRegions[3] = {L"0x10070000", L"0x800", L"NonSecure"};
    return config;
}

}  // namespace velmora::test
