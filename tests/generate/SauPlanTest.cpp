// The SAU regions the partition header programs: one per group of touching NSC
// areas, narrowed to the 32-byte granules inside them, then the non-secure flash,
// SRAM and peripheral aliases.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "generate/SauPlan.h"

namespace velmora {
namespace {

struct Nsc {
    const wchar_t* name;
    std::uint32_t base;
    std::uint32_t size;
};

struct Region {
    std::uint32_t base;
    std::uint32_t limit;
    bool nsc;
    std::vector<std::wstring> owners;
};

struct PlanCase {
    const char* what;
    std::vector<Nsc> secure;
    std::uint32_t nsba;
    std::uint32_t sramNsba;
    std::vector<Region> expected;
};

PartitionConfig ConfigOf(const PlanCase& c) {
    PartitionConfig config;
    config.nsba = c.nsba;
    config.sramNsba = c.sramNsba;
    for (const Nsc& s : c.secure) {
        AddProjectRow(config.projects, s.name, 0, 0, 0x1000, 0x20000000, s.base, s.size, 0, L"", L"");
    }
    // A non-secure row's cells never make a region.
    AddProjectRow(config.projects, L"App", 1, 0x10040000, 0x1000, 0x30008000, 0, 0, 0, L"", L"");
    config.projects.rows.back().nscBase = L"0x3000";
    config.projects.rows.back().nscSize = L"0x100";
    return config;
}

const PlanCase kPlanCases[] = {
    {"one aligned area",
     {{L"S", 0x3F000, 0x800}},
     0x10040000,
     0x30008000,
     {{0x3F000, 0x3F7FF, true, {L"S"}},
      {0x10040000, 0x1007FFFF, false, {}},
      {0x30008000, 0x30017FFF, false, {}},
      {0x50000000, 0x5FFFFFFF, false, {}}}},
    {"areas apart get a region each, in address order",
     {{L"B", 0x3E000, 0x400}, {L"A", 0x20000, 0x200}},
     0x10040000,
     0x30008000,
     {{0x20000, 0x201FF, true, {L"A"}},
      {0x3E000, 0x3E3FF, true, {L"B"}},
      {0x10040000, 0x1007FFFF, false, {}},
      {0x30008000, 0x30017FFF, false, {}},
      {0x50000000, 0x5FFFFFFF, false, {}}}},
    {"touching and overlapping areas share one",
     {{L"A", 0x20000, 0x200}, {L"B", 0x20200, 0x100}, {L"C", 0x20280, 0x200}},
     0x10040000,
     0x30008000,
     {{0x20000, 0x2047F, true, {L"A", L"B", L"C"}},
      {0x10040000, 0x1007FFFF, false, {}},
      {0x30008000, 0x30017FFF, false, {}},
      {0x50000000, 0x5FFFFFFF, false, {}}}},
    {"an unaligned area is narrowed to the granules inside it",
     {{L"S", 0x3F004, 0x7F8}},
     0x10040000,
     0x30008000,
     {{0x3F020, 0x3F7DF, true, {L"S"}},
      {0x10040000, 0x1007FFFF, false, {}},
      {0x30008000, 0x30017FFF, false, {}},
      {0x50000000, 0x5FFFFFFF, false, {}}}},
    {"areas touching inside a granule are joined before narrowing",
     {{L"A", 0x20004, 0x80C}, {L"B", 0x20810, 0x7F0}},
     0x10040000,
     0x30008000,
     {{0x20020, 0x20FFF, true, {L"A", L"B"}},
      {0x10040000, 0x1007FFFF, false, {}},
      {0x30008000, 0x30017FFF, false, {}},
      {0x50000000, 0x5FFFFFFF, false, {}}}},
    {"areas apart inside one granule never share or overlap",
     {{L"A", 0x20000, 0x810}, {L"B", 0x20818, 0x7E8}},
     0x10040000,
     0x30008000,
     {{0x20000, 0x207FF, true, {L"A"}},
      {0x20820, 0x20FFF, true, {L"B"}},
      {0x10040000, 0x1007FFFF, false, {}},
      {0x30008000, 0x30017FFF, false, {}},
      {0x50000000, 0x5FFFFFFF, false, {}}}},
    {"an area without a whole granule gets no region",
     {{L"S", 0x3F010, 0x20}},
     0x10080000,
     0x30018000,
     {{0x50000000, 0x5FFFFFFF, false, {}}}},
    {"no NSC size, no NS flash: SRAM and peripherals",
     {{L"S", 0x3F000, 0}},
     0x10080000,
     0x30010000,
     {{0x30010000, 0x30017FFF, false, {}},
      {0x50000000, 0x5FFFFFFF, false, {}}}},
};

TEST(SauPlan, RegionsCoverExactlyTheNscAreasAndTheNonSecureMemory) {
    for (const PlanCase& c : kPlanCases) {
        const SauPlan plan = PlanSauRegions(ConfigOf(c));
        ASSERT_EQ(plan.regions.size(), c.expected.size()) << c.what;
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            const SauRegion& got = plan.regions[i];
            const Region& want = c.expected[i];
            EXPECT_EQ(got.base, want.base) << c.what << " region " << i;
            EXPECT_EQ(got.limit, want.limit) << c.what << " region " << i;
            EXPECT_EQ(got.nonSecureCallable, want.nsc) << c.what << " region " << i;
            EXPECT_EQ(got.owners, want.owners) << c.what << " region " << i;
        }
        EXPECT_TRUE(plan.Fits()) << c.what;
        EXPECT_EQ(SauOverflowText(plan), L"") << c.what;
    }
}

// Areas n KB apart, 0x100 bytes each.
PartitionConfig SeparateAreas(int count, std::uint32_t nsba) {
    PartitionConfig config;
    config.nsba = nsba;
    config.sramNsba = 0x30008000;
    for (int i = 0; i < count; ++i) {
        AddProjectRow(config.projects, L"S" + std::to_wstring(i), 0, 0, 0x1000, 0x20000000,
                      0x40000u + 0x1000u * static_cast<std::uint32_t>(i), 0x100, 0, L"", L"");
    }
    return config;
}

TEST(SauPlan, EightRegionsFitAndNineDoNot) {
    struct {
        int areas;
        std::uint32_t nsba;
        std::size_t regions;
        bool fits;
    } const cases[] = {
        {5, 0x10040000, 8, true},   // five NSC areas, flash, SRAM, peripherals
        {6, 0x10040000, 9, false},
        {6, 0x10080000, 8, true},   // no non-secure flash frees a region
        {9, 0x10040000, 12, false},
    };
    for (const auto& c : cases) {
        const SauPlan plan = PlanSauRegions(SeparateAreas(c.areas, c.nsba));
        EXPECT_EQ(plan.regions.size(), c.regions) << c.areas << " areas";
        EXPECT_EQ(plan.Fits(), c.fits) << c.areas << " areas";
    }
}

TEST(SauPlan, OverflowTextNamesEverySecureProjectWithAnArea) {
    const std::wstring text = SauOverflowText(PlanSauRegions(SeparateAreas(9, 0x10040000)));
    EXPECT_NE(text.find(L"S0, S1, S2, S3, S4, S5, S6, S7, S8 need 12 SAU regions"),
              std::wstring::npos)
        << std::string(text.begin(), text.end());
    EXPECT_NE(text.find(L"the SAU has 8"), std::wstring::npos);
}

}  // namespace
}  // namespace velmora
