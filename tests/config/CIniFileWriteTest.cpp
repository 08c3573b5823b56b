#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "config/CIniFile.h"
#include "platform/TextCodec.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

using test::ScriptedFrontend;
using test::TempDir;

void ExpectWriteWarning(const ScriptedFrontend& ui) {
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, L"Unable to write ini file.");
    EXPECT_EQ(ui.messages[0].caption, L"Velmora");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
}

std::size_t EntriesIn(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
    return count;
}

TEST(CIniFileWrite, WritesSectionsWithCrLfAndAnEmptyLineAfterEach) {
    TempDir dir;
    const auto file = dir.writeFile("a.ini", "[S]\na=1\nb=2\n");
    CIniFile store;
    store.path = file.wstring();
    ASSERT_TRUE(store.Read());
    store.PutText(L"T", L"c", L"x=y", true);
    ASSERT_TRUE(store.Write());
    EXPECT_EQ(dir.readFile("a.ini"), "[S]\r\na=1\r\nb=2\r\n\r\n[T]\r\nc=x=y\r\n\r\n");
}

TEST(CIniFileWrite, ReadingTheWrittenFileGivesTheSameStore) {
    TempDir dir;
    CIniFile store;
    store.path = dir.file("a.ini").wstring();
    store.PutText(L"", L"", L"top", true);
    store.PutText(L"S", L" a ", L" b ", true);
    store.PutText(L"S", L";c", L"[x]", true);
    ASSERT_TRUE(store.Write());
    CIniFile again;
    again.path = store.path;
    ASSERT_TRUE(again.Read());
    EXPECT_EQ(again.keyNames, store.keyNames);
    ASSERT_EQ(again.keys.size(), store.keys.size());
    for (std::size_t i = 0; i < store.keys.size(); ++i) {
        EXPECT_EQ(again.keys[i].names, store.keys[i].names);
        EXPECT_EQ(again.keys[i].values, store.keys[i].values);
    }
}

TEST(CIniFileWrite, SkipsSectionsWithoutValues) {
    CIniFile store;
    store.keyNames.push_back(L"EMPTY");
    store.keys.emplace_back();
    store.PutText(L"S", L"a", L"1", true);
    EXPECT_EQ(store.Serialize(), "[S]\r\na=1\r\n\r\n");
}

TEST(CIniFileWrite, AnEmptyStoreGivesAnEmptyFile) {
    TempDir dir;
    dir.writeFile("a.ini", "old");
    CIniFile store;
    store.path = dir.file("a.ini").wstring();
    ASSERT_TRUE(store.Write());
    EXPECT_EQ(dir.readFile("a.ini"), "");
}

TEST(CIniFileWrite, WritesLongNamesAndTextsWhole) {
    TempDir dir;
    const std::wstring section(4100, L'K');
    const std::wstring name(5000, L'n');
    const std::wstring text = std::wstring(3000, L'a') + L"=" + std::wstring(3000, L'b');
    CIniFile store;
    store.path = dir.file("long.ini").wstring();
    store.PutText(section, name, text, true);
    ASSERT_TRUE(store.Write());
    const std::string expected = "[" + std::string(4100, 'K') + "]\r\n" + std::string(5000, 'n') +
                                 "=" + std::string(3000, 'a') + "=" + std::string(3000, 'b') +
                                 "\r\n\r\n";
    EXPECT_EQ(dir.readFile("long.ini"), expected);
    CIniFile again;
    again.path = store.path;
    ASSERT_TRUE(again.Read());
    EXPECT_EQ(again.GetText(section, name), text);
}

TEST(CIniFileWrite, InvalidBytesSurviveARoundTripUnchanged) {
    using namespace std::string_literals;
    TempDir dir;
    // Stray continuation, truncated sequence, overlong form, encoded surrogate, 0xff
    // and embedded NULs, in section names, value names and texts.
    const std::string original = "[\x80S\xc3]\r\n"
                                 "n\xc0\xaf=t\xed\xa0\x80x\r\n"
                                 "\xff\xfe=\x00mid\x00\r\n"
                                 "ok=Gr\xc3\xbc\xc3\x9f" "e\r\n"
                                 "\r\n"s;
    dir.writeFile("bytes.ini", original);
    CIniFile store;
    store.path = dir.file("bytes.ini").wstring();
    ASSERT_TRUE(store.Read());
    if (NarrowIsUtf8()) {
        const std::wstring section = L"\xdc80S\xdcc3";
        EXPECT_EQ(store.GetText(section, L"ok"), L"Gr\u00fc\u00dfe");
        EXPECT_EQ(store.GetText(section, L"\xdcff\xdcfe"), std::wstring(L"\0mid\0", 5));
    }
    ASSERT_TRUE(store.Write());
    EXPECT_EQ(dir.readFile("bytes.ini"), original);
}

TEST(CIniFileWrite, UnrepresentableCharacterBecomesAQuestionMarkAndTheRestFollows) {
    CIniFile store;
    // A lone surrogate has no narrow form in any code page.
    store.PutText(L"S", L"k", std::wstring(L"a") + static_cast<wchar_t>(0xD800) + L"b", true);
    EXPECT_EQ(store.Serialize(), "[S]\r\nk=a?b\r\n\r\n");
}

TEST(CIniFileWrite, LineFeedInsideATextCannotInjectEntries) {
    CIniFile store;
    store.PutText(L"GENERAL", L"BSP_PATH", L"C:\\bsp\n[PRJ5]\nNAME=evil", true);
    const std::string written = store.Serialize();
    EXPECT_EQ(written, "[GENERAL]\r\nBSP_PATH=C:\\bsp?[PRJ5]?NAME=evil\r\n\r\n");
    CIniFile again;
    again.Parse(written);
    EXPECT_EQ(again.keyNames, (std::vector<std::wstring>{L"GENERAL"}));
    EXPECT_EQ(again.CountValues(L"GENERAL"), 1);
}

TEST(CIniFileWrite, MissingFolderFailsVisiblyAndCreatesNothing) {
    TempDir dir;
    ScriptedFrontend ui;
    CIniFile store(&ui);
    store.path = dir.file("missing/a.ini").wstring();
    store.PutText(L"S", L"a", L"1", true);
    EXPECT_FALSE(store.Write());
    ExpectWriteWarning(ui);
    EXPECT_EQ(store.LastError(), L"Unable to write ini file.");
    EXPECT_EQ(EntriesIn(dir.path()), 0u);
}

// A configuration file marked read-only keeps its content: the save fails visibly
// instead of replacing the file behind the mark.
TEST(CIniFileWrite, ReadOnlyFileIsKeptAndTheFailureShown) {
#ifndef _WIN32
    if (geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
#endif
    namespace stdfs = std::filesystem;
    TempDir dir;
    const std::string old = "[OLD]\r\nkeep=1\r\n\r\n";
    const auto file = dir.writeFile("a.ini", old);
    const auto writeBits =
        stdfs::perms::owner_write | stdfs::perms::group_write | stdfs::perms::others_write;
    stdfs::permissions(file, writeBits, stdfs::perm_options::remove);
    ScriptedFrontend ui;
    CIniFile store(&ui);
    store.path = file.wstring();
    store.PutText(L"S", L"a", L"1", true);
    const bool written = store.Write();
    stdfs::permissions(file, stdfs::perms::owner_write, stdfs::perm_options::add);
    EXPECT_FALSE(written);
    ExpectWriteWarning(ui);
    EXPECT_EQ(dir.readFile("a.ini"), old);
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

#ifndef _WIN32
// A write that fails half-way (the file size limit stops it) must leave the old
// file as it was and no temporary file behind. This works for root, too, which
// folder permissions would not stop.
TEST(CIniFileWrite, FailureHalfWayKeepsTheOldFileWhole) {
    TempDir dir;
    const std::string old = "[OLD]\r\nkeep=1\r\n\r\n";
    dir.writeFile("a.ini", old);
    ScriptedFrontend ui;
    CIniFile store(&ui);
    store.path = dir.file("a.ini").wstring();
    store.PutText(L"S", L"big", std::wstring(100000, L'x'), true);

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = store.Write();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    ExpectWriteWarning(ui);
    EXPECT_EQ(dir.readFile("a.ini"), old);
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(CIniFileWrite, ReadOnlyFolderKeepsTheOldFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    TempDir dir;
    const std::string old = "[OLD]\r\nkeep=1\r\n\r\n";
    dir.writeFile("ro/a.ini", old);
    std::filesystem::permissions(dir.file("ro"), std::filesystem::perms::owner_read |
                                                     std::filesystem::perms::owner_exec);
    ScriptedFrontend ui;
    CIniFile store(&ui);
    store.path = dir.file("ro/a.ini").wstring();
    store.PutText(L"S", L"a", L"1", true);
    EXPECT_FALSE(store.Write());
    ExpectWriteWarning(ui);
    EXPECT_EQ(dir.readFile("ro/a.ini"), old);
}
#else
// A file that another program holds open without delete sharing cannot be
// replaced: the write fails and the old file stays whole.
TEST(CIniFileWrite, FileHeldOpenElsewhereKeepsTheOldFile) {
    TempDir dir;
    const std::string old = "[OLD]\r\nkeep=1\r\n\r\n";
    const auto file = dir.writeFile("a.ini", old);
    HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ScriptedFrontend ui;
    CIniFile store(&ui);
    store.path = file.wstring();
    store.PutText(L"S", L"a", L"1", true);
    const bool written = store.Write();
    CloseHandle(held);
    EXPECT_FALSE(written);
    ExpectWriteWarning(ui);
    EXPECT_EQ(dir.readFile("a.ini"), old);
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}
#endif

}  // namespace
}  // namespace velmora
