// Cancel from the front end during Create Template and during an import: the
// command ends with a note and no error box, and what it wrote or read stays.

#include <gtest/gtest.h>

#include <string>

#include "TemplateGeneratorFixture.h"
#include "generate/ImportKeilProject.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

class CancelledGenerationTest : public test::TemplateGeneratorFixture {
protected:
    CancelledGenerationTest() {
        // Each secure run leaves its globals in the log, then never ends.
        dir.writeFile("tes.lua", std::string(test::kRecordingScript) + "\nwhile true do end\n");
        for (const wchar_t* name : {L"Sec1", L"Sec2"})
            AddProjectRow(config.projects, name, 0, 0, 0x1000, 0x20000000, 0x3F000, 0x800, 0, L"", L"");
        AddProjectRow(config.projects, L"App", 1, 0x10040000, 0x1000, 0x30008000, 0, 0, 0, L"", L"");
    }
};

TEST_F(CancelledGenerationTest, CancelEndsTheCommandWithANoteAndKeepsWhatWasWritten) {
    // The polls: before a project's copy (1), before its script (2), then every
    // kScriptPollInstructions instructions of the script (3, ...).
    const struct {
        int cancelAtPoll;
        bool firstCopied;
        std::size_t scriptRuns;
    } cases[] = {{1, false, 0}, {2, true, 0}, {3, true, 1}, {7, true, 1}};
    for (const auto& c : cases) {
        std::filesystem::remove_all(Out());
        std::filesystem::remove(dir.file("globals.log"));
        ui = test::ScriptedFrontend();
        ui.cancelAtPoll = c.cancelAtPoll;
        const GenerationResult result = Generate();
        EXPECT_EQ(result.outcome, GenerationOutcome::Cancelled) << c.cancelAtPoll;
        ASSERT_EQ(ui.messages.size(), 1u) << c.cancelAtPoll;
        EXPECT_EQ(ui.messages[0].text,
                  L"Create Template was cancelled. What it had written stays in:\n\n  " + Out());
        EXPECT_EQ(ui.messages[0].caption, L"Velmora");
        EXPECT_EQ(ui.messages[0].icon, MessageIcon::Information);
        EXPECT_TRUE(ui.openedFolders.empty());
        EXPECT_TRUE(OutHas("TrustZone.uvmpw"));
        EXPECT_EQ(OutHas("Sec1/KEIL/Sec1.uvprojx"), c.firstCopied) << c.cancelAtPoll;
        EXPECT_EQ(test::ReadRecordedRuns(dir).size(), c.scriptRuns) << c.cancelAtPoll;
        EXPECT_FALSE(OutHas("Sec2")) << c.cancelAtPoll;
        EXPECT_FALSE(OutHas("App")) << c.cancelAtPoll;
        EXPECT_EQ(ui.polls, c.cancelAtPoll);
        // The projects are the front end's work, and the note comes after it.
        EXPECT_EQ(ui.workBegun, std::vector<std::wstring>{L"Creating the template..."});
        EXPECT_EQ(ui.workEnded, 1);
        EXPECT_EQ(ui.pollsOutsideWork, 0);
        EXPECT_EQ(config.projects.size(), 3);
    }
}

TEST_F(CancelledGenerationTest, NoCancelNoNoteAndTheWorkEnds) {
    dir.writeFile("tes.lua", "for i = 1, 50000 do end");
    const GenerationResult result = Generate();
    EXPECT_EQ(result.outcome, GenerationOutcome::Completed);
    // Two polls a project, and the two secure scripts poll while they run.
    EXPECT_GE(ui.polls, 6 + 2 * (50000 / kScriptPollInstructions - 1));
    EXPECT_EQ(ui.workBegun.size(), 1u);
    EXPECT_EQ(ui.workEnded, 1);
    EXPECT_EQ(ui.messages.back().text, L"Trust Zone Template Created!");
}

TEST(CancelledImport, RowsReadBeforeTheCancelStayAndANoteSaysSo) {
    const struct {
        const char* script;
        int rows;
        const wchar_t* note;
    } cases[] = {
        {"while true do end", 0, L"The import was cancelled. No project row was added."},
        {"addprj('Partial', 0, 0, 0x1000, 0x20000000, 0, 0, 0, 0, 0, 0, '', infname)\n"
         "while true do end",
         1, L"The import was cancelled. The 1 project row(s) read before it stay in the table."},
    };
    for (const auto& c : cases) {
        test::TempDir dir(test::TempDir::Enter);
        test::ScriptedFrontend ui;
        ui.cancelAtPoll = 2;
        PartitionConfig config;
        dir.writeFile("ldp.lua", c.script);
        const ImportResult result = ImportKeilProject(config, L"/p/x.uvprojx", ui);
        EXPECT_FALSE(result.succeeded);
        EXPECT_TRUE(result.cancelled);
        EXPECT_EQ(result.rowsAdded, c.rows);
        EXPECT_EQ(config.projects.size(), c.rows);
        ASSERT_EQ(ui.messages.size(), 1u) << c.script;
        EXPECT_EQ(ui.messages[0].text, c.note);
        EXPECT_EQ(ui.messages[0].icon, MessageIcon::Information);
        EXPECT_EQ(ui.workBegun, std::vector<std::wstring>{L"Importing the Keil project..."});
        EXPECT_EQ(ui.workEnded, 1);
    }
}

}  // namespace
}  // namespace velmora
