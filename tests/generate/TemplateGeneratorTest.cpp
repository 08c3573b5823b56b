// The command's sequence around the scripts: files, workspaces, completion,
// pickers, failures and script errors.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "TemplateGeneratorFixture.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace velmora {
namespace {

namespace stdfs = std::filesystem;

class TemplateGeneratorTest : public test::TemplateGeneratorFixture {
protected:
    void AddSecure(const std::wstring& name, unsigned xomMask = 0) {
        AddProjectRow(config.projects, name, 0, 0, 0x1000, 0x20000000, 0x3F000, 0x800, xomMask, L"",
                      L"");
    }
    void AddNonSecure(const std::wstring& name) {
        AddProjectRow(config.projects, name, 1, 0x10040000, 0x1000, 0x30008000, 0, 0, 0, L"", L"");
    }
    void ExpectCompletedAndOpened() {
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(ui.messages.back().text, L"Trust Zone Template Created!");
        EXPECT_EQ(ui.messages.back().caption, L"Trust Manager");
        EXPECT_EQ(ui.messages.back().icon, MessageIcon::None);
        EXPECT_EQ(ui.openedFolders, std::vector<std::wstring>{Out()});
    }
};

TEST_F(TemplateGeneratorTest, ProjectFilesTakeTheProjectsNames) {
    AddSecure(L"Sec");
    AddNonSecure(L"App");
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    for (const char* file :
         {"Sec/KEIL/Sec.uvprojx", "Sec/KEIL/Sec.uvoptx", "Sec/KEIL/secure.sct", "Sec/IAR/Sec.eww",
          "Sec/IAR/Sec.ewd", "Sec/IAR/Sec.ewp", "Sec/main_Sec.c", "App/KEIL/App.uvprojx",
          "App/KEIL/App.uvoptx", "App/IAR/App.eww", "App/IAR/App.ewd", "App/IAR/App.ewp",
          "App/main_App.c", "partition_V6048.h", "TrustZone.uvmpw", "TrustZone.eww"}) {
        EXPECT_TRUE(OutHas(file)) << file;
    }
    for (const char* file : {"Sec/KEIL/Secure.uvprojx", "Sec/main.c", "App/main_ns.c",
                             "App/partition_V6048.h", "App/KEIL/secure.sct"}) {
        EXPECT_FALSE(OutHas(file)) << file;
    }
    EXPECT_EQ(dir.readFile("out/Sec/main_Sec.c"), "template ZQD/Secure/main.c\n");
    ExpectCompletedAndOpened();
    EXPECT_NE(stdoutText.find("Flolder name Secure\n"), std::string::npos);
    EXPECT_NE(stdoutText.find("Flolder name Nonsecure\n"), std::string::npos);
}

TEST_F(TemplateGeneratorTest, XomFilesAreCopiedOnlyForOwnedRegions) {
    AddSecure(L"Sec", 0b1010);
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    EXPECT_TRUE(OutHas("Sec/xom1_func.c"));
    EXPECT_TRUE(OutHas("Sec/xom1_func.h"));
    EXPECT_TRUE(OutHas("Sec/xom3_func.c"));
    EXPECT_TRUE(OutHas("Sec/xom3_func.h"));
    EXPECT_FALSE(OutHas("Sec/xom0_func.c"));
    EXPECT_FALSE(OutHas("Sec/xom2_func.h"));
    EXPECT_EQ(dir.readFile("out/Sec/xom3_func.h"), "template ZQD/xom/xom_func.h\n");
}

TEST_F(TemplateGeneratorTest, SecondRunKeepsEarlierProjectFilesAndIsNoFailure) {
    AddSecure(L"Sec");
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    dir.writeFile("out/Sec/main_Sec.c", "edited by the user");
    ui.queueAnswer(MessageAnswer::Yes);  // the folder is no longer empty
    const GenerationResult second = Generate();
    EXPECT_EQ(second.outcome, GenerationOutcome::Completed);
    EXPECT_EQ(dir.readFile("out/Sec/main_Sec.c"), "edited by the user");
    EXPECT_TRUE(OutHas("Sec/main.c")) << "the fresh copy stays under its template name";
    EXPECT_TRUE(OutHas("Sec/KEIL/Secure.uvprojx"));
}

// The two workspaces are looked at one by one: a whole one stays as the user left
// it, a missing one is copied, and an empty or cut-short one (a killed earlier
// copy) is replaced with a warning instead of blocking the copies for good.
TEST_F(TemplateGeneratorTest, EachWorkspaceIsCopiedWhenMissingOrDamaged) {
    const std::string uvmpwTemplate = "<template file=\"ZQD/TrustZone.uvmpw\"/>\n";
    const std::string ewwTemplate = "<template file=\"ZQD/TrustZone.eww\"/>\n";
    const std::string mineUvmpw = "<?xml version=\"1.0\"?>\n<ProjectWorkspace>mine</ProjectWorkspace>\r\n";
    const std::string mineEww = "<workspace><project/></workspace>";
    struct Case {
        const char* name;
        std::optional<std::string> uvmpw, eww;  // before; nullopt: absent
        std::string uvmpwAfter, ewwAfter;
        std::size_t warnings;
    };
    const Case cases[] = {
        {"whole uvmpw, no eww", mineUvmpw, std::nullopt, mineUvmpw, ewwTemplate, 0},
        {"empty uvmpw, whole eww", "", mineEww, uvmpwTemplate, mineEww, 1},
        {"cut-short uvmpw, no eww", "<ProjectWorkspace>\n  <project>", std::nullopt, uvmpwTemplate,
         ewwTemplate, 1},
        {"both whole", mineUvmpw, mineEww, mineUvmpw, mineEww, 0},
        {"whole uvmpw, cut-short eww", mineUvmpw, "<workspace>", mineUvmpw, ewwTemplate, 1},
    };
    AddSecure(L"Sec");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stdfs::remove_all(dir.file("out"));
        if (c.uvmpw) dir.writeFile("out/TrustZone.uvmpw", *c.uvmpw);
        if (c.eww) dir.writeFile("out/TrustZone.eww", *c.eww);
        ui.queueAnswer(MessageAnswer::Yes);
        const GenerationResult result = Generate();
        EXPECT_EQ(result.warnings.size(), c.warnings);
        EXPECT_EQ(result.outcome, c.warnings == 0 ? GenerationOutcome::Completed
                                                  : GenerationOutcome::CompletedWithWarnings);
        EXPECT_EQ(dir.readFile("out/TrustZone.uvmpw"), c.uvmpwAfter);
        EXPECT_EQ(dir.readFile("out/TrustZone.eww"), c.ewwAfter);
    }
}

TEST_F(TemplateGeneratorTest, EmptyTableStillCompletesAndOpensTheFolder) {
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    EXPECT_TRUE(fs::IsDirectoryEmpty(Out())) << "no workspace and no project";
    EXPECT_TRUE(trace.runs.empty());
    ExpectCompletedAndOpened();
}

TEST_F(TemplateGeneratorTest, FailedValidationCreatesNothing) {
    AddSecure(L"Sec");  // the BSP folder does not exist
    const GenerationResult result = Generate(true);
    EXPECT_EQ(result.outcome, GenerationOutcome::ValidationFailed);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, L"ERROR");
    EXPECT_FALSE(OutHas(""));
    EXPECT_TRUE(ui.openedFolders.empty());
}

TEST_F(TemplateGeneratorTest, ValidConfigurationPassesTheRealValidation) {
    for (const char* folder :
         {"BSP/Library/Device/Quorvex/V6048", "BSP/Library/CMSIS", "BSP/Library/StdDriver"}) {
        stdfs::create_directories(dir.file(folder));
    }
    AddProjectRow(config.projects, L"Secure", 0, 0x0, 0x20000, 0x20000000, 0x3f000, 0x1000, 0,
                  L"NonSecure", L"");
    AddNonSecure(L"NonSecure");
    config.projects.rows[1].roSize = L"0x20000";
    for (int k = 0; k < 4; ++k)
        SetXomRow(config.xomRegions, k, 0x30000u + 0x1000u * static_cast<unsigned>(k), 0x800, L"");
    ASSERT_EQ(Generate(true).outcome, GenerationOutcome::Completed)
        << (ui.messages.empty() ? std::string() : WideToUtf8(ui.messages[0].text));
    ExpectCompletedAndOpened();
}

TEST_F(TemplateGeneratorTest, BspInsideTheOutputsParentGivesARelativePath) {
    config.bspPath = dir.path().wstring();
    AddSecure(L"Sec");
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    ASSERT_EQ(trace.runs.size(), 1u);
    EXPECT_EQ(trace.runs[0].globals[0].text, L"..\\..\\..\\");
}

TEST_F(TemplateGeneratorTest, RelativeBspBesideTheOutputIsReachedByItsFullPath) {
    config.bspPath = L"BSP";
    config.templatePath = L"out";
    AddSecure(L"Sec");
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    ASSERT_EQ(trace.runs.size(), 1u);
    EXPECT_EQ(trace.runs[0].globals[0].text,
              (stdfs::current_path() / "BSP").wstring() + test::P(L"/"));
    EXPECT_EQ(config.bspPath, L"BSP") << "the box keeps what the user typed";
}

TEST_F(TemplateGeneratorTest, ShortBspPathIsPickedAndKept) {
    config.bspPath = L"";
    AddSecure(L"Sec");
    ui.queueFolder(dir.file("PickedBSP").wstring());
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    ASSERT_EQ(ui.picks.size(), 1u);
    EXPECT_EQ(ui.picks[0].title, L"Please select a folder");
    EXPECT_EQ(ui.picks[0].startFolderOrFilter, L"");
    EXPECT_FALSE(ui.picks[0].withEditBox);
    EXPECT_EQ(config.bspPath, dir.file("PickedBSP").wstring());
    EXPECT_EQ(trace.runs[0].globals[0].text, config.bspPath + test::P(L"/"));
}

TEST_F(TemplateGeneratorTest, CancelledBspPickerEndsSilentlyLeavingTheOutputFolder) {
    config.bspPath = L"x";
    AddSecure(L"Sec");
    ui.queueFolder(std::nullopt);
    EXPECT_EQ(Generate().outcome, GenerationOutcome::CancelledBspPicker);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(fs::IsDirectoryEmpty(Out()));
    EXPECT_EQ(config.bspPath, L"x");
}

TEST_F(TemplateGeneratorTest, OutputFolderThatCannotBeCreatedEndsTheCommand) {
    config.templatePath = (dir.file("no-parent") / "out").wstring();
    AddSecure(L"Sec");
    EXPECT_EQ(Generate().outcome, GenerationOutcome::OutputFolderUnavailable);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              L"Unable to create the output folder:\n\n  " + config.templatePath);
    EXPECT_TRUE(trace.runs.empty());
    EXPECT_TRUE(ui.openedFolders.empty());
}

TEST_F(TemplateGeneratorTest, FailedCopiesReplaceTheSuccessMessage) {
    stdfs::remove_all(dir.file("ZQD/xom"));
    AddSecure(L"Sec", 0b0100);
    const GenerationResult result = Generate();
    EXPECT_EQ(result.outcome, GenerationOutcome::CompletedWithErrors);
    const std::wstring xomC = test::P(L"./ZQD/xom/xom_func.c");
    const std::wstring xomH = test::P(L"./ZQD/xom/xom_func.h");
    const std::vector<std::wstring> failed = {
        L"Unable to copy " + xomC + L" to " + Out(L"Sec/xom2_func.c"),
        L"Unable to copy " + xomH + L" to " + Out(L"Sec/xom2_func.h")};
    EXPECT_EQ(result.failedOperations, failed);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().text,
              L"Trust Zone Template created with errors:\n\n" + failed[0] + L"\n" + failed[1]);
    EXPECT_EQ(ui.messages.back().caption, L"WARNING");
    EXPECT_EQ(ui.messages.back().icon, MessageIcon::Warning);
    EXPECT_EQ(ui.openedFolders, std::vector<std::wstring>{Out()});
    EXPECT_EQ(trace.runs.size(), 1u) << "the script still ran";
}

TEST_F(TemplateGeneratorTest, MissingTemplateTreeIsReported) {
    stdfs::remove_all(dir.file("ZQD/Nonsecure"));
    AddNonSecure(L"App");
    const GenerationResult result = Generate();
    EXPECT_EQ(result.outcome, GenerationOutcome::CompletedWithErrors);
    ASSERT_FALSE(result.failedOperations.empty());
    EXPECT_EQ(result.failedOperations[0], L"Unable to read folder " + test::P(L"./ZQD/Nonsecure"));
}

TEST_F(TemplateGeneratorTest, ScriptErrorAbandonsTheCommandAndLeavesTheConfiguration) {
    dir.writeFile("tens.lua", "printResult = 'ns ' .. prjname\nerror('ns failed')");
    AddSecure(L"Sec");
    AddNonSecure(L"First");
    AddNonSecure(L"Second");
    const PartitionConfig before = config;
    const GenerationResult result = Generate();
    EXPECT_EQ(result.outcome, GenerationOutcome::ScriptFailed);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].caption, L"ERROR");
    EXPECT_EQ(ui.messages[0].text, L"tens.lua:2: ns failed");
    EXPECT_EQ(ui.messages[1].caption, L"Console");
    EXPECT_EQ(ui.messages[1].text, L"ns First");
    EXPECT_TRUE(ui.openedFolders.empty());
    EXPECT_TRUE(OutHas("Sec/main_Sec.c"));
    EXPECT_TRUE(OutHas("First/main_First.c"));
    EXPECT_FALSE(OutHas("Second")) << "no project after the failing one";
    EXPECT_NE(result.scriptTraceback.find(L"stack traceback:"), std::wstring::npos);
    EXPECT_EQ(config.templatePath, before.templatePath);
    EXPECT_EQ(config.projects.size(), before.projects.size());
    EXPECT_EQ(config.projects.rows[1].name, L"First");
}

TEST_F(TemplateGeneratorTest, MissingSecureScriptIsReportedAfterTheTemplateCopy) {
    stdfs::remove(dir.file("tes.lua"));
    AddSecure(L"Sec");
    EXPECT_EQ(Generate().outcome, GenerationOutcome::ScriptFailed);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text.rfind(L"cannot run configuration file: ", 0), 0u);
    EXPECT_EQ(ui.messages[1].caption, L"Console");
    EXPECT_TRUE(OutHas("Sec/KEIL/Sec.uvprojx"));
    EXPECT_TRUE(OutHas("partition_V6048.h"));
}

}  // namespace
}  // namespace velmora

namespace velmora {
namespace {

// "No" at the overwrite question lets the user pick another folder; one inside the
// template tree or the BSP's Library folder is refused as a typed one would be.
TEST_F(TemplateGeneratorTest, PickedFolderInsideTheTemplateTreeOrBspIsRefused) {
    struct {
        const char* picked;
        const wchar_t* message;
    } const cases[] = {
        {"ZQD/out", L"Template path cannot be the template folder ZQD or lie inside it."},
        {"BSP/Library/out", L"Template path cannot be the BSP Library folder or lie inside it."},
    };
    for (const auto& c : cases) {
        ui.clearRecords();
        trace.runs.clear();
        config.templatePath = dir.file("out").wstring();
        dir.writeFile("out/taken.txt", "x");
        stdfs::create_directories(dir.file(c.picked));
        if (config.projects.rows.empty()) AddSecure(L"Sec");
        ui.queueAnswer(MessageAnswer::No);
        ui.queueFolder(dir.file(c.picked).wstring());
        EXPECT_EQ(Generate().outcome, GenerationOutcome::ValidationFailed) << c.picked;
        ASSERT_EQ(ui.messages.size(), 2u) << c.picked;
        EXPECT_EQ(ui.messages[1].text, c.message);
        EXPECT_EQ(ui.messages[1].caption, L"ERROR");
        EXPECT_TRUE(trace.runs.empty()) << "nothing generated into " << c.picked;
        EXPECT_FALSE(stdfs::exists(dir.file(c.picked) / "Sec"));
    }
}

}  // namespace
}  // namespace velmora
