// The checks after the fourteen stages: names the Windows tree could not hold, and
// an output folder that would write into the template tree or the BSP's Library.

#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "ValidationFixtures.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "validate/NameRules.h"
#include "validate/ValidateConfiguration.h"

namespace velmora::test {
namespace {

namespace stdfs = std::filesystem;

std::string Message(const std::optional<std::wstring>& error) {
    return error ? WideToUtf8(*error) : std::string("<none>");
}

struct DeviceNameCase {
    const wchar_t* name;
    bool reserved;
};

class WindowsDeviceName : public ::testing::TestWithParam<DeviceNameCase> {};

TEST_P(WindowsDeviceName, InAnyCaseAndBeforeAnyExtension) {
    EXPECT_EQ(IsWindowsDeviceName(GetParam().name), GetParam().reserved)
        << WideToUtf8(GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Names, WindowsDeviceName,
    ::testing::Values(DeviceNameCase{L"CON", true}, DeviceNameCase{L"con", true},
                      DeviceNameCase{L"Prn", true}, DeviceNameCase{L"aUx", true},
                      DeviceNameCase{L"NUL", true}, DeviceNameCase{L"COM1", true},
                      DeviceNameCase{L"com9", true}, DeviceNameCase{L"LPT1", true},
                      DeviceNameCase{L"lpt9", true}, DeviceNameCase{L"CON.txt", true},
                      DeviceNameCase{L"nul.tar.gz", true}, DeviceNameCase{L"Aux.uvprojx", true},
                      DeviceNameCase{L"CON .txt", true}, DeviceNameCase{L"COM10", false},
                      DeviceNameCase{L"COM", false}, DeviceNameCase{L"LPT", false},
                      DeviceNameCase{L"CONSOLE", false}, DeviceNameCase{L"ACON", false},
                      DeviceNameCase{L"CON_1", false}, DeviceNameCase{L"main_CON.c", false},
                      DeviceNameCase{L"COMA", false}, DeviceNameCase{L"", false}));

class AfterStages : public ::testing::Test {
protected:
    std::string firstError() const { return Message(FindFirstValidationError(config, FileSystemPathQuery())); }
    void renameNonSecure(const std::wstring& name) {
        config.projects.rows[1].name = name;
        config.projects.rows[0].nextBoot = name;
    }
    // A further non-secure row of 8 KB in the free flash above the NonSecure row,
    // so that only its name can fail.
    void addRow(const std::wstring& name) {
        const unsigned extra = static_cast<unsigned>(config.projects.size()) - 2;
        config.projects.rows.push_back(MakeRow(name, L"NS", FormatHex(0x10060000 + extra * 0x2000),
                                               L"0x2000", L"0x30008000", L"", L""));
    }
    BspTrees trees;
    PartitionConfig config = ValidConfiguration(trees.complete());
};

TEST_F(AfterStages, DeviceNamesAreRefusedInAnyCase) {
    for (const wchar_t* name : {L"Aux", L"CON", L"com3", L"Lpt1", L"nul"}) {
        renameNonSecure(name);
        EXPECT_EQ(firstError(), "[" + WideToUtf8(name) +
                                    "] project name is reserved for a device on Windows (CON, "
                                    "PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9).");
    }
    renameNonSecure(L"Console");
    EXPECT_EQ(firstError(), "<none>");
}

TEST_F(AfterStages, CaseTwinsAreReportedByTheFirstPairInTableOrder) {
    struct Case {
        std::vector<std::wstring> extraRows;
        const char* message;
    };
    const Case cases[] = {
        {{L"SECURE"}, "[Secure] and [SECURE] project names differ only in case; on Windows they "
                      "would share one folder."},
        // Rows 1 and 4 pair up before rows 2 and 3 do.
        {{L"app", L"APP", L"nonsecure"}, "[NonSecure] and [nonsecure] project names differ only "
                                         "in case; on Windows they would share one folder."},
        {{L"App", L"my_app", L"_App"}, "<none>"},
    };
    for (const Case& c : cases) {
        config = ValidConfiguration(trees.complete());
        for (const std::wstring& name : c.extraRows) addRow(name);
        EXPECT_EQ(firstError(), c.message) << WideToUtf8(c.extraRows.front());
    }
}

// The output folder judged with an answer table in place of the file system: the
// texts the check resolves, as it forms them, and where each really leads.
struct FolderCase {
    const char* what;
    std::wstring templatePath;
    std::map<std::wstring, std::wstring> resolved;  // beyond the two kept folders
    const char* message;
};

std::ostream& operator<<(std::ostream& out, const FolderCase& c) { return out << c.what; }

const std::wstring kZqd = L"/w/ZQD";
const std::wstring kLibrary = L"/bsp/Library";

class OutputFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(OutputFolder, IsJudgedByWhereItLeads) {
    const FolderCase& c = GetParam();
    PartitionConfig config = ValidConfiguration(L"bsp");
    config.templatePath = c.templatePath;
    std::map<std::wstring, std::wstring> answers = c.resolved;
    answers[fs::WithPlatformSeparators(L".\\ZQD")] = kZqd;
    answers[L"bsp" + fs::WithPlatformSeparators(L"\\Library")] = kLibrary;
    std::vector<std::wstring> asked;
    const PathResolver resolve = [&](const std::wstring& text) {
        asked.push_back(text);
        const auto found = answers.find(text);
        return found != answers.end() ? found->second : L"/elsewhere/" + text;
    };
    const auto error = FindFirstValidationError(config, [](const std::wstring&) { return true; }, resolve);
    EXPECT_EQ(Message(error), c.message);
    if (c.templatePath.empty()) {
        EXPECT_TRUE(asked.empty());
    }
}

const std::wstring kSep(1, fs::Separator());

INSTANTIATE_TEST_SUITE_P(
    Places, OutputFolder,
    ::testing::Values(
        FolderCase{"TheTemplateTree", L"out", {{L"out", kZqd}},
                   "Template path cannot be the template folder ZQD or lie inside it."},
        FolderCase{"InsideTheTemplateTree", L"out", {{L"out", kZqd + L"/Secure/KEIL"}},
                   "Template path cannot be the template folder ZQD or lie inside it."},
        FolderCase{"BesideTheTemplateTree", L"out", {{L"out", kZqd + L"2"}}, "<none>"},
        FolderCase{"AboveTheTemplateTree", L"out", {{L"out", L"/w"}}, "<none>"},
        FolderCase{"TheLibrary", L"out", {{L"out", kLibrary}},
                   "Template path cannot be the BSP Library folder or lie inside it."},
        FolderCase{"InsideTheLibrary", L"out", {{L"out", kLibrary + L"/CMSIS/Include"}},
                   "Template path cannot be the BSP Library folder or lie inside it."},
        FolderCase{"TheBspItself", L"out", {{L"out", L"/bsp"}}, "<none>"},
        FolderCase{"AProjectFolderLeadsIntoTheTemplates", L"out",
                   {{L"out", L"/w"}, {L"out" + kSep + L"NonSecure", kZqd}},
                   "[NonSecure] project folder cannot be the template folder ZQD or lie inside it."},
        FolderCase{"AProjectFolderLeadsIntoTheLibrary", L"out",
                   {{L"out", L"/bsp"}, {L"out" + kSep + L"Secure", kLibrary + L"/StdDriver"}},
                   "[Secure] project folder cannot be the BSP Library folder or lie inside it."},
        FolderCase{"EmptyIsPickedLater", L"", {}, "<none>"}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.what); });

// The real file system: links, ".." steps and folders that do not exist yet.
class OutputFolderOnDisk : public ::testing::Test {
protected:
    OutputFolderOnDisk() : dir(TempDir::Enter) {
        stdfs::create_directories(dir.file("ZQD") / "Secure" / "KEIL");
        config.templatePath = L"out";
    }
    bool link(const stdfs::path& target, const std::string& name) {
        std::error_code error;
        stdfs::create_directory_symlink(target, dir.file(name), error);
        return !error;
    }
    std::string firstError() const { return Message(FindFirstValidationError(config, FileSystemPathQuery())); }

    BspTrees trees;
    TempDir dir;
    PartitionConfig config = ValidConfiguration(trees.complete());
};

const std::string kZqdMessage = "Template path cannot be the template folder ZQD or lie inside it.";
const std::string kLibraryMessage = "Template path cannot be the BSP Library folder or lie inside it.";

TEST_F(OutputFolderOnDisk, ResolvesDotDotAndFoldersToBeMade) {
    const std::wstring sep(1, fs::Separator());
    const std::wstring library = trees.complete() + sep + L"Library";
    const std::pair<std::wstring, std::string> cases[] = {
        {L"ZQD", kZqdMessage},
        {L"." + sep + L"ZQD" + sep + L"Secure" + sep + L"KEIL", kZqdMessage},
        {L"new" + sep + L".." + sep + L"ZQD" + sep + L"made" + sep + L"later", kZqdMessage},
        {fs::ToText(dir.path()) + sep + L"ZQD" + sep, kZqdMessage},
        {library + sep + L"CMSIS", kLibraryMessage},
        {trees.complete(), "<none>"},
        {L"ZQD2", "<none>"},
        {L"elsewhere" + sep + L"new", "<none>"},
    };
    for (const auto& [templatePath, message] : cases) {
        config.templatePath = templatePath;
        EXPECT_EQ(firstError(), message) << WideToUtf8(templatePath);
    }
}

TEST_F(OutputFolderOnDisk, FollowsSymbolicLinks) {
    const std::wstring sep(1, fs::Separator());
    const std::wstring library = trees.complete() + sep + L"Library";
    if (!link("ZQD", "toTemplates") || !link(stdfs::path(library), "toLibrary") ||
        !link(stdfs::path("ZQD") / "Secure" / "KEIL", "toKeil"))
        GTEST_SKIP() << "no symbolic links here";
    const std::pair<std::wstring, std::string> cases[] = {
        {L"toTemplates" + sep + L"new", kZqdMessage},
        {L"toTemplates" + sep + L"Secure", kZqdMessage},
        {L"toLibrary", kLibraryMessage},
        {L"toLibrary" + sep + L"..", "<none>"},  // the BSP's own folder
        // ".." after a link climbs from where the link leads, not from the link.
        {L"toKeil" + sep + L".." + sep + L"..", kZqdMessage},
    };
    for (const auto& [templatePath, message] : cases) {
        config.templatePath = templatePath;
        EXPECT_EQ(firstError(), message) << WideToUtf8(templatePath);
    }
}

TEST_F(OutputFolderOnDisk, AProjectNamedAfterTheTemplateTreeBesideIt) {
    config.templatePath = L".";
    config.projects.rows[1].name = L"ZQD";
    config.projects.rows[0].nextBoot = L"ZQD";
    EXPECT_EQ(firstError(), "[ZQD] project folder cannot be the template folder ZQD or lie inside it.");
}

// Windows names ignore case, so there zqd is the template tree; elsewhere it is a
// folder of its own.
TEST_F(OutputFolderOnDisk, CaseCountsOnlyWhereNamesKeepIt) {
    config.templatePath = L"zqd" + std::wstring(1, fs::Separator()) + L"new";
    const bool namesIgnoreCase = fs::Separator() == L'\\';
    EXPECT_EQ(firstError(), namesIgnoreCase
                                ? "Template path cannot be the template folder ZQD or lie inside it."
                                : "<none>");
}

}  // namespace
}  // namespace velmora::test
