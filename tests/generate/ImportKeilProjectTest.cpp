#include <gtest/gtest.h>

#include <string>

#include "GenerateTestSupport.h"
#include "generate/ImportKeilProject.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

using test::ScriptedFrontend;
using test::TempDir;

class ImportKeilProjectTest : public ::testing::Test {
protected:
    ImportKeilProjectTest() : dir(TempDir::Enter) {
        AddProjectRow(config.projects, L"Existing", 0, 0, 0x1000, 0x20000000, 0x3F000, 0x800,
                      0b0010, L"", L"");
    }

    ImportResult Import(const std::string& script, const std::wstring& path = L"/p/demo.uvprojx") {
        dir.writeFile("ldp.lua", script);
        return ImportKeilProject(config, path, ui, &trace);
    }

    const ProjectEntry& Row(int index) const {
        return config.projects.rows.at(static_cast<std::size_t>(index));
    }

    TempDir dir;
    PartitionConfig config;
    ScriptedFrontend ui;
    test::RecordingTrace trace;
};

TEST_F(ImportKeilProjectTest, HostFunctionsAndInfnameAreSetInOrderAfterLoading) {
    const ImportResult result = Import("assert(infname == '/p/demo.uvprojx')");
    EXPECT_TRUE(result.succeeded);
    ASSERT_EQ(trace.runs.size(), 1u);
    EXPECT_EQ(trace.runs[0].script, L"ldp.lua");
    EXPECT_EQ(test::NamesInOrder(trace.runs[0]),
              (std::vector<std::string>{"dbg", "addprj", "setxom", "setnsba", "infname", "readfile"}));
    EXPECT_EQ(trace.runs[0].globals[4].text, L"/p/demo.uvprojx");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ImportKeilProjectTest, ElevenAddprjCallsAppendElevenRows) {
    const ImportResult result = Import(R"(
        for i = 1, 11 do
          addprj("P" .. i, 0, 0x1000 * i, 0x800, 0x20000000, 0x3F000, 0x800, 0, 0, 0, 0, "", "/src")
        end)");
    EXPECT_TRUE(result.succeeded);
    EXPECT_EQ(result.rowsAdded, 11);
    ASSERT_EQ(config.projects.size(), 12);
    EXPECT_EQ(Row(11).name, L"P11");
    EXPECT_EQ(Row(11).stateText, L"S");
    EXPECT_EQ(Row(11).roBase, L"0xb000");
    EXPECT_EQ(Row(11).nscSize, L"0x800");
    EXPECT_EQ(Row(11).path, L"/src");
}

TEST_F(ImportKeilProjectTest, NonZeroStateGivesANonSecureRowWithoutNsc) {
    Import(R"(addprj("App", 2, 0x10040000, 0x40000, 0x30008000, 0x3F000, 0x800,
                      0, 0, 0, 0, "Existing", ""))");
    ASSERT_EQ(config.projects.size(), 2);
    EXPECT_EQ(Row(1).stateText, L"NS");
    EXPECT_EQ(Row(1).nscBase, L"");
    EXPECT_EQ(Row(1).nscSize, L"");
    EXPECT_EQ(Row(1).nextBoot, L"Existing");
    EXPECT_EQ(Row(1).rwBase, L"0x30008000");
}

TEST_F(ImportKeilProjectTest, XomFlagTakesTheRegionFromItsOwner) {
    Import(R"(addprj("Taker", 0, 0, 0x800, 0x20000000, 0, 0, 0, 1, 0, 0, "", ""))");
    ASSERT_EQ(config.projects.size(), 2);
    EXPECT_EQ(Row(1).xomCells[1], XomCellState::Owned);
    EXPECT_EQ(Row(0).xomCells[1], XomCellState::Taken);
    EXPECT_EQ(Row(1).xomCells[0], XomCellState::Free);
    EXPECT_EQ(config.xomRegions[1].projectName, L"") << "the XOM table's names are not touched";
}

TEST_F(ImportKeilProjectTest, SetxomStoresTextsAndIgnoresIndicesOutsideTheTable) {
    config.xomRegions[3] = {L"0x7000", L"0x100", L"Demo"};
    const XomTable before = config.xomRegions;
    Import(R"(setxom(5, "0x1", "0x2"); setxom(-1, "0x1", "0x2"); setxom(4, "0x1", "0x2"))");
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(config.xomRegions[k].base, before[k].base);
        EXPECT_EQ(config.xomRegions[k].size, before[k].size);
    }
    Import(R"(setxom(0, "0x10000", "0x800"); setxom(3.7, "banana", ""))");
    EXPECT_EQ(config.xomRegions[0].base, L"0x10000");
    EXPECT_EQ(config.xomRegions[0].size, L"0x800");
    EXPECT_EQ(config.xomRegions[3].base, L"banana");
    EXPECT_EQ(config.xomRegions[3].projectName, L"Demo");
}

TEST_F(ImportKeilProjectTest, MissingAndOddArgumentsReadAsZeroOrEmpty) {
    const ImportResult result = Import(R"(
        addprj("Short")
        addprj({}, 0, 0/0, 1e300, -1, 258048.5, 0x800, 1, 1, 1, 1))");
    EXPECT_TRUE(result.succeeded);
    ASSERT_EQ(config.projects.size(), 3);
    EXPECT_EQ(Row(1).name, L"Short");
    EXPECT_EQ(Row(1).roBase, L"0x0");
    EXPECT_EQ(Row(1).nscBase, L"0x0");
    EXPECT_EQ(Row(2).name, L"");
    EXPECT_EQ(Row(2).roBase, L"0x0");
    EXPECT_EQ(Row(2).roSize, L"0x0");
    EXPECT_EQ(Row(2).rwBase, L"0xffffffff");
    EXPECT_EQ(Row(2).nscBase, L"0x3f000");
    EXPECT_EQ(Row(2).xomMask(), 0b1111u);
}

TEST_F(ImportKeilProjectTest, SetnsbaIsKeptButChangesNothing) {
    config.nsba = 0x10040000;
    const ImportResult result = Import("setnsba(0x10020000)");
    ASSERT_TRUE(result.nsba.has_value());
    EXPECT_EQ(*result.nsba, 0x10020000);
    EXPECT_EQ(config.nsba, 0x10040000u);
}

TEST_F(ImportKeilProjectTest, RowsAddedBeforeAnErrorStay) {
    const ImportResult result = Import(R"(
        addprj("Before", 0, 0, 0x800, 0x20000000, 0, 0, 0, 0, 0, 0, "", "")
        printResult = "read 1 project"
        error("bad file"))");
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.rowsAdded, 1);
    ASSERT_EQ(config.projects.size(), 2);
    EXPECT_EQ(Row(1).name, L"Before");
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, L"ldp.lua:4: bad file");
    EXPECT_EQ(ui.messages[1].text, L"read 1 project");
    EXPECT_NE(result.scriptTraceback.find(L"stack traceback:"), std::wstring::npos);
}

TEST_F(ImportKeilProjectTest, MissingImportScriptChangesNothing) {
    const ImportResult result = ImportKeilProject(config, L"/p/demo.uvprojx", ui, &trace);
    EXPECT_FALSE(result.succeeded);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text.rfind(L"cannot run configuration file: cannot open ldp.lua", 0),
              0u);
    EXPECT_EQ(config.projects.size(), 1);
}

TEST_F(ImportKeilProjectTest, DbgIsAvailableToTheImport) {
    ::testing::internal::CaptureStdout();
    Import("dbg('file', infname)", L"x.txt");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "file\tx.txt\n");
}

}  // namespace
}  // namespace velmora
