#pragma once
// Configurations and BSP folders for the validation tests.

#include <string>

#include "model/PartitionConfig.h"
#include "support/TempDir.h"

namespace velmora::test {

// Real BSP trees below one fresh temporary folder: complete() holds all three
// required folders, the others lack exactly one of them.
class BspTrees {
public:
    BspTrees();

    std::wstring complete() const { return folder("complete"); }
    std::wstring withoutDevice() const { return folder("no-device"); }
    std::wstring withoutCmsis() const { return folder("no-cmsis"); }
    std::wstring withoutStdDriver() const { return folder("no-stddriver"); }
    std::wstring absent() const { return folder("absent"); }

private:
    std::wstring folder(const char* name) const;
    TempDir dir_;
};

// A row from cell texts; all XOM cells Free, no next boot.
ProjectEntry MakeRow(const std::wstring& name, const std::wstring& state,
                     const std::wstring& ro, const std::wstring& roSize,
                     const std::wstring& rw, const std::wstring& nsc,
                     const std::wstring& nscSize);

// A configuration that passes every rule, touching both worlds:
//   nsba 0x10040000, sramNsba 0x30008000, BSP bspPath;
//   row 0 "Secure" S:  RO 0x0/0x20000, RW 0x20000000, NSC 0x3f000/0x1000,
//                      owns XOM0, next boot "NonSecure";
//   row 1 "NonSecure" NS: RO 0x10040000/0x20000, RW 0x30008000, owns XOM3;
//   XOM0 0x30000/0x800 "Secure", XOM1 0x31000/0x800, XOM2 0x32000/0x800 (unused),
//   XOM3 0x10070000/0x800 "NonSecure".
PartitionConfig ValidConfiguration(const std::wstring& bspPath);

// Makes `row` the sole owner of region k (the others become Taken).
void GiveXom(PartitionConfig& config, int row, int k);

// Frees region k in every row.
void FreeXom(PartitionConfig& config, int k);

}  // namespace velmora::test
