// What the template scripts report back through fail, warn and sauregions, and
// how Create Template ends with it.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TemplateGeneratorFixture.h"

namespace velmora {
namespace {

class ScriptReportsTest : public test::TemplateGeneratorFixture {
protected:
    void AddSecure(const std::wstring& name, std::uint32_t nsc, std::uint32_t nscSize) {
        AddProjectRow(config.projects, name, 0, 0, 0x1000, 0x20000000, nsc, nscSize, 0, L"", L"");
    }
    void AddNonSecure(const std::wstring& name) {
        AddProjectRow(config.projects, name, 1, 0x10040000, 0x1000, 0x30008000, 0, 0, 0, L"", L"");
    }
    const test::RecordedMessage& LastBox() const { return ui.messages.back(); }
};

TEST_F(ScriptReportsTest, WarningsEndTheCommandWithTheirOwnBox) {
    dir.writeFile("tes.lua", "warn('NSC of ' .. prjname .. ' is small')\nwarn('shared note')");
    dir.writeFile("tens.lua", "warn('shared note')\nwarn(prjname .. ' boots nothing')");
    AddSecure(L"Sec", 0x3F000, 0x800);
    AddNonSecure(L"App");
    const GenerationResult result = Generate();
    EXPECT_EQ(result.outcome, GenerationOutcome::CompletedWithWarnings);
    const std::vector<std::wstring> warnings = {L"NSC of Sec is small", L"shared note",
                                                L"App boots nothing"};
    EXPECT_EQ(result.warnings, warnings);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(LastBox().text, L"Trust Zone Template created with warnings:\n\n"
                              L"NSC of Sec is small\nshared note\nApp boots nothing");
    EXPECT_EQ(LastBox().caption, L"WARNING");
    EXPECT_EQ(LastBox().icon, MessageIcon::Warning);
    EXPECT_EQ(ui.openedFolders, std::vector<std::wstring>{Out()});
}

TEST_F(ScriptReportsTest, AReportedFailureIsAFailureAndKeepsTheWarnings) {
    dir.writeFile("tes.lua", "fail('cannot edit ' .. prjname .. '.uvprojx')\nwarn('careful')");
    AddSecure(L"Sec", 0x3F000, 0x800);
    AddNonSecure(L"App");
    const GenerationResult result = Generate();
    EXPECT_EQ(result.outcome, GenerationOutcome::CompletedWithErrors);
    EXPECT_EQ(result.failedOperations, std::vector<std::wstring>{L"cannot edit Sec.uvprojx"});
    EXPECT_EQ(LastBox().text, L"Trust Zone Template created with errors:\n\n"
                              L"cannot edit Sec.uvprojx\n\nWarnings:\ncareful");
    EXPECT_EQ(trace.runs.size(), 2u) << "a reported failure does not stop the other projects";
}

TEST_F(ScriptReportsTest, FailWithoutTextIsAScriptError) {
    dir.writeFile("tes.lua", "fail()");
    AddSecure(L"Sec", 0x3F000, 0x800);
    EXPECT_EQ(Generate().outcome, GenerationOutcome::ScriptFailed);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].caption, L"ERROR");
}

// The script writes what sauregions gave it, one "base limit nsc" line per region.
constexpr const char* kRegionDump = R"lua(
local f = assert(io.open(prjname .. ".sau", "wb"))
local regions = sauregions()
if regions == nil then f:write("nil\n") else
  for _, r in ipairs(regions) do
    f:write(string.format("%08X %08X %s\n", r.base, r.limit, tostring(r.nsc)))
  end
end
f:close()
)lua";

TEST_F(ScriptReportsTest, SecureScriptsSeeTheSauRegionsOfEveryProject) {
    dir.writeFile("tes.lua", kRegionDump);
    dir.writeFile("tens.lua", "assert(sauregions == nil, 'secure runs only')");
    AddSecure(L"A", 0x3F000, 0x800);
    AddSecure(L"B", 0x20010, 0x40);
    AddNonSecure(L"App");
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    const std::string expected =
        "00020020 0002003F true\n"
        "0003F000 0003F7FF true\n"
        "10040000 1007FFFF false\n"
        "30008000 30017FFF false\n"
        "50000000 5FFFFFFF false\n";
    EXPECT_EQ(dir.readFile("A.sau"), expected);
    EXPECT_EQ(dir.readFile("B.sau"), expected) << "the same plan in every secure run";
}

TEST_F(ScriptReportsTest, TooManyNscAreasFailNamingTheProjects) {
    dir.writeFile("tes.lua", kRegionDump);
    for (int i = 0; i < 9; ++i) {
        AddSecure(L"S" + std::to_wstring(i), 0x40000u + 0x1000u * static_cast<std::uint32_t>(i),
                  0x100);
    }
    const GenerationResult result = Generate();
    EXPECT_EQ(result.outcome, GenerationOutcome::CompletedWithErrors);
    ASSERT_EQ(result.failedOperations.size(), 1u);
    EXPECT_NE(result.failedOperations[0].find(L"S0, S1, S2, S3, S4, S5, S6, S7, S8"),
              std::wstring::npos);
    EXPECT_EQ(dir.readFile("S4.sau"), "nil\n");
}

}  // namespace
}  // namespace velmora
