// The shipped ldp.lua on small projects written for each rule, and on the foreign
// projects beside the checkout: the rows it reports and what it tells.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "KeilProjectText.h"
#include "generate/ImportKeilProject.h"
#include "model/ProjectTableEditing.h"
#include "platform/TextCodec.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"

namespace velmora::test {
namespace {

namespace stdfs = std::filesystem;

struct Imported {
    PartitionConfig config;
    std::string told;  // what the script said through dbg
    bool succeeded = false;
};

Imported ImportWithLdp(const stdfs::path& project) {
    Imported result;
    ScriptedFrontend ui;
    ::testing::internal::CaptureStdout();
    result.succeeded = ImportKeilProject(result.config, project.wstring(), ui).succeeded;
    result.told = ::testing::internal::GetCapturedStdout();
    return result;
}

class LdpScript : public ::testing::Test {
protected:
    LdpScript() : dir(TempDir::Enter) {
        stdfs::copy_file(stdfs::path(VELMORA_SOURCE_DIR) / "workspace" / "ldp.lua", dir.file("ldp.lua"));
    }
    Imported import(const KeilTarget& target) {
        return ImportWithLdp(dir.writeFile("p.uvprojx", KeilProjectXml({target})));
    }
    TempDir dir;
};

struct MemoryCase {
    const char* what;
    KeilTarget target;
    std::uint32_t ro, roSize, rw;
    const char* told;  // a note the script must give, or "" for none
};

std::ostream& operator<<(std::ostream& out, const MemoryCase& c) { return out << c.what; }

KeilTarget WithCpu(const std::string& cpu) {
    KeilTarget t;
    t.cpu = cpu;
    return t;
}

KeilTarget WithMemories(std::vector<KeilMemoryRow> rows, std::vector<std::string> ticks) {
    KeilTarget t;
    t.memories = std::move(rows);
    t.defaultTicks = std::move(ticks);
    return t;
}

class LdpMemory : public LdpScript, public ::testing::WithParamInterface<MemoryCase> {};

TEST_P(LdpMemory, CodeAndDataComeFromTheRowTheTargetLinksTo) {
    const MemoryCase& c = GetParam();
    const Imported imported = import(c.target);
    ASSERT_TRUE(imported.succeeded) << imported.told;
    ASSERT_EQ(imported.config.projects.size(), 1) << imported.told;
    const ProjectEntry& row = imported.config.projects.rows[0];
    EXPECT_EQ(ParseHexCell(row.roBase), c.ro) << imported.told;
    EXPECT_EQ(ParseHexCell(row.roSize), c.roSize) << imported.told;
    EXPECT_EQ(ParseHexCell(row.rwBase), c.rw) << imported.told;
    if (*c.told != '\0') {
        EXPECT_NE(imported.told.find(c.told), std::string::npos) << imported.told;
    } else {
        EXPECT_EQ(imported.told, "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LdpMemory,
    ::testing::Values(
        // Only the device's Cpu string: IROM(start-end) is an inclusive range.
        MemoryCase{"CpuRangesOnly",
                   WithCpu("IRAM(0x20018000-0x2002FFFF) IROM(0x08040000-0x0807FFFF) CPUTYPE(\"Cortex-M33\")"),
                   0x08040000, 0x40000, 0x20018000, "code region taken from Cpu IROM, not IROM1"},
        MemoryCase{"CpuStartAndSize",
                   WithCpu("IRAM(0x20000000,0x8000) IROM(0x00000000,0x20000) CPUTYPE(\"Cortex-M23\")"),
                   0x0, 0x20000, 0x20000000, "data base taken from Cpu IRAM, not IRAM1"},
        // An IROM1 row of size 0 is no memory, even ticked: the next set row counts.
        MemoryCase{"EmptyIrom1IsSkipped",
                   WithMemories({{"OCR_RVCT4", "0x0", "0x0"}, {"OCR_RVCT5", "0x10040000", "0x40000"},
                                 {"OCR_RVCT9", "0x30008000", "0x8000"}},
                                {"Ir1Chk", "Im1Chk"}),
                   0x10040000, 0x40000, 0x30008000, "code region taken from IROM2, not IROM1"},
        // A ticked row wins over an earlier one that is set but not ticked.
        MemoryCase{"TickedRowWins",
                   WithMemories({{"OCR_RVCT4", "0x0", "0x40000"}, {"OCR_RVCT5", "0x10040000", "0x40000"},
                                 {"OCR_RVCT9", "0x20000000", "0x8000"}, {"OCR_RVCT10", "0x30008000", "0x8000"}},
                                {"Ir2Chk", "Im2Chk"}),
                   0x10040000, 0x40000, 0x30008000, "data base taken from IRAM2, not IRAM1"},
        MemoryCase{"Irom1AndIram1",
                   WithMemories({{"OCR_RVCT4", "0x0", "0x20000"}, {"OCR_RVCT9", "0x20000000", "0x8000"}},
                                {"Ir1Chk", "Im1Chk"}),
                   0x0, 0x20000, 0x20000000, ""},
        // A row in the file wins over the Cpu string.
        MemoryCase{"RowBeforeCpu",
                   WithMemories({{"OCR_RVCT4", "0x4000", "0x8000"}, {"OCR_RVCT9", "0x20004000", "0x4000"}}, {}),
                   0x4000, 0x8000, 0x20004000, ""}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.what); });

// Every target of the foreign projects, every value of its row, as the files and
// their notes (fixtures/uvprojx/SOURCES.md) give them. Their scatter files are not
// beside them, so no NSC or XOM region is found.
struct FixtureRow {
    const char* file;
    const wchar_t* name;
    const wchar_t* state;
    std::uint32_t ro, roSize, rw;
};

TEST(LdpFixtures, EveryTargetGivesItsRow) {
    const stdfs::path folder = stdfs::path(VELMORA_SHARED_DIR) / "fixtures" / "uvprojx";
    if (!stdfs::is_directory(folder)) GTEST_SKIP() << "no foreign projects at " << folder.string();
    TempDir dir(TempDir::Enter);
    stdfs::copy_file(stdfs::path(VELMORA_SOURCE_DIR) / "workspace" / "ldp.lua", dir.file("ldp.lua"));
    const char* const fir = "cmsis5_dsp_arm_fir_example_2016_armcc5_multitarget.uvprojx";
    const FixtureRow expected[] = {
        {"cmsis5_corevalidation_cortex-m23ns_ac6_nonsecure.uvprojx", L"CMSIS_CV", L"NS", 0x200000, 0x200000, 0x20200000},
        {"cmsis5_corevalidation_cortex-m23s_ac6_secure.uvprojx", L"CMSIS_CV", L"S", 0x0, 0x200000, 0x20000000},
        {"cmsis5_dap_lpc-link-ii_2016_nxp_lpc4320_cortex-m4.uvprojx", L"CMSIS_DAP", L"NS", 0x14000000, 0x400000, 0x10000000},
        {fir, L"arm_fir_example_ARMCM0", L"NS", 0x0, 0x80000, 0x20000000},
        {fir, L"arm_fir_example_ARMCM3", L"NS", 0x0, 0x80000, 0x20000000},
        {fir, L"arm_fir_example_ARMCM4_FP", L"NS", 0x0, 0x80000, 0x20000000},
        {fir, L"arm_fir_example_ARMCM7_SP", L"NS", 0x0, 0x80000, 0x20000000},
        {"cmsis5_trustzonev8m_nortos_cm33_ns_nonsecure.uvprojx", L"CM33_ns", L"NS", 0x200000, 0x200000, 0x20200000},
        {"cmsis5_trustzonev8m_nortos_cm33_s_secure.uvprojx", L"CM33_s", L"S", 0x0, 0x200000, 0x20000000},
        {"stm32cubel5_nucleo-l552ze-q_templates_tz_project_ns_nonsecure.uvprojx", L"Project_ns", L"NS", 0x8040000, 0x40000, 0x20018000},
        {"stm32cubel5_nucleo-l552ze-q_templates_tz_project_s_secure.uvprojx", L"Project_s", L"S", 0xC000000, 0x40000, 0x30000000},
    };
    std::vector<std::string> files;
    for (const FixtureRow& row : expected)
        if (files.empty() || files.back() != row.file) files.push_back(row.file);
    std::size_t next = 0;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const Imported imported = ImportWithLdp(folder / file);
        ASSERT_TRUE(imported.succeeded) << imported.told;
        for (const ProjectEntry& row : imported.config.projects.rows) {
            ASSERT_LT(next, std::size(expected));
            const FixtureRow& want = expected[next++];
            ASSERT_EQ(want.file, file);
            EXPECT_EQ(row.name, want.name);
            EXPECT_EQ(row.stateText, want.state);
            EXPECT_EQ(ParseHexCell(row.roBase), want.ro);
            EXPECT_EQ(ParseHexCell(row.roSize), want.roSize);
            EXPECT_EQ(ParseHexCell(row.rwBase), want.rw);
            EXPECT_EQ(row.nscBase, row.stateText == L"S" ? L"0x0" : L"");
            EXPECT_EQ(row.xomMask(), 0u);
            EXPECT_EQ(stdfs::path(row.path), folder / file);
        }
    }
    EXPECT_EQ(next, std::size(expected));
}

}  // namespace
}  // namespace velmora::test
