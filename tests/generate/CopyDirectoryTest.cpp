#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "GenerateTestSupport.h"
#include "generate/CopyDirectory.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

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

}  // namespace
}  // namespace velmora
