#include <gtest/gtest.h>

#include <filesystem>

#include "generate/OutputFolder.h"
#include "platform/FileSystem.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

namespace stdfs = std::filesystem;
using test::ScriptedFrontend;
using test::TempDir;

class OutputFolderTest : public ::testing::Test {
protected:
    std::wstring Folder(const char* name) const { return dir.file(name).wstring(); }
    void MakeNonEmpty(const char* name) const {
        dir.writeFile(std::string(name) + "/old.txt", "old");
    }

    TempDir dir;
    ScriptedFrontend ui;
};

TEST_F(OutputFolderTest, MissingFolderIsCreatedWithoutAQuestion) {
    std::wstring path = Folder("out");
    EXPECT_EQ(ResolveOutputFolder(path, ui), OutputFolderOutcome::Accepted);
    EXPECT_TRUE(stdfs::is_directory(dir.file("out")));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.picks.empty());
}

TEST_F(OutputFolderTest, EmptyFolderIsTakenWithoutAQuestion) {
    stdfs::create_directory(dir.file("out"));
    std::wstring path = Folder("out");
    EXPECT_EQ(ResolveOutputFolder(path, ui), OutputFolderOutcome::Accepted);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(OutputFolderTest, NonEmptyFolderAsksAndYesKeepsItsFiles) {
    MakeNonEmpty("out");
    std::wstring path = Folder("out");
    ui.queueAnswer(MessageAnswer::Yes);
    EXPECT_EQ(ResolveOutputFolder(path, ui), OutputFolderOutcome::Accepted);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text,
              L"Directory:\n\n  " + path + L"\n\nExisted.\nDo you want to overwrite it?");
    EXPECT_EQ(ui.messages[0].caption, L"Warning");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(dir.readFile("out/old.txt"), "old");
    EXPECT_EQ(path, Folder("out"));
}

TEST_F(OutputFolderTest, CancelEndsWithoutAPicker) {
    MakeNonEmpty("out");
    std::wstring path = Folder("out");
    ui.queueAnswer(MessageAnswer::Cancel);
    EXPECT_EQ(ResolveOutputFolder(path, ui), OutputFolderOutcome::CancelledPrompt);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(ui.picks.empty());
}

TEST_F(OutputFolderTest, NoOpensThePickerOnTheFolderAndTakesThePick) {
    MakeNonEmpty("out");
    stdfs::create_directory(dir.file("picked"));
    std::wstring path = Folder("out");
    ui.queueAnswer(MessageAnswer::No);
    ui.queueFolder(Folder("picked"));
    EXPECT_EQ(ResolveOutputFolder(path, ui), OutputFolderOutcome::Accepted);
    ASSERT_EQ(ui.picks.size(), 1u);
    EXPECT_EQ(ui.picks[0].title, L"Please select a folder");
    EXPECT_EQ(ui.picks[0].startFolderOrFilter, Folder("out"));
    EXPECT_TRUE(ui.picks[0].withEditBox);
    EXPECT_EQ(path, Folder("picked"));
    EXPECT_EQ(ui.messages.size(), 1u) << "an empty picked folder needs no question";
}

TEST_F(OutputFolderTest, PickedNonEmptyFolderIsAskedAboutAgain) {
    MakeNonEmpty("out");
    MakeNonEmpty("second");
    std::wstring path = Folder("out");
    ui.queueAnswer(MessageAnswer::No);
    ui.queueFolder(Folder("second"));
    ui.queueAnswer(MessageAnswer::Cancel);
    EXPECT_EQ(ResolveOutputFolder(path, ui), OutputFolderOutcome::CancelledPrompt);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[1].text.find(Folder("second")), std::wstring::npos);
    EXPECT_EQ(path, Folder("second")) << "the pick stays even though the command ends";
}

TEST_F(OutputFolderTest, CancelledPickerEndsTheCommand) {
    MakeNonEmpty("out");
    std::wstring path = Folder("out");
    ui.queueAnswer(MessageAnswer::No);
    ui.queueFolder(std::nullopt);
    EXPECT_EQ(ResolveOutputFolder(path, ui), OutputFolderOutcome::CancelledPicker);
    EXPECT_EQ(path, Folder("out"));
}

TEST_F(OutputFolderTest, EmptyPathGoesStraightToThePicker) {
    std::wstring path;
    ui.queueFolder(Folder("chosen"));
    EXPECT_EQ(ResolveOutputFolder(path, ui), OutputFolderOutcome::Accepted);
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(ui.picks.size(), 1u);
    EXPECT_EQ(ui.picks[0].startFolderOrFilter, L"");
    EXPECT_EQ(path, Folder("chosen"));
    EXPECT_TRUE(stdfs::is_directory(dir.file("chosen"))) << "a missing picked folder is created";
}

TEST_F(OutputFolderTest, FolderThatCannotBeCreatedIsAnError) {
    std::wstring path = (dir.file("no-parent") / "out").wstring();
    EXPECT_EQ(ResolveOutputFolder(path, ui), OutputFolderOutcome::Unavailable);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, L"Unable to create the output folder:\n\n  " + path);
    EXPECT_EQ(ui.messages[0].caption, L"ERROR");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
}

TEST_F(OutputFolderTest, FileInThePlaceOfTheFolderIsAnErrorAfterYes) {
    dir.writeFile("out", "a file");
    std::wstring path = Folder("out");
    ui.queueAnswer(MessageAnswer::Yes);
    EXPECT_EQ(ResolveOutputFolder(path, ui), OutputFolderOutcome::Unavailable);
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[1].caption, L"ERROR");
    EXPECT_EQ(dir.readFile("out"), "a file");
}

}  // namespace
}  // namespace velmora
