#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/WorkingFolder.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

namespace stdfs = std::filesystem;

// A small bundled working folder in source/, and a place for the copy.
class LayOutTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_.writeFile("source/default.kiv", "[GENERAL]\r\n");
        dir_.writeFile("source/tes.lua", "-- secure\n");
        dir_.writeFile("source/ZQD/Secure/main.c", "int main(void) { return 0; }\n");
        dir_.writeFile("source/BSP/Library/CMSIS/Include/core_cm23.h", "#pragma once\n");
        stdfs::create_directories(dir_.file("source/BSP/empty"));
    }

    LayOutResult layOut(const std::string& target) {
        return LayOutWorkingFolder(fs::ToText(dir_.file("source")), fs::ToText(dir_.file(target)));
    }

    // Every file and folder below dir/name, relative, with the contents of the files.
    std::vector<std::string> tree(const std::string& name) const {
        std::vector<std::string> lines;
        const stdfs::path root = dir_.file(name);
        for (const auto& entry : stdfs::recursive_directory_iterator(root)) {
            const std::string relative = entry.path().lexically_relative(root).generic_string();
            lines.push_back(entry.is_directory() ? relative + "/"
                                                 : relative + "=" + dir_.readFile(name + "/" + relative));
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    test::TempDir dir_;
};

TEST_F(LayOutTest, CopiesEveryFileAndFolderIntoANewNestedFolder) {
    const LayOutResult result = layOut("new/nested/work");
    EXPECT_EQ(result.outcome, LayOutOutcome::Created);
    EXPECT_TRUE(result.kept.empty());
    EXPECT_TRUE(result.failed.empty());
    EXPECT_EQ(tree("new/nested/work"), tree("source"));
}

TEST_F(LayOutTest, KeepsExistingFilesAndFillsInTheRest) {
    dir_.writeFile("work/tes.lua", "-- my own\n");
    dir_.writeFile("work/ZQD/Secure/extra.c", "extra\n");
    const LayOutResult result = layOut("work");
    EXPECT_EQ(result.outcome, LayOutOutcome::Created);
    ASSERT_EQ(result.kept.size(), 1u);
    EXPECT_TRUE(stdfs::equivalent(fs::ToPath(result.kept[0]), dir_.file("work/tes.lua")));
    EXPECT_EQ(dir_.readFile("work/tes.lua"), "-- my own\n");
    EXPECT_EQ(dir_.readFile("work/ZQD/Secure/extra.c"), "extra\n");
    EXPECT_EQ(dir_.readFile("work/ZQD/Secure/main.c"), "int main(void) { return 0; }\n");
    EXPECT_EQ(dir_.readFile("work/default.kiv"), "[GENERAL]\r\n");
}

TEST_F(LayOutTest, RefusalsAndFailuresWriteNothing) {
    dir_.writeFile("work/default.kiv", "mine");
    EXPECT_EQ(layOut("work").outcome, LayOutOutcome::Refused);
    EXPECT_EQ(tree("work"), std::vector<std::string>{"default.kiv=mine"});

    EXPECT_EQ(layOut("source/BSP/work").outcome, LayOutOutcome::InsideSource);
    EXPECT_EQ(layOut("source").outcome, LayOutOutcome::InsideSource);
    EXPECT_FALSE(fs::Exists(dir_.file("source/BSP/work")));

    const LayOutResult missing =
        LayOutWorkingFolder(fs::ToText(dir_.file("nothing")), fs::ToText(dir_.file("other")));
    EXPECT_EQ(missing.outcome, LayOutOutcome::SourceMissing);
    EXPECT_FALSE(fs::Exists(dir_.file("other")));

    dir_.writeFile("plain-file", "x");
    const LayOutResult blocked = layOut("plain-file/work");
    EXPECT_EQ(blocked.outcome, LayOutOutcome::Failed);
    EXPECT_EQ(blocked.failed.size(), 1u);
}

#ifndef _WIN32
// Links are neither followed nor copied: the bundled folder must not reach out.
TEST_F(LayOutTest, SkipsSymbolicLinks) {
    dir_.writeFile("outside/secret.txt", "secret");
    stdfs::create_symlink(dir_.file("outside/secret.txt"), dir_.file("source/link.txt"));
    stdfs::create_directory_symlink(dir_.file("outside"), dir_.file("source/linked-folder"));
    const LayOutResult result = layOut("work");
    EXPECT_EQ(result.outcome, LayOutOutcome::Created);
    EXPECT_EQ(result.skipped.size(), 2u);
    EXPECT_FALSE(fs::Exists(dir_.file("work/link.txt")));
    EXPECT_FALSE(fs::Exists(dir_.file("work/linked-folder")));
    EXPECT_TRUE(fs::Exists(dir_.file("work/default.kiv")));
}
#endif

#ifdef __linux__
// A copy that fails half way leaves no configuration behind, so that init can be
// run again once the cause is mended (/proc refuses new files, even to root).
TEST_F(LayOutTest, AFailedCopyLeavesNoConfiguration) {
    stdfs::create_directories(dir_.file("work"));
    stdfs::create_directory_symlink("/proc/self", dir_.file("work/ZQD"));
    const LayOutResult result = layOut("work");
    EXPECT_EQ(result.outcome, LayOutOutcome::Failed);
    EXPECT_FALSE(result.failed.empty());
    EXPECT_FALSE(fs::Exists(dir_.file("work/default.kiv")));
    EXPECT_EQ(dir_.readFile("work/tes.lua"), "-- secure\n");
    stdfs::remove(dir_.file("work/ZQD"));
    EXPECT_EQ(layOut("work").outcome, LayOutOutcome::Created);
    EXPECT_TRUE(fs::Exists(dir_.file("work/default.kiv")));
}
#endif

TEST(EnterFolder, EntersFoldersOnlyAndOtherwiseStays) {
    test::TempDir dir(test::TempDir::Enter);
    dir.writeFile("file", "x");
    stdfs::create_directories(dir.file("sub"));
    EXPECT_FALSE(EnterFolder(L"missing"));
    EXPECT_FALSE(EnterFolder(L"file"));
    EXPECT_FALSE(EnterFolder(L""));
    EXPECT_TRUE(stdfs::equivalent(stdfs::current_path(), dir.path()));
    EXPECT_TRUE(EnterFolder(L"sub"));
    EXPECT_TRUE(stdfs::equivalent(stdfs::current_path(), dir.file("sub")));
}

}  // namespace
}  // namespace velmora
