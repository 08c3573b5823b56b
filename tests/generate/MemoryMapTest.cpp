// The memory map's model: where each region is found, which problems it marks
// (for configurations that validation refuses as well), the boot chains, and the
// text report built on it; cells read as generation reads them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "generate/MemoryMap.h"
#include "generate/MemoryMapText.h"

namespace velmora {
namespace {

// One secure and one non-secure project that pass every rule, on a 256 KB / 32 KB split.
PartitionConfig TwoProjects() {
    PartitionConfig config;
    config.nsba = 0x10040000;
    config.sramNsba = 0x30008000;
    AddProjectRow(config.projects, L"Sec", 0, 0x0, 0x20000, 0x20000000, 0x3F000, 0x1000, 0b01,
                  L"App", L"");
    AddProjectRow(config.projects, L"App", 1, 0x10040000, 0x20000, 0x30008000, 0, 0, 0, L"", L"");
    SetXomRow(config.xomRegions, 0, 0x20000, 0x4000, L"Sec");
    return config;
}

const MapRegion* Find(const MemoryMap& map, RegionKind kind, int project) {
    for (const MapRegion& region : map.regions)
        if (region.kind == kind && region.project == project) return &region;
    return nullptr;
}

struct PlaceCase {
    std::uint32_t base;
    std::uint64_t size;
    MapMemory memory;
    bool nonSecureView;
    std::uint64_t offset;
    std::uint64_t offsetEnd;
    bool clipped;
};

TEST(MemoryMapPlace, ViewsAndTheirEdges) {
    const PlaceCase cases[] = {
        {0x0, 0x800, MapMemory::Flash, false, 0, 0x800, false},
        {0x7FFFF, 2, MapMemory::Flash, false, 0x7FFFF, 0x80000, true},
        {0x80000, 1, MapMemory::None, false, 0, 0, false},
        {0x10040000, 0x40000, MapMemory::Flash, true, 0x40000, 0x80000, false},
        {0x1007F800, 0x100000000, MapMemory::Flash, true, 0x7F800, 0x80000, true},
        {0x0FFFFFFF, 1, MapMemory::None, false, 0, 0, false},
        {0x20017FFF, 1, MapMemory::Sram, false, 0x17FFF, 0x18000, false},
        {0x20018000, 1, MapMemory::None, false, 0, 0, false},
        {0x30008000, 0x10000, MapMemory::Sram, true, 0x8000, 0x18000, false},
        {0xFFFFFFFF, 0xFFFFFFFF, MapMemory::None, false, 0, 0, false},
    };
    for (const PlaceCase& c : cases) {
        const MemoryPlace place = LocateRange(c.base, c.size);
        EXPECT_EQ(place.memory, c.memory) << std::hex << c.base;
        EXPECT_EQ(place.nonSecureView, c.nonSecureView) << std::hex << c.base;
        EXPECT_EQ(place.offset, c.offset) << std::hex << c.base;
        EXPECT_EQ(place.offsetEnd, c.offsetEnd) << std::hex << c.base;
        EXPECT_EQ(place.clipped, c.clipped) << std::hex << c.base;
    }
}

TEST(MemoryMapModel, RegionsOfAValidConfiguration) {
    const MemoryMap map = BuildMemoryMap(TwoProjects(), std::nullopt);
    EXPECT_TRUE(map.problems.empty()) << (map.problems.empty() ? "" : std::string(map.problems[0].begin(), map.problems[0].end()));
    EXPECT_EQ(map.secureFlashSize, 0x40000u);
    EXPECT_EQ(map.secureSramSize, 0x8000u);
    // Data runs to the end of the world's SRAM, as the scripts set it.
    const MapRegion* secureData = Find(map, RegionKind::Data, 0);
    ASSERT_NE(secureData, nullptr);
    EXPECT_EQ(secureData->size, 0x8000u);
    const MapRegion* appData = Find(map, RegionKind::Data, 1);
    ASSERT_NE(appData, nullptr);
    EXPECT_EQ(appData->size, 0x10000u);
    EXPECT_EQ(Find(map, RegionKind::Nsc, 1), nullptr) << "a non-secure row has no NSC region";
    const MapRegion* xom = Find(map, RegionKind::Xom, 0);
    ASSERT_NE(xom, nullptr);
    EXPECT_EQ(xom->xomIndex, 0);
    EXPECT_EQ(map.unusedXom.size(), 3u);
    EXPECT_EQ(map.sau.regions.size(), 4u) << "NSC, non-secure flash, SRAM and peripherals";
    ASSERT_EQ(map.boot.size(), 1u);
    EXPECT_EQ(map.boot[0].to, 1);
}

struct ProblemCase {
    const char* what;
    void (*edit)(PartitionConfig&);
    std::wstring problem;  // the one problem expected
    RegionKind marked;     // the region it marks (of row 0 unless stated)
    int row;
};

const ProblemCase kProblemCases[] = {
    {"secure code above the boundary",
     [](PartitionConfig& c) {
         c.projects.rows[0].roBase = L"0x70000";
         c.projects.rows[0].roSize = L"0x8000";
     },
     L"Sec code 0x00070000-0x00077FFF is not inside the secure flash 0x00000000-0x0003FFFF",
     RegionKind::Code, 0},
    {"non-secure code below the boundary, as the same flash",
     [](PartitionConfig& c) {
         c.projects.rows[1].roBase = L"0x10028000";
         c.projects.rows[1].roSize = L"0x4000";
     },
     L"App code 0x10028000-0x1002BFFF is not inside the non-secure flash 0x10040000-0x1007FFFF",
     RegionKind::Code, 1},
    {"code in no memory",
     [](PartitionConfig& c) { c.projects.rows[1].roBase = L"0x40000000"; },
     L"App code 0x40000000-0x4001FFFF lies outside the flash", RegionKind::Code, 1},
    {"code past the end of the flash",
     [](PartitionConfig& c) { c.projects.rows[1].roSize = L"0x48000"; },
     L"App code 0x10040000-0x10087FFF runs past the end of the flash", RegionKind::Code, 1},
    {"NSC area inside the code",
     [](PartitionConfig& c) { c.projects.rows[0].nscBase = L"0x1F000"; },
     L"Sec code 0x00000000-0x0001FFFF overlaps Sec NSC 0x0001F000-0x0001FFFF", RegionKind::Nsc, 0},
    {"secure and non-secure code share flash offsets",
     [](PartitionConfig& c) {
         c.projects.rows[0].roBase = L"0x2000";
         c.projects.rows[0].roSize = L"0x8000";
         c.projects.rows[1].roBase = L"0x10004000";
         c.projects.rows[1].roSize = L"0x1000";
     },
     L"", RegionKind::Code, 1},
    {"secure data beyond the secure SRAM",
     [](PartitionConfig& c) { c.projects.rows[0].rwBase = L"0x20008000"; },
     L"Sec data base 0x20008000 is not inside the secure SRAM 0x20000000-0x20007FFF",
     RegionKind::Data, 0},
    {"non-secure data in the secure alias",
     [](PartitionConfig& c) { c.projects.rows[1].rwBase = L"0x20004000"; },
     L"App data base 0x20004000 is not inside the non-secure SRAM 0x30008000-0x30017FFF",
     RegionKind::Data, 1},
    {"data in no memory",
     [](PartitionConfig& c) { c.projects.rows[1].rwBase = L"nope"; },
     L"App data 0x00000000 (empty) lies outside the SRAM", RegionKind::Data, 1},
    {"XOM of a secure project in the non-secure flash",
     [](PartitionConfig& c) { c.xomRegions[0].base = L"0x10070000"; },
     L"XOM0 of Sec 0x10070000-0x10073FFF is not inside the secure flash 0x00000000-0x0003FFFF",
     RegionKind::Xom, 0},
    {"XOM renamed after it was taken",
     [](PartitionConfig& c) { c.xomRegions[0].projectName = L"Old"; },
     L"XOM0 belongs to Sec, but the XOM table names Old", RegionKind::Xom, 0},
};

TEST(MemoryMapModel, ProblemsAreMarkedOnTheirRegions) {
    for (const ProblemCase& c : kProblemCases) {
        PartitionConfig config = TwoProjects();
        c.edit(config);
        const MemoryMap map = BuildMemoryMap(config, std::nullopt);
        const MapRegion* region = Find(map, c.marked, c.row);
        ASSERT_NE(region, nullptr) << c.what;
        if (c.problem.empty()) {
            // Only the flash offsets count: 0x2000.. and 0x10004000.. are the same memory.
            ASSERT_EQ(map.problems.size(), 2u) << c.what;
            EXPECT_NE(map.problems[1].find(L"App code 0x10004000-0x10004FFF"), std::wstring::npos);
            EXPECT_NE(map.problems[1].find(L" overlaps "), std::wstring::npos) << c.what;
        } else {
            ASSERT_EQ(map.problems.size(), 1u) << c.what;
            EXPECT_EQ(map.problems[0], c.problem) << c.what;
        }
        EXPECT_TRUE(region->problem) << c.what;
    }
}

TEST(MemoryMapModel, StateAndBootProblems) {
    PartitionConfig config = TwoProjects();
    config.projects.rows[1].stateText = L"ns";
    config.projects.rows[0].nextBoot = L"Nobody";
    MemoryMap map = BuildMemoryMap(config, std::nullopt);
    const std::vector<std::wstring> expected{L"App: State \"ns\" is neither S nor NS",
                                             L"Sec boots Nobody, which is no project"};
    EXPECT_EQ(map.problems, expected);

    config = TwoProjects();
    config.projects.rows[1].nextBoot = L"Sec";
    map = BuildMemoryMap(config, std::nullopt);
    ASSERT_EQ(map.problems.size(), 1u);
    EXPECT_EQ(map.problems[0], L"the non-secure App cannot start the secure Sec");
}

TEST(MemoryMapModel, UnparsableCellsReadAsGenerationReadsThem) {
    PartitionConfig config = TwoProjects();
    ProjectEntry& sec = config.projects.rows[0];
    sec.roBase = L"  0x800";     // leading blanks are read
    sec.roSize = L"0x123456789"; // saturates at 0x7FFFFFFF
    sec.nscBase = L"";
    sec.nscSize = L"-1";         // 0xFFFFFFFF
    const MemoryMap map = BuildMemoryMap(config, std::nullopt);
    const MapRegion* code = Find(map, RegionKind::Code, 0);
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(code->base, 0x800u);
    EXPECT_EQ(code->size, 0x7FFFFFFFu);
    EXPECT_TRUE(code->place.clipped);
    const MapRegion* nsc = Find(map, RegionKind::Nsc, 0);
    ASSERT_NE(nsc, nullptr);
    EXPECT_EQ(nsc->size, 0xFFFFFFFFu);
    EXPECT_EQ(BoundsText(nsc->base, nsc->size), L"0x00000000-0xFFFFFFFE");
}

TEST(MemoryMapModel, BootChainLines) {
    struct Case {
        std::vector<std::pair<std::wstring, std::wstring>> rows;  // name, next boot
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {{{L"A", L"B"}, {L"B", L"C"}, {L"C", L""}}, {L"A -> B -> C"}},
        {{{L"C", L""}, {L"B", L"C"}, {L"A", L"B"}}, {L"A -> B -> C"}},
        {{{L"A", L"C"}, {L"B", L"C"}, {L"C", L""}}, {L"A -> C", L"B -> C"}},
        {{{L"A", L"X"}}, {L"A -> X (no such project)"}},
        {{{L"A", L"B"}, {L"B", L"A"}}, {L"A -> B -> A (again)"}},
        {{{L"S", L"A"}, {L"A", L"B"}, {L"B", L"A"}}, {L"S -> A -> B -> A (again)"}},
        {{{L"A", L"A"}}, {L"A -> A (again)"}},
        {{{L"A", L""}, {L"B", L""}}, {}},
    };
    for (const Case& c : cases) {
        PartitionConfig config = TwoProjects();
        config.projects.rows.clear();
        for (const auto& [name, next] : c.rows)
            AddProjectRow(config.projects, name, 0, 0, 0x2000, 0x20000000, 0x3F000, 0x800, 0, next, L"");
        EXPECT_EQ(BootChainLines(BuildMemoryMap(config, std::nullopt)), c.expected)
            << std::string(c.rows[0].first.begin(), c.rows[0].first.end());
    }
}

TEST(MemoryMapText, TablesOfTheSample) {
    PartitionConfig config = TwoProjects();
    for (std::size_t i = 0; i < config.peripherals.size(); ++i)
        config.peripherals[i].state = config.peripherals[i].name == L"UART0" ? 1 : 0;
    const std::wstring text = MemoryMapText(BuildMemoryMap(config, std::wstring(L" Worng BSP path")));
    const std::vector<std::wstring> lines{
        L"Create Template refuses it: Worng BSP path",
        L"Flash (APROM) 512 KB: secure 0x00000000-0x0003FFFF (256 KB), non-secure "
        L"0x10040000-0x1007FFFF (256 KB)",
        L"SRAM 96 KB: secure 0x20000000-0x20007FFF (32 KB), non-secure 0x30008000-0x30017FFF (64 KB)",
        L"Project  State  Region  Base        Last byte   Size",
        L"Sec      S      code    0x00000000  0x0001FFFF  128 KB",
        L"                NSC     0x0003F000  0x0003FFFF  4 KB",
        L"                data    0x20000000  0x20007FFF  32 KB",
        L"                XOM0    0x00020000  0x00023FFF  16 KB",
        L"App      NS     code    0x10040000  0x1005FFFF  128 KB",
        L"                data    0x30008000  0x30017FFF  64 KB",
        L"XOM0  0x00020000  16 KB    Sec       Sec",
        L"XOM1  0x00000000  0 bytes  (unused)",
        L"0  0x0003F000  0x0003FFFF  non-secure callable  Sec",
        L"1  0x10040000  0x1007FFFF  non-secure",
        L"2  0x30008000  0x30017FFF  non-secure",
        L"  Sec -> App",
        L"Non-secure peripherals: UART0",
        L"Problems: none found",
    };
    for (const std::wstring& line : lines)
        EXPECT_NE(text.find(L"\n" + line + L"\n"), std::wstring::npos) << std::string(line.begin(), line.end());
}

}  // namespace
}  // namespace velmora
