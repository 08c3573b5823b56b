#pragma once
// Small uVision project files for the import tests, written the way uVision
// writes them: the elements ldp.lua reads, in their usual places.

#include <string>
#include <vector>

namespace velmora::test {

// One row of OnChipMemories, such as OCR_RVCT4 (the Target dialog's IROM1).
struct KeilMemoryRow {
    std::string element;
    std::string start;
    std::string size;
};

struct KeilTarget {
    std::string targetName = "Target";
    std::string outputName = "App";  // empty: no OutputName element
    std::string cpu = "IRAM(0x20000000,0x8000) IROM(0x00000000,0x20000) CPUTYPE(\"Cortex-M23\") TZ";
    std::string nSecure = "0";       // empty: no nSecure element
    std::vector<KeilMemoryRow> memories;
    std::vector<std::string> defaultTicks;  // e.g. "Ir1Chk": set to 1, the others left out
    std::string scatterFile;         // empty: an empty ScatterFile element
    bool layoutFromDialog = false;   // umfTarg
};

// The whole .uvprojx text with these targets in order.
std::string KeilProjectXml(const std::vector<KeilTarget>& targets);

}  // namespace velmora::test
