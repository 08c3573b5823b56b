#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/CommandLine.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

namespace stdfs = std::filesystem;

struct CliRun {
    int exitCode;
    std::string out;
    std::string err;
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A temporary folder with a copy of the bundled working folder in
// "projects/partition", as a firmware repository might hold it. Every run starts in
// the temporary folder: -C moves the whole process.
class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        stdfs::create_directories(dir_.file("projects"));
        stdfs::copy(stdfs::path(VELMORA_SOURCE_DIR) / "workspace", dir_.file("projects/partition"),
                    stdfs::copy_options::recursive);
    }

    CliRun run(const std::vector<std::wstring>& arguments) {
        dir_.enter();
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int exitCode = cli::RunCommandLine(arguments);
        std::string out = ::testing::internal::GetCapturedStdout();
        return {exitCode, out, ::testing::internal::GetCapturedStderr()};
    }

    // Replaces the text old (once) in the sample's default.kiv.
    void editKiv(const std::string& old, const std::string& replacement) {
        const std::string file = "projects/partition/default.kiv";
        std::string kiv = dir_.readFile(file);
        const auto at = kiv.find(old);
        ASSERT_NE(at, std::string::npos) << old;
        dir_.writeFile(file, kiv.replace(at, old.size(), replacement));
    }

    test::TempDir dir_;
};

TEST_F(CommandLineTest, HelpAndVersionGoToStandardOutput) {
    const CliRun version = run({L"--version"});
    EXPECT_EQ(version.exitCode, cli::kExitSuccess);
    EXPECT_EQ(version.out, "velmora-cli 1.0.7\n");
    const CliRun help = run({L"--help"});
    EXPECT_EQ(help.exitCode, cli::kExitSuccess);
    EXPECT_EQ(help.err, "");
    for (const char* part : {"usage:", "-C DIR", "check [--json]", "generate [--overwrite]",
                             "import FILE", "init [DIR]", "--version", "Exit codes"}) {
        EXPECT_TRUE(Contains(help.out, part)) << part;
    }
    EXPECT_EQ(run({L"-h"}).out, help.out);
}

TEST_F(CommandLineTest, BadCommandLinesPrintWhyAndTheUsage) {
    const std::vector<std::pair<std::vector<std::wstring>, const char*>> cases = {
        {{}, "usage:"},
        {{L"-C"}, "-C needs a folder"},
        {{L"-C", L"projects"}, "usage:"},
        {{L"-C", L"no-such-folder", L"check"}, "cannot enter the folder no-such-folder"},
        {{L"check", L"--jsonn"}, "wrong arguments for check"},
        {{L"init", L"a", L"b"}, "wrong arguments for init"},
        {{L"--overwrite", L"generate"}, "unknown command --overwrite"},
    };
    for (const auto& [arguments, why] : cases) {
        const CliRun bad = run(arguments);
        EXPECT_EQ(bad.exitCode, cli::kExitRefused) << why;
        EXPECT_TRUE(Contains(bad.err, why) && Contains(bad.err, "usage:")) << bad.err;
        EXPECT_EQ(bad.out, "") << why;
    }
    EXPECT_FALSE(fs::Exists(dir_.file("a")));
}

TEST_F(CommandLineTest, EachMinusCIsRelativeToTheOneBeforeAndTheCommandRunsThere) {
    const CliRun generate = run({L"-C", L"projects", L"-C", L"partition", L"generate"});
    EXPECT_EQ(generate.exitCode, cli::kExitSuccess) << generate.err;
    EXPECT_TRUE(stdfs::equivalent(stdfs::current_path(), dir_.file("projects/partition")));
    EXPECT_TRUE(fs::Exists(dir_.file("projects/partition/BSP/SampleCode/TrustZone/TrustZone.uvmpw")));
    EXPECT_FALSE(fs::Exists(dir_.file("BSP")));
}

TEST_F(CommandLineTest, CheckAsJson) {
    // A quote and a backslash; text beyond ASCII depends on the code page that reads
    // the file, so JsonTextTest covers it.
    const std::string twin = "S\"c\\ure";
    struct Case {
        std::vector<std::pair<std::string, std::string>> edits;
        int exitCode;
        std::string json;
    };
    const Case cases[] = {
        {{}, cli::kExitSuccess, "{\"valid\": true, \"message\": \"\"}\n"},
        {{{"BSP_PATH=BSP", "BSP_PATH=NoSuchFolder"}}, cli::kExitRefused,
         "{\"valid\": false, \"message\": \" Worng BSP path\"}\n"},
        // The name rule quotes the project's name in its message.
        {{{"NAME=SecureApp\r", "NAME=" + twin + "\r"}, {"NAME=NonSecureApp\r", "NAME=" + twin + "\r"}},
         cli::kExitRefused,
         "{\"valid\": false, \"message\": \"[S\\\"c\\\\ure] project name cannot be the same.\"}\n"},
    };
    const std::string original = dir_.readFile("projects/partition/default.kiv");
    for (const Case& c : cases) {
        dir_.writeFile("projects/partition/default.kiv", original);
        for (const auto& [old, replacement] : c.edits) editKiv(old, replacement);
        const CliRun check = run({L"-C", L"projects/partition", L"check", L"--json"});
        EXPECT_EQ(check.exitCode, c.exitCode) << c.json;
        EXPECT_EQ(check.out, c.json);
    }
}

TEST_F(CommandLineTest, InitLaysOutTheBundledFolderAndThenRefuses) {
    const CliRun first = run({L"init", L"ci/partition"});
    EXPECT_EQ(first.exitCode, cli::kExitSuccess) << first.err;
    const stdfs::path made = dir_.path() / "ci" / "partition";
    EXPECT_EQ(first.out, "Working folder created: " + made.string() + "\n");
    for (const char* file : {"default.kiv", "tes.lua", "tens.lua", "ldp.lua", "ZQD/tzedit.lua",
                             "BSP/Library/CMSIS/Include/core_cm23.h"}) {
        std::string copied, original;
        EXPECT_TRUE(fs::ReadFileBytes(made / file, copied)) << file;
        EXPECT_TRUE(fs::ReadFileBytes(dir_.file("projects/partition") / file, original)) << file;
        EXPECT_EQ(copied, original) << file;
    }
    dir_.writeFile("ci/partition/default.kiv", "mine");
    const CliRun again = run({L"-C", L"ci/partition", L"init"});
    EXPECT_EQ(again.exitCode, cli::kExitRefused);
    EXPECT_TRUE(Contains(again.err, "holds a default.kiv already")) << again.err;
    EXPECT_EQ(dir_.readFile("ci/partition/default.kiv"), "mine");
}

TEST_F(CommandLineTest, InitKeepsTheFilesThatAreThereAndNamesThem) {
    dir_.writeFile("own/tes.lua", "-- mine\n");
    const CliRun init = run({L"-C", L"own", L"init"});
    EXPECT_EQ(init.exitCode, cli::kExitSuccess);
    EXPECT_TRUE(Contains(init.err, "kept the existing") && Contains(init.err, "tes.lua")) << init.err;
    EXPECT_EQ(dir_.readFile("own/tes.lua"), "-- mine\n");
    EXPECT_TRUE(fs::Exists(dir_.file("own/default.kiv")));
}

}  // namespace
}  // namespace velmora
