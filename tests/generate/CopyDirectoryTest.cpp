#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "GenerateTestSupport.h"
#include "generate/CopyDirectory.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "support/TreeSnapshot.h"

#ifdef __linux__
#include <sys/mount.h>
#endif
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace velmora {
namespace {

namespace stdfs = std::filesystem;
using test::TempDir;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string N(const stdfs::path& path) { return path.string(); }

struct CopyRun {
    int result;
    std::vector<std::string> trace;
};

CopyRun Copy(const stdfs::path& source, const stdfs::path& destination,
             FailedOperations* failures = nullptr) {
    ::testing::internal::CaptureStdout();
    const int result = CopyDirectory(source.wstring(), destination.wstring(), failures);
    return {result, Lines(::testing::internal::GetCapturedStdout())};
}

class CopyDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.writeFile("src/Secure/a.txt", "new a");
        dir.writeFile("src/Secure/sub/b.txt", "new b");
        stdfs::create_directories(source / "e");
    }
    TempDir dir;
    const stdfs::path source = dir.file("src") / "Secure";
    const stdfs::path destination = dir.file("dst");
};

TEST_F(CopyDirectoryTest, TracesEveryStepInOrder) {
    const stdfs::path& s = source;
    const stdfs::path& d = destination;
    const CopyRun run = Copy(s, d);
    EXPECT_EQ(run.result, 0);
    const std::vector<std::string> expected = {
        "Flolder name Secure",
        "Create folder " + N(d),
        "First file name: .",
        "Next file name: ..",
        "Next file name: a.txt",
        "file a.txt",
        "Copy file " + N(s / "a.txt") + " to " + N(d / "a.txt"),
        "Next file name: e",
        "dir e",
        "Create folder " + N(d / "e"),
        "Flolder name e",
        "First file name: .",
        "Next file name: ..",
        "copy older " + N(s / "e") + " to " + N(d / "e"),
        "Next file name: sub",
        "dir sub",
        "Create folder " + N(d / "sub"),
        "Flolder name sub",
        "First file name: .",
        "Next file name: ..",
        "Next file name: b.txt",
        "file b.txt",
        "Copy file " + N(s / "sub" / "b.txt") + " to " + N(d / "sub" / "b.txt"),
        "copy older " + N(s / "sub") + " to " + N(d / "sub"),
    };
    EXPECT_EQ(run.trace, expected);
    EXPECT_EQ(dir.readFile("dst/sub/b.txt"), "new b");
    EXPECT_TRUE(stdfs::is_directory(d / "e"));
}

TEST_F(CopyDirectoryTest, MergesIntoAnExistingDestination) {
    dir.writeFile("dst/a.txt", "old a");
    dir.writeFile("dst/other.txt", "mine");
    dir.writeFile("dst/sub/keep.txt", "kept");
    const CopyRun run = Copy(source, destination);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(dir.readFile("dst/a.txt"), "new a");
    EXPECT_EQ(dir.readFile("dst/other.txt"), "mine");
    EXPECT_EQ(dir.readFile("dst/sub/keep.txt"), "kept");
    EXPECT_EQ(dir.readFile("dst/sub/b.txt"), "new b");
    // Only the folder that was missing is created.
    std::vector<std::string> creations;
    for (const std::string& line : run.trace) {
        if (line.rfind("Create folder ", 0) == 0) creations.push_back(line);
    }
    EXPECT_EQ(creations, std::vector<std::string>{"Create folder " + N(destination / "e")});
}

TEST_F(CopyDirectoryTest, EmptySourceTracesOnlyTheDotEntries) {
    const CopyRun run = Copy(source / "e", destination);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(run.trace,
              (std::vector<std::string>{"Flolder name e", "Create folder " + N(destination),
                                        "First file name: .", "Next file name: .."}));
    EXPECT_TRUE(fs::IsDirectoryEmpty(destination));
}

TEST_F(CopyDirectoryTest, MissingSourceStillCreatesTheDestination) {
    FailedOperations failures;
    const CopyRun run = Copy(dir.file("src") / "Nothing", destination, &failures);
    EXPECT_EQ(run.result, -1);
    EXPECT_EQ(run.trace, (std::vector<std::string>{"Flolder name Nothing",
                                                   "Create folder " + N(destination)}));
    EXPECT_TRUE(stdfs::is_directory(destination));
    ASSERT_EQ(failures.lines().size(), 1u);
    EXPECT_EQ(failures.lines()[0],
              L"Unable to read folder " + (dir.file("src") / "Nothing").wstring());
}

TEST_F(CopyDirectoryTest, SourceWithoutSeparatorIsNamedWhole) {
    dir.enter();
    const CopyRun run = Copy("src", "dst");
    ASSERT_FALSE(run.trace.empty());
    EXPECT_EQ(run.trace[0], "Flolder name src");
    EXPECT_EQ(dir.readFile("dst/Secure/a.txt"), "new a");
}

TEST_F(CopyDirectoryTest, CopiesHiddenAndReadOnlyFilesLikeOthers) {
    dir.writeFile("src/Secure/.hidden", "h");
    const stdfs::path readOnly = dir.writeFile("src/Secure/ro.txt", "r");
    stdfs::permissions(readOnly, stdfs::perms::owner_read | stdfs::perms::group_read);
    EXPECT_EQ(Copy(source, destination).result, 0);
    EXPECT_EQ(dir.readFile("dst/.hidden"), "h");
    EXPECT_EQ(dir.readFile("dst/ro.txt"), "r");
}

TEST_F(CopyDirectoryTest, FailuresAreCollectedAndTheWalkGoesOn) {
    FailedOperations failures;
    const stdfs::path unreachable = dir.file("missing-parent") / "dst";
    const CopyRun run = Copy(source, unreachable, &failures);
    EXPECT_EQ(run.result, 0);
    const std::vector<std::wstring> expected = {
        L"Unable to create folder " + unreachable.wstring(),
        L"Unable to copy " + (source / "a.txt").wstring() + L" to " +
            (unreachable / "a.txt").wstring(),
        L"Unable to create folder " + (unreachable / "e").wstring(),
        L"Unable to create folder " + (unreachable / "sub").wstring(),
        L"Unable to copy " + (source / "sub" / "b.txt").wstring() + L" to " +
            (unreachable / "sub" / "b.txt").wstring(),
    };
    EXPECT_EQ(failures.lines(), expected);
    // Every entry was still visited.
    EXPECT_EQ(run.trace.back(),
              "copy older " + N(source / "sub") + " to " + N(unreachable / "sub"));
}

#ifndef _WIN32
std::vector<std::string> Matching(const std::vector<std::string>& lines, const std::string& start) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.rfind(start, 0) == 0) found.push_back(line);
    }
    return found;
}

// Links in the template (to the folder itself, to "/", to a file and a folder
// outside) and a pipe are not copied, each with a trace line and a failure; the
// copy ends, and only the regular files and folders arrive.
TEST_F(CopyDirectoryTest, CopiesOnlyRegularFilesAndFolders) {
    dir.writeFile("outside/secret", "not for the project");
    dir.writeFile("outside/folder/x", "x");
    stdfs::create_symlink(".", source / "self");
    stdfs::create_symlink(".", source / "sub" / "self");
    stdfs::create_symlink("/", source / "everything");
    stdfs::create_symlink(dir.file("outside") / "secret", source / "passwd");
    stdfs::create_symlink(dir.file("outside") / "folder", source / "elsewhere");
    ASSERT_EQ(::mkfifo((source / "pipe").c_str(), 0600), 0);
    FailedOperations failures;
    const CopyRun run = Copy(source, destination, &failures);
    EXPECT_EQ(run.result, 0);
    const test::TreeSnapshot expected = {{"a.txt", "file:new a"}, {"e", "dir"}, {"sub", "dir"},
                                         {"sub/b.txt", "file:new b"}};
    EXPECT_EQ(test::SnapshotTree(destination), expected);
    const std::vector<std::string> skipped = {
        "Skip entry elsewhere: not a regular file or folder",
        "Skip entry everything: not a regular file or folder",
        "Skip entry passwd: not a regular file or folder",
        "Skip entry pipe: not a regular file or folder",
        "Skip entry self: not a regular file or folder",
        "Skip entry self: not a regular file or folder",
    };
    EXPECT_EQ(Matching(run.trace, "Skip entry "), skipped);
    std::vector<std::wstring> expectedFailures;
    for (const char* name : {"elsewhere", "everything", "passwd", "pipe", "self", "sub/self"}) {
        expectedFailures.push_back(L"Skipped " + (source / name).wstring() +
                                   L": not a regular file or folder");
    }
    EXPECT_EQ(failures.lines(), expectedFailures);
}

// A destination whose folders or files are links to places outside: nothing is
// written there; each refusal is a failure, the rest of the copy goes on.
TEST_F(CopyDirectoryTest, DestinationLinksAreNotFollowed) {
    dir.writeFile("outside/folder/b.txt", "foreign b");
    dir.writeFile("outside/a.txt", "foreign a");
    stdfs::create_directories(destination);
    stdfs::create_symlink(dir.file("outside") / "folder", destination / "sub");
    stdfs::create_symlink(dir.file("outside") / "a.txt", destination / "a.txt");
    const test::TreeSnapshot outside = test::SnapshotTree(dir.file("outside"));
    FailedOperations failures;
    EXPECT_EQ(Copy(source, destination, &failures).result, 0);
    EXPECT_EQ(test::SnapshotTree(dir.file("outside")), outside);
    const std::vector<std::wstring> expected = {
        L"Refused to copy " + (source / "a.txt").wstring() + L" to " +
            (destination / "a.txt").wstring() + L": a symbolic link or a special file is in the way",
        L"Refused to write " + (destination / "sub").wstring() +
            L": a symbolic link or a special file is in the way",
    };
    EXPECT_EQ(failures.lines(), expected);
    EXPECT_TRUE(stdfs::is_directory(destination / "e")) << "the rest is copied";
}
#endif

#ifdef __linux__
// Unmounts what it mounted, before the folders are removed.
struct BindMount {
    BindMount(const stdfs::path& from, const stdfs::path& onto) : target(onto) {
        mounted = ::mount(from.c_str(), onto.c_str(), nullptr, MS_BIND, nullptr) == 0;
    }
    ~BindMount() {
        if (mounted) ::umount2(target.c_str(), MNT_DETACH);
    }
    stdfs::path target;
    bool mounted = false;
};

// The template folder mounted inside itself shows the same folder again without a
// link: the copy sees it leads back and leaves it out.
TEST_F(CopyDirectoryTest, AFolderLeadingBackIsCopiedOnce) {
    const BindMount loop(source, source / "e");
    if (!loop.mounted) GTEST_SKIP() << "bind mounts need privileges this run has not";
    FailedOperations failures;
    const CopyRun run = Copy(source, destination, &failures);
    EXPECT_EQ(run.result, 0);
    EXPECT_EQ(Matching(run.trace, "Skip entry "),
              std::vector<std::string>{"Skip entry e: leads back to a folder being copied"});
    EXPECT_EQ(failures.lines(), std::vector<std::wstring>{L"Skipped " + (source / "e").wstring() +
                                                          L": the folder leads back to a folder that holds it"});
    EXPECT_TRUE(stdfs::is_regular_file(destination / "sub" / "b.txt"));
    EXPECT_FALSE(stdfs::exists(destination / "e"));
}
#endif

}  // namespace
}  // namespace velmora
