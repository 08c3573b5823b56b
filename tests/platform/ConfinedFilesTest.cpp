// Writes confined to a folder: no link below it is followed, no special file is
// written, and whatever lies outside stays byte for byte as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ConfinedFiles.h"
#include "support/TempDir.h"
#include "support/TreeSnapshot.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace velmora {
namespace {

namespace stdfs = std::filesystem;

class ConfinedFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.writeFile("outside/victim.txt", "precious");
        dir.writeFile("outside/folder/f.txt", "foreign");
        dir.writeFile("template.txt", "from the template");
        dir.writeFile("root/file.txt", "old");
        stdfs::create_directories(root / "plain");
    }
    test::TempDir dir;
    const stdfs::path root = dir.file("root");
};

TEST_F(ConfinedFilesTest, PlainFilesAreWrittenReadMovedAndRemoved) {
    EXPECT_EQ(fs::WriteBelow(root, root / "plain" / "new.txt", "new"), fs::Confined::Done);
    EXPECT_EQ(dir.readFile("root/plain/new.txt"), "new");
    EXPECT_EQ(fs::WriteBelow(root, root / "file.txt", "replaced"), fs::Confined::Done);
    EXPECT_EQ(dir.readFile("root/file.txt"), "replaced");
    std::string bytes;
    EXPECT_EQ(fs::ReadBelow(root, root / "file.txt", bytes), fs::Confined::Done);
    EXPECT_EQ(bytes, "replaced");
    EXPECT_EQ(fs::CopyIntoBelow(dir.file("template.txt"), root, root / "copy.txt"), fs::Confined::Done);
    EXPECT_EQ(dir.readFile("root/copy.txt"), "from the template");
    EXPECT_EQ(fs::MoveBelow(root, root / "copy.txt", root / "file.txt", false), fs::Confined::Failed)
        << "an existing target stays";
    EXPECT_EQ(dir.readFile("root/file.txt"), "replaced");
    EXPECT_EQ(fs::MoveBelow(root, root / "copy.txt", root / "file.txt", true), fs::Confined::Done);
    EXPECT_EQ(dir.readFile("root/file.txt"), "from the template");
    EXPECT_EQ(fs::MoveBelow(root, root / "file.txt", root / "plain" / "moved.txt", false),
              fs::Confined::Done);
    EXPECT_EQ(fs::RemoveBelow(root, root / "plain" / "moved.txt"), fs::Confined::Done);
    EXPECT_FALSE(stdfs::exists(root / "plain" / "moved.txt"));
    EXPECT_EQ(fs::CreateDirectoryBelow(root, root / "plain" / "sub"), fs::Confined::Done);
    EXPECT_EQ(fs::CreateDirectoryBelow(root, root / "plain" / "sub"), fs::Confined::Failed);
    EXPECT_EQ(fs::ReadBelow(root, root / "gone.txt", bytes), fs::Confined::Missing);
    EXPECT_EQ(fs::WriteBelow(root, root / "no" / "such" / "folder.txt", "x"), fs::Confined::Missing);
}

TEST_F(ConfinedFilesTest, KindsAndPlacesBelowTheRoot) {
    EXPECT_EQ(fs::KindBelow(root, root / "file.txt"), fs::ConfinedKind::RegularFile);
    EXPECT_EQ(fs::KindBelow(root, root / "plain"), fs::ConfinedKind::Directory);
    EXPECT_EQ(fs::KindBelow(root, root / "nothing"), fs::ConfinedKind::Missing);
    EXPECT_EQ(fs::KindBelow(root, root / ".." / "outside" / "victim.txt"), fs::ConfinedKind::Other);
    EXPECT_TRUE(fs::LiesBelow(root, root / "plain" / "." / "x"));
    EXPECT_TRUE(fs::LiesBelow(root, root / "plain" / ".." / "x"));
    EXPECT_FALSE(fs::LiesBelow(root, root));
    EXPECT_FALSE(fs::LiesBelow(root, root / ".." / "root2" / "x"));
    EXPECT_FALSE(fs::LiesBelow(root, dir.file("rootish") / "x"));
}

// A write whose content is already there leaves the file alone; a real one keeps
// the old file's permissions; each clears the temporary files of its target that
// a killed earlier write left, and only those.
TEST_F(ConfinedFilesTest, WritesClearStaleTemporariesOfTheirTarget) {
    for (const char* name : {"file.txt.tmp123_0", "file.txt.tmp9_17"}) dir.writeFile("root/" + std::string(name), "");
    for (const char* name : {"file.txt.tmpX", "file.txt.tmp1_", "other.txt.tmp1_1", "file.txt.bak"}) {
        dir.writeFile("root/" + std::string(name), "keep");
    }
    const std::vector<std::string> kept = {"file.txt", "file.txt.bak", "file.txt.tmp1_",
                                           "file.txt.tmpX", "other.txt.tmp1_1", "plain"};
    EXPECT_EQ(fs::WriteBelow(root, root / "file.txt", "old"), fs::Confined::Done);
    std::vector<std::string> names;
    for (const auto& entry : stdfs::directory_iterator(root)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, kept);
#ifndef _WIN32
    stdfs::permissions(root / "file.txt", stdfs::perms::owner_read | stdfs::perms::owner_write);
    struct stat before {};
    ::stat((root / "file.txt").c_str(), &before);
    dir.writeFile("root/file.txt.tmp5_5", "");
    EXPECT_EQ(fs::WriteBelow(root, root / "file.txt", "changed"), fs::Confined::Done);
    struct stat after {};
    ::stat((root / "file.txt").c_str(), &after);
    EXPECT_NE(before.st_ino, after.st_ino) << "replaced by a rename, not rewritten in place";
    EXPECT_EQ(after.st_mode & 0777, 0600u);
    EXPECT_FALSE(stdfs::exists(root / "file.txt.tmp5_5"));
    EXPECT_EQ(fs::WriteBelow(root, root / "file.txt", "changed"), fs::Confined::Done);
    struct stat unchanged {};
    ::stat((root / "file.txt").c_str(), &unchanged);
    EXPECT_EQ(after.st_ino, unchanged.st_ino) << "the same content is not written again";
#endif
}

// The places below a root whether or not their texts need normalising: the plain
// ones (root, separator, names) take a shorter road that must agree with the long one.
TEST(ConfinedPaths, PlainAndNormalisedTextsAgree) {
    const struct {
        const char* root;
        const char* path;
        bool below;
    } cases[] = {
        {"out", "out/a", true},           {"out", "out/a/b", true},
        {"out", "out", false},            {"out", "outer/a", false},
        {"out", "out/./a", true},         {"out", "out//a", true},
        {"out", "out/../x", false},       {"out", "out/a/..", false},
        {"out/", "out/a", true},          {"./out", "out/a", true},
        {"out", "./out/a", true},         {"a/../out", "out/x", true},
        {".", "x", true},                 {"..", "../x", true},
        {"out/sub", "out/a", false},      {"out", "out/a/../b", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fs::LiesBelow(c.root, c.path), c.below) << c.root << " " << c.path;
        const stdfs::path absoluteRoot = stdfs::current_path() / c.root;
        EXPECT_EQ(fs::LiesBelow(absoluteRoot, stdfs::current_path() / c.path), c.below)
            << "absolute " << c.root << " " << c.path;
    }
}

// In a batch the files wait in memory: every confined operation sees them, the
// disk only after the flush, which clears each folder of stale temporaries once
// (those of every file there), and writes each file whole.
TEST_F(ConfinedFilesTest, ABatchKeepsItsFilesUntilItFlushes) {
    for (const char* name : {"file.txt.tmp123_0", "other.txt.tmp1_1", "plain/x.txt.tmp2_2"}) {
        dir.writeFile("root/" + std::string(name), "");
    }
    for (const char* name : {"file.txt.tmpX", "keep.tmp", ".tmp1_1"}) {
        dir.writeFile("root/" + std::string(name), "keep");
    }
    dir.writeFile("root/plain/old.txt", "on the disk");
    std::string bytes;
    {
        fs::ConfinedBatch batch(root);
        EXPECT_EQ(fs::WriteBelow(root, root / "file.txt", "first"), fs::Confined::Done);
        EXPECT_EQ(fs::WriteBelow(root, root / "file.txt", "second, longer"), fs::Confined::Done);
        EXPECT_EQ(fs::CopyIntoBelow(dir.file("template.txt"), root, root / "plain" / "copy.txt"),
                  fs::Confined::Done);
        EXPECT_EQ(dir.readFile("root/file.txt"), "old") << "nothing reached the disk yet";
        EXPECT_FALSE(stdfs::exists(root / "plain" / "copy.txt"));
        EXPECT_TRUE(stdfs::exists(root / "file.txt.tmp123_0"));
        EXPECT_EQ(fs::ReadBelow(root, root / "file.txt", bytes), fs::Confined::Done);
        EXPECT_EQ(bytes, "second, longer");
        EXPECT_EQ(fs::KindBelow(root, root / "plain" / "copy.txt"), fs::ConfinedKind::RegularFile);

        // A staged file moves as a file on the disk would, and its older copy goes.
        EXPECT_EQ(fs::WriteBelow(root, root / "plain" / "old.txt", "staged over it"), fs::Confined::Done);
        EXPECT_EQ(fs::MoveBelow(root, root / "plain" / "copy.txt", root / "file.txt", false),
                  fs::Confined::Failed);
        EXPECT_EQ(fs::MoveBelow(root, root / "plain" / "old.txt", root / "plain" / "new.txt", false),
                  fs::Confined::Done);
        EXPECT_FALSE(stdfs::exists(root / "plain" / "old.txt"));
        EXPECT_EQ(fs::KindBelow(root, root / "plain" / "old.txt"), fs::ConfinedKind::Missing);
        EXPECT_EQ(fs::MoveBelow(root, root / "plain" / "new.txt", root / "no" / "x.txt", true),
                  fs::Confined::Missing);
        EXPECT_EQ(fs::CreateDirectoryBelow(root, root / "plain" / "new.txt"), fs::Confined::Failed);
        EXPECT_EQ(fs::WriteBelow(root, root / "gone.txt", "x"), fs::Confined::Done);
        EXPECT_EQ(fs::RemoveBelow(root, root / "gone.txt"), fs::Confined::Done);
        EXPECT_EQ(fs::ReadBelow(root, root / "gone.txt", bytes), fs::Confined::Missing);
        EXPECT_EQ(fs::WriteBelow(root, root / "no" / "such" / "folder.txt", "x"), fs::Confined::Missing)
            << "a write that cannot go is answered at once";

        const fs::ConfinedBatch::Flushed flushed = batch.Flush();
        EXPECT_TRUE(flushed.notWritten.empty());
        EXPECT_TRUE(flushed.synced);
        EXPECT_EQ(dir.readFile("root/file.txt"), "second, longer");
        for (const char* gone : {"file.txt.tmp123_0", "other.txt.tmp1_1", "plain/x.txt.tmp2_2"}) {
            EXPECT_FALSE(stdfs::exists(root / gone)) << gone;
        }
        dir.writeFile("root/later.txt.tmp7_7", "");
        EXPECT_EQ(fs::WriteBelow(root, root / "new.txt", "after the flush"), fs::Confined::Done);
        fs::WriteStagedFilesFor(root / "new.txt");
        EXPECT_EQ(dir.readFile("root/new.txt"), "after the flush");
        EXPECT_TRUE(stdfs::exists(root / "later.txt.tmp7_7")) << "the folder was cleared once";
    }
    for (const char* kept : {"file.txt.tmpX", "keep.tmp", ".tmp1_1"}) {
        EXPECT_TRUE(stdfs::exists(root / kept)) << kept;
    }
    EXPECT_EQ(dir.readFile("root/plain/new.txt"), "staged over it");
    EXPECT_EQ(dir.readFile("root/plain/copy.txt"), "from the template");
    EXPECT_FALSE(stdfs::exists(root / "gone.txt"));
    EXPECT_EQ(fs::WriteBelow(root, root / "file.txt", "outside a batch"), fs::Confined::Done);
    EXPECT_EQ(dir.readFile("root/file.txt"), "outside a batch") << "outside a batch a write is at once";
    EXPECT_TRUE(stdfs::exists(root / "later.txt.tmp7_7")) << "outside a batch a write clears its own only";
}

// In folders a batch created, it knows which places are free without asking the
// disk; what it wrote out early (too much held, or handed over before a script's
// library call) and what others put there once handed over are found all the same.
TEST_F(ConfinedFilesTest, ABatchKnowsItsOwnFoldersAndWhatLeftThemEarly) {
    fs::ConfinedBatch batch(root);
    std::string bytes;
    ASSERT_EQ(fs::CreateDirectoryBelow(root, root / "new"), fs::Confined::Done);
    EXPECT_EQ(fs::KindBelow(root, root / "new" / "a"), fs::ConfinedKind::Missing);
    const std::string large((std::size_t{33} << 20), 'x');
    EXPECT_EQ(fs::WriteBelow(root, root / "new" / "large", large), fs::Confined::Done);
    EXPECT_EQ(stdfs::file_size(root / "new" / "large"), large.size()) << "too much to hold";
    EXPECT_EQ(fs::KindBelow(root, root / "new" / "large"), fs::ConfinedKind::RegularFile);
    EXPECT_EQ(fs::MoveBelow(root, root / "new" / "large", root / "new" / "moved", false), fs::Confined::Done);
    EXPECT_EQ(fs::ReadBelow(root, root / "new" / "moved", bytes), fs::Confined::Done);
    EXPECT_EQ(bytes.size(), large.size());
    EXPECT_EQ(fs::RemoveBelow(root, root / "new" / "moved"), fs::Confined::Done);
    EXPECT_FALSE(stdfs::exists(root / "new" / "moved"));

    EXPECT_EQ(fs::WriteBelow(root, root / "new" / "a", "a"), fs::Confined::Done);
    fs::WriteStagedFilesFor(root / "new" / "a");
    EXPECT_EQ(dir.readFile("root/new/a"), "a");
    dir.writeFile("root/new/by_the_library", "b");
    EXPECT_EQ(fs::KindBelow(root, root / "new" / "by_the_library"), fs::ConfinedKind::RegularFile);
    EXPECT_EQ(fs::MoveBelow(root, root / "new" / "a", root / "new" / "by_the_library", false),
              fs::Confined::Failed);
    EXPECT_EQ(fs::MoveBelow(root, root / "new" / "a", root / "new" / "c", false), fs::Confined::Done);
    EXPECT_EQ(fs::ReadBelow(root, root / "new" / "c", bytes), fs::Confined::Done);
    EXPECT_EQ(bytes, "a");
    EXPECT_TRUE(batch.Flush().notWritten.empty());
}

// A file whose place is gone by the flush is named by it; the others are written.
TEST_F(ConfinedFilesTest, TheFlushNamesTheFilesTheDiskDidNotTake) {
    fs::ConfinedBatch batch(root);
    EXPECT_EQ(fs::WriteBelow(root, root / "plain" / "lost.txt", "x"), fs::Confined::Done);
    EXPECT_EQ(fs::WriteBelow(root, root / "kept.txt", "y"), fs::Confined::Done);
    stdfs::remove_all(root / "plain");
    const fs::ConfinedBatch::Flushed flushed = batch.Flush();
    EXPECT_EQ(flushed.notWritten, std::vector<stdfs::path>{root / "plain" / "lost.txt"});
    EXPECT_EQ(dir.readFile("root/kept.txt"), "y");
    EXPECT_TRUE(batch.Flush().notWritten.empty()) << "a failure is told once";
}

#ifndef _WIN32
// Every operation against every kind of trap planted in the root: a link at the
// target to a file outside, a dangling link, a link to an outside folder on the
// way, a pipe, and a path that climbs out. None succeeds, none hangs, and nothing
// outside the root changes.
TEST_F(ConfinedFilesTest, NoOperationGoesThroughALinkOrASpecialFile) {
    struct Trap {
        const char* name;
        std::function<void()> plant;
        stdfs::path target;
    };
    const stdfs::path outside = dir.file("outside");
    const std::vector<Trap> traps = {
        {"link to an outside file", [&] { stdfs::create_symlink(outside / "victim.txt", root / "t"); },
         root / "t"},
        {"dangling link", [&] { stdfs::create_symlink(outside / "new.txt", root / "t"); }, root / "t"},
        {"linked folder on the way", [&] { stdfs::create_symlink(outside / "folder", root / "sub"); },
         root / "sub" / "f.txt"},
        {"linked folder deeper down",
         [&] { stdfs::create_symlink(outside / "folder", root / "plain" / "sub"); },
         root / "plain" / "sub" / "f.txt"},
        {"pipe", [&] { ASSERT_EQ(::mkfifo((root / "t").c_str(), 0600), 0); }, root / "t"},
        {"path climbing out", [] {}, root / ".." / "outside" / "victim.txt"},
    };
    struct Operation {
        const char* name;
        std::function<fs::Confined(const stdfs::path&)> run;
    };
    std::string bytes;
    const std::vector<Operation> operations = {
        {"write", [&](const stdfs::path& t) { return fs::WriteBelow(root, t, "attack"); }},
        {"copy", [&](const stdfs::path& t) { return fs::CopyIntoBelow(dir.file("template.txt"), root, t); }},
        {"move onto", [&](const stdfs::path& t) { return fs::MoveBelow(root, root / "file.txt", t, false); }},
        {"move over", [&](const stdfs::path& t) { return fs::MoveBelow(root, root / "file.txt", t, true); }},
        {"move away", [&](const stdfs::path& t) { return fs::MoveBelow(root, t, root / "taken", false); }},
        {"remove", [&](const stdfs::path& t) { return fs::RemoveBelow(root, t); }},
        {"read", [&](const stdfs::path& t) { return fs::ReadBelow(root, t, bytes); }},
        {"create folder", [&](const stdfs::path& t) { return fs::CreateDirectoryBelow(root, t); }},
    };
    const test::TreeSnapshot outsideBefore = test::SnapshotTree(outside);
    for (const bool batched : {false, true}) {
        for (const Trap& trap : traps) {
            for (const Operation& operation : operations) {
                SCOPED_TRACE(std::string(trap.name) + ", " + operation.name +
                             (batched ? ", in a batch" : ""));
                stdfs::remove_all(root);
                dir.writeFile("root/file.txt", "old");
                stdfs::create_directories(root / "plain");
                trap.plant();
                const test::TreeSnapshot rootBefore = test::SnapshotTree(root);
                std::optional<fs::ConfinedBatch> batch;
                if (batched) batch.emplace(root);
                EXPECT_NE(operation.run(trap.target), fs::Confined::Done);
                if (batch) {
                    EXPECT_TRUE(batch->Flush().notWritten.empty());
                }
                EXPECT_EQ(test::SnapshotTree(outside), outsideBefore);
                EXPECT_EQ(test::SnapshotTree(root), rootBefore) << "a refused operation changes nothing";
                EXPECT_EQ(bytes, "");
            }
        }
    }
}

// A file staged in a batch whose place becomes a trap before the flush: the flush
// refuses it as the write would have, and nothing outside changes.
TEST_F(ConfinedFilesTest, ATrapPlantedBeforeTheFlushIsRefusedByIt) {
    const stdfs::path outside = dir.file("outside");
    const test::TreeSnapshot outsideBefore = test::SnapshotTree(outside);
    fs::ConfinedBatch batch(root);
    EXPECT_EQ(fs::WriteBelow(root, root / "t", "attack"), fs::Confined::Done);
    EXPECT_EQ(fs::WriteBelow(root, root / "plain" / "f.txt", "attack"), fs::Confined::Done);
    stdfs::create_symlink(outside / "victim.txt", root / "t");
    stdfs::remove_all(root / "plain");
    stdfs::create_symlink(outside / "folder", root / "plain");
    const fs::ConfinedBatch::Flushed flushed = batch.Flush();
    EXPECT_EQ(flushed.notWritten.size(), 2u);
    EXPECT_EQ(test::SnapshotTree(outside), outsideBefore);
}

TEST_F(ConfinedFilesTest, ALinkedSourceIsNotCopied) {
    stdfs::create_symlink(dir.file("outside") / "victim.txt", dir.file("linked.txt"));
    EXPECT_EQ(fs::CopyIntoBelow(dir.file("linked.txt"), root, root / "copy.txt"), fs::Confined::Refused);
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_EQ(fs::CopyIntoBelow(dir.file("pipe"), root, root / "copy.txt"), fs::Confined::Refused);
    EXPECT_FALSE(stdfs::exists(root / "copy.txt"));
}

// The root itself is the user's choice and may be reached through a link.
TEST_F(ConfinedFilesTest, TheRootMayBeALink) {
    stdfs::create_symlink(root, dir.file("alias"));
    EXPECT_EQ(fs::WriteBelow(dir.file("alias"), dir.file("alias") / "plain" / "x.txt", "x"),
              fs::Confined::Done);
    EXPECT_EQ(dir.readFile("root/plain/x.txt"), "x");
}
#endif

}  // namespace
}  // namespace velmora
