#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <tuple>
#include <vector>

#include "platform/FileSystem.h"
#include "support/TempDir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace velmora {
namespace {

TEST(FileSystem, CopyReplacesAnExistingFile) {
    test::TempDir dir;
    const auto from = dir.writeFile("a.txt", "new contents");
    const auto to = dir.writeFile("b.txt", "old");
    EXPECT_TRUE(fs::CopyFileReplacing(from, to));
    EXPECT_EQ(dir.readFile("b.txt"), "new contents");
    EXPECT_TRUE(fs::CopyFileReplacing(from, dir.file("c.txt")));
    EXPECT_EQ(dir.readFile("c.txt"), "new contents");
    EXPECT_FALSE(fs::CopyFileReplacing(dir.file("missing"), dir.file("d.txt")));
}

TEST(FileSystem, MoveNeverReplaces) {
    test::TempDir dir;
    const auto a = dir.writeFile("a.txt", "A");
    const auto b = dir.writeFile("b.txt", "B");
    EXPECT_FALSE(fs::MoveNoReplace(a, b));
    EXPECT_EQ(dir.readFile("a.txt"), "A");
    EXPECT_EQ(dir.readFile("b.txt"), "B");
    EXPECT_TRUE(fs::MoveNoReplace(a, dir.file("c.txt")));
    EXPECT_FALSE(fs::Exists(a));
    EXPECT_EQ(dir.readFile("c.txt"), "A");
}

TEST(FileSystem, CreateOneDirectoryLevelOnly) {
    test::TempDir dir;
    EXPECT_TRUE(fs::CreateOneDirectory(dir.file("x")));
    EXPECT_FALSE(fs::CreateOneDirectory(dir.file("x")));
    EXPECT_FALSE(fs::CreateOneDirectory(dir.file("y") / "z"));
    EXPECT_TRUE(fs::IsDirectoryEmpty(dir.file("x")));
    dir.writeFile("x/f", "1");
    EXPECT_FALSE(fs::IsDirectoryEmpty(dir.file("x")));
    EXPECT_FALSE(fs::IsDirectoryEmpty(dir.file("x") / "f"));
}

TEST(FileSystem, ListsEntriesSortedWithKinds) {
    test::TempDir dir;
    dir.writeFile("b.txt", "");
    dir.writeFile("a/inner.txt", "");
    const auto entries = fs::ListDirectory(dir.path());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, L"a");
    EXPECT_TRUE(entries[0].isDirectory);
    EXPECT_EQ(entries[1].name, L"b.txt");
    EXPECT_FALSE(entries[1].isDirectory);
    EXPECT_TRUE(fs::ListDirectory(dir.file("missing")).empty());
}

TEST(FileSystem, AtomicWriteReplacesOrKeepsTheOldFile) {
    test::TempDir dir;
    const auto target = dir.writeFile("f.kiv", "old");
    EXPECT_TRUE(fs::WriteFileAtomically(target, "new"));
    EXPECT_EQ(dir.readFile("f.kiv"), "new");
    EXPECT_FALSE(fs::WriteFileAtomically(dir.file("missing") / "f.kiv", "x"));
    // A folder in the way cannot be replaced by a file: the folder stays, no temp is left.
    fs::CreateOneDirectory(dir.file("d"));
    EXPECT_FALSE(fs::WriteFileAtomically(dir.file("d"), "x"));
    EXPECT_TRUE(fs::IsDirectory(dir.file("d")));
    EXPECT_EQ(fs::ListDirectory(dir.path()).size(), 2u);
}

#ifndef _WIN32
// A save through a link updates the file it points to, and that file keeps its
// permissions: a rename alone would put a plain file in place of the link.
TEST(FileSystem, AtomicWriteGoesThroughLinksAndKeepsPermissions) {
    namespace stdfs = std::filesystem;
    test::TempDir dir;
    const auto real = dir.writeFile("shared/real.kiv", "old");
    const auto ownerOnly = stdfs::perms::owner_read | stdfs::perms::owner_write;
    stdfs::permissions(real, ownerOnly);
    const auto link = dir.file("f.kiv");
    stdfs::create_symlink(real, link);
    EXPECT_TRUE(fs::WriteFileAtomically(link, "new"));
    EXPECT_TRUE(stdfs::is_symlink(link));
    EXPECT_EQ(dir.readFile("shared/real.kiv"), "new");
    EXPECT_EQ(stdfs::status(real).permissions(), ownerOnly);
    EXPECT_EQ(fs::ListDirectory(dir.file("shared")).size(), 1u);
}
#endif

// Only regular files are read: a pipe without a writer or a device would hang a
// read or feed it without end. A read that fails part-way keeps what came before
// and says so; nothing is thrown.
TEST(FileSystem, ReadsRegularFilesOnly) {
    test::TempDir dir;
    dir.writeFile("plain.txt", "content");
    dir.writeFile("empty.txt", "");
    fs::CreateOneDirectory(dir.file("folder"));
    struct Case {
        const char* name;
        std::function<fs::Path()> make;
        fs::FileRead expected;
        std::string bytes;
    };
    std::vector<Case> cases = {
        {"regular file", [&] { return dir.file("plain.txt"); }, fs::FileRead::Whole, "content"},
        {"empty file", [&] { return dir.file("empty.txt"); }, fs::FileRead::Whole, ""},
        {"folder", [&] { return dir.file("folder"); }, fs::FileRead::Refused, ""},
        {"missing", [&] { return dir.file("missing.txt"); }, fs::FileRead::Refused, ""},
    };
#ifndef _WIN32
    cases.push_back({"link to a regular file",
                     [&] {
                         std::filesystem::create_symlink(dir.file("plain.txt"), dir.file("link"));
                         return dir.file("link");
                     },
                     fs::FileRead::Whole, "content"});
    cases.push_back({"pipe without a writer",
                     [&] {
                         EXPECT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
                         return dir.file("pipe");
                     },
                     fs::FileRead::Refused, ""});
    cases.push_back({"endless device", [] { return fs::Path("/dev/zero"); }, fs::FileRead::Refused, ""});
#endif
#ifdef __linux__
    // A regular file whose first read fails (EIO at address 0).
    cases.push_back({"read error", [] { return fs::Path("/proc/self/mem"); }, fs::FileRead::Interrupted, ""});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = "stale";
        EXPECT_EQ(fs::ReadRegularFile(c.make(), bytes), c.expected);
        EXPECT_EQ(bytes, c.bytes);
    }
}

#ifndef _WIN32
// Entries are taken as they are: a link to a folder is no folder to descend into.
TEST(FileSystem, ListedLinksAndPipesAreNeitherFilesNorFolders) {
    namespace stdfs = std::filesystem;
    test::TempDir dir;
    dir.writeFile("folder/f.txt", "");
    stdfs::create_symlink(dir.file("folder"), dir.file("to-folder"));
    stdfs::create_symlink(dir.file("folder") / "f.txt", dir.file("to-file"));
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    std::vector<std::tuple<std::wstring, bool, bool>> seen;
    for (const fs::DirectoryEntry& entry : fs::ListDirectory(dir.path())) {
        seen.emplace_back(entry.name, entry.isDirectory, entry.isRegularFile);
    }
    const std::vector<std::tuple<std::wstring, bool, bool>> expected = {
        {L"folder", true, false}, {L"pipe", false, false}, {L"to-file", false, false},
        {L"to-folder", false, false}};
    EXPECT_EQ(seen, expected);
}
#endif

// A save killed before its rename leaves a temporary file; the next save removes
// the temporaries of its own file and nothing else.
TEST(FileSystem, AtomicWriteClearsItsStaleTemporaries) {
    test::TempDir dir;
    const auto target = dir.writeFile("default.kiv", "old");
    dir.writeFile("default.kiv.tmp738_0", "half");
    dir.writeFile("default.kiv.tmp1_12", "");
    dir.writeFile("default.kiv.tmp_notes", "mine");
    dir.writeFile("other.kiv.tmp738_0", "other");
    EXPECT_TRUE(fs::WriteFileAtomically(target, "new"));
    std::vector<std::wstring> names;
    for (const fs::DirectoryEntry& entry : fs::ListDirectory(dir.path())) names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"default.kiv", L"default.kiv.tmp_notes",
                                                L"other.kiv.tmp738_0"}));
    EXPECT_EQ(dir.readFile("default.kiv"), "new");
}

TEST(FileSystem, PlatformSeparators) {
    const std::wstring converted = fs::WithPlatformSeparators(L"a\\Library\\CMSIS");
    const std::wstring sep(1, fs::Separator());
    EXPECT_EQ(converted, L"a" + sep + L"Library" + sep + L"CMSIS");
}

TEST(FileSystem, IsWithinComparesWholeSteps) {
    struct Case {
        const char* path;
        const char* folder;
        bool within;
    };
    const Case cases[] = {
        {"/a/b", "/a/b", true},   {"/a/b/c", "/a/b", true}, {"/a/bc", "/a/b", false},
        {"/a", "/a/b", false},    {"/a/b/c", "/a/b/", true}, {"/x/b", "/a/b", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fs::IsWithin(c.path, c.folder), c.within) << c.path << " in " << c.folder;
    }
}

}  // namespace
}  // namespace velmora
