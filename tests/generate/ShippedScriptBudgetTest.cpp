// The instruction limit against what the shipped scripts need: the largest real
// configurations and imports must stay far below it, or users would meet it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

#include "generate/ImportKeilProject.h"
#include "generate/TemplateGenerator.h"
#include "model/PeripheralTable.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

namespace stdfs = std::filesystem;

// The largest state of each script.
class LargestRuns : public ScriptTrace {
public:
    void scriptLoaded(const std::wstring& fileName) override {
        current_ = fileName;
        ++runs;
    }
    void globalSet(const ScriptGlobal&) override {}
    void scriptClosed(std::uint64_t instructions) override {
        std::uint64_t& most = largest[current_];
        most = std::max(most, instructions);
    }

    std::map<std::wstring, std::uint64_t> largest;
    int runs = 0;

private:
    std::wstring current_;
};

// Far below: a twentieth of the limit at most.
constexpr std::uint64_t kBudget = kDefaultScriptInstructionLimit / 20;

void CopyShipped(const test::TempDir& dir, std::initializer_list<const char*> names) {
    const stdfs::path workspace = stdfs::path(VELMORA_SOURCE_DIR) / "workspace";
    for (const char* name : names)
        stdfs::copy(workspace / name, dir.file(name), stdfs::copy_options::recursive);
}

// 20 secure projects with touching NSC areas (one SAU region) in a boot chain
// ending in the first of 20 non-secure projects; the XOM regions owned by four.
PartitionConfig FortyProjects(const test::TempDir& dir) {
    PartitionConfig config;
    config.templatePath = dir.file("out").wstring();
    config.bspPath = dir.file("BSP").wstring();
    config.nsba = 0x10040000;
    config.sramNsba = 0x30010000;
    for (PeripheralEntry& p : config.peripherals) p.state = IsAlwaysSecure(p.name) ? 0 : 1;
    for (unsigned i = 0; i < 20; ++i) {
        const std::wstring next = i < 19 ? L"Secure" + std::to_wstring(i + 1) : L"NonSecure0";
        AddProjectRow(config.projects, L"Secure" + std::to_wstring(i), 0, i * 0x1800, 0x1000,
                      0x20000000 + i * 0x800, 0x3C000 + i * 0x200, 0x200,
                      i < 2 ? (1u << i) : 0u, next, L"");
        AddProjectRow(config.projects, L"NonSecure" + std::to_wstring(i), 1,
                      0x10040000 + i * 0x2000, 0x1800, 0x30010000 + i * 0x800, 0, 0,
                      i < 2 ? (4u << i) : 0u, L"", L"");
    }
    const wchar_t* owners[] = {L"Secure0", L"Secure1", L"NonSecure0", L"NonSecure1"};
    const std::uint32_t bases[] = {0x30000, 0x32000, 0x10070000, 0x10072000};
    for (int k = 0; k < 4; ++k) SetXomRow(config.xomRegions, k, bases[k], 0x800, owners[k]);
    return config;
}

TEST(ShippedScriptBudget, FortyProjectGenerationStaysFarBelowTheLimit) {
    test::TempDir dir(test::TempDir::Enter);
    CopyShipped(dir, {"ZQD", "tes.lua", "tens.lua"});
    for (const char* folder : {"Library/Device/Quorvex/V6048", "Library/CMSIS", "Library/StdDriver"})
        stdfs::create_directories(dir.file("BSP") / folder);
    PartitionConfig config = FortyProjects(dir);
    test::ScriptedFrontend ui;
    LargestRuns trace;
    TemplateGenerator generator(config, ui, &trace);
    generator.SetValidation([](const PartitionConfig&, Frontend&) { return 0; });
    ::testing::internal::CaptureStdout();
    const GenerationResult result = generator.CreateTemplate();
    ::testing::internal::GetCapturedStdout();
    // The long boot chain draws warnings (IAR downloads three further images); no failure.
    EXPECT_TRUE(result.outcome == GenerationOutcome::Completed ||
                result.outcome == GenerationOutcome::CompletedWithWarnings);
    EXPECT_TRUE(result.failedOperations.empty());
    EXPECT_EQ(trace.runs, 40);
    for (const auto& [script, most] : trace.largest) {
        std::printf("%ls: at most %llu instructions in one run\n", script.c_str(),
                    static_cast<unsigned long long>(most));
        EXPECT_LT(most, kBudget);
    }
}

// A project of count small targets, each linking with the shipped secure scatter file.
std::string ProjectOfTargets(int count) {
    std::string text = "<?xml version=\"1.0\"?>\n<Project>\n<SchemaVersion>2.1</SchemaVersion>\n<Targets>\n";
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        text += "<Target>\n<TargetName>T" + n + "</TargetName>\n<TargetOption><TargetCommonOption>"
                "<Cpu>IRAM(0x20000000,0x8000) IROM(0x0,0x40000) CPUTYPE(\"Cortex-M23\") TZ</Cpu>"
                "<OutputName>App" + n + "</OutputName></TargetCommonOption>\n"
                "<TargetArmAds><ArmAdsMisc><nSecure>1</nSecure><Ir1Chk>1</Ir1Chk><Im1Chk>1</Im1Chk>"
                "<OnChipMemories><OCR_RVCT4><StartAddress>0x0</StartAddress><Size>0x40000</Size>"
                "</OCR_RVCT4><OCR_RVCT9><StartAddress>0x20000000</StartAddress><Size>0x8000</Size>"
                "</OCR_RVCT9></OnChipMemories></ArmAdsMisc>\n<LDads><umfTarg>0</umfTarg>"
                "<ScatterFile>secure.sct</ScatterFile></LDads></TargetArmAds></TargetOption>\n</Target>\n";
    }
    return text + "</Targets>\n</Project>\n";
}

TEST(ShippedScriptBudget, ImportOfFortyThousandTargetsStaysFarBelowTheLimit) {
    // The script's work grows with the targets: measured on 2000 and scaled to 40,000.
    constexpr int kTargets = 2000;
    test::TempDir dir(test::TempDir::Enter);
    CopyShipped(dir, {"ldp.lua"});
    stdfs::copy(stdfs::path(VELMORA_SOURCE_DIR) / "workspace/ZQD/Secure/KEIL/secure.sct",
                dir.file("secure.sct"));
    const stdfs::path project = dir.writeFile("many.uvprojx", ProjectOfTargets(kTargets));
    PartitionConfig config;
    test::ScriptedFrontend ui;
    LargestRuns trace;
    ::testing::internal::CaptureStdout();
    const ImportResult result = ImportKeilProject(config, project.wstring(), ui, &trace);
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(result.succeeded);
    EXPECT_EQ(result.rowsAdded, kTargets);
    const std::uint64_t used = trace.largest[L"ldp.lua"];
    std::printf("ldp.lua: %llu instructions for %d targets\n", static_cast<unsigned long long>(used), kTargets);
    EXPECT_LT(used * (40000 / kTargets), kBudget);
}

}  // namespace
}  // namespace velmora
