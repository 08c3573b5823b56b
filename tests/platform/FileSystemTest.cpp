#include <gtest/gtest.h>

#include <fstream>

#include "platform/FileSystem.h"
#include "support/TempDir.h"

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
