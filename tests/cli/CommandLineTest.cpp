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

CliRun RunCli(const std::vector<std::wstring>& arguments) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int exitCode = cli::RunCommandLine(arguments);
    std::string out = ::testing::internal::GetCapturedStdout();
    return {exitCode, out, ::testing::internal::GetCapturedStderr()};
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A temporary folder with a copy of the bundled working folder in
// "projects/partition" (the way a firmware repository might hold it). Every run
// starts in the temporary folder: a -C moves the whole process.
class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        stdfs::create_directories(dir_.file("projects"));
        stdfs::copy(stdfs::path(VELMORA_SOURCE_DIR) / "workspace", dir_.file("projects/partition"),
                    stdfs::copy_options::recursive);
    }

    void setKivValue(const std::string& name, const std::string& value) {
        const std::string file = "projects/partition/default.kiv";
        std::string kiv = dir_.readFile(file);
        const auto start = kiv.find("\n" + name + "=");
        ASSERT_NE(start, std::string::npos) << name;
        kiv.replace(start + 1, kiv.find('\r', start + 1) - start - 1, name + "=" + value);
        dir_.writeFile(file, kiv);
    }

    CliRun run(const std::vector<std::wstring>& arguments) {
        dir_.enter();
        return RunCli(arguments);
    }

    // Gives both projects of the sample the same name.
    void nameBothProjects(const std::string& name) {
        const std::string file = "projects/partition/default.kiv";
        std::string kiv = dir_.readFile(file);
        for (const std::string old : {"NAME=SecureApp\r", "NAME=NonSecureApp\r"}) {
            const auto at = kiv.find(old);
            ASSERT_NE(at, std::string::npos) << old;
            kiv.replace(at, old.size(), "NAME=" + name + "\r");
        }
        dir_.writeFile(file, kiv);
    }

    bool inFolder(const std::string& relative) const {
        return stdfs::equivalent(stdfs::current_path(), dir_.file(relative));
    }

    test::TempDir dir_;
};

TEST_F(CommandLineTest, HelpAndVersionGoToStandardOutput) {
    const CliRun version = run({L"--version"});
    EXPECT_EQ(version.exitCode, cli::kExitSuccess);
    EXPECT_EQ(version.out, "velmora-cli 1.0.7\n");
    EXPECT_EQ(version.err, "");

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
    struct Case {
        std::vector<std::wstring> arguments;
        const char* why;
    };
    const Case cases[] = {
        {{}, "usage:"},
        {{L"-C"}, "-C needs a folder"},
        {{L"-C", L"projects"}, "usage:"},
        {{L"-C", L"no-such-folder", L"check"}, "cannot enter the folder no-such-folder"},
        {{L"check", L"--jsonn"}, "wrong arguments for check"},
        {{L"init", L"a", L"b"}, "wrong arguments for init"},
        {{L"--overwrite", L"generate"}, "unknown command --overwrite"},
    };
    for (const Case& c : cases) {
        const CliRun bad = run(c.arguments);
        EXPECT_EQ(bad.exitCode, cli::kExitRefused) << c.why;
        EXPECT_TRUE(Contains(bad.err, c.why)) << bad.err;
        EXPECT_TRUE(Contains(bad.err, "usage:")) << c.why;
        EXPECT_EQ(bad.out, "") << c.why;
    }
    EXPECT_FALSE(fs::Exists(dir_.file("a")));
}

TEST_F(CommandLineTest, EachMinusCIsRelativeToTheOneBefore) {
    const CliRun check = run({L"-C", L"projects", L"-C", L"partition", L"check"});
    EXPECT_EQ(check.exitCode, cli::kExitSuccess) << check.err;
    EXPECT_TRUE(inFolder("projects/partition"));
}

TEST_F(CommandLineTest, GenerateInAnotherFolderWritesThereOnly) {
    const CliRun generate = run({L"-C", L"projects/partition", L"generate"});
    EXPECT_EQ(generate.exitCode, cli::kExitSuccess) << generate.err;
    EXPECT_TRUE(fs::Exists(dir_.file("projects/partition/BSP/SampleCode/TrustZone/TrustZone.uvmpw")));
    EXPECT_FALSE(fs::Exists(dir_.file("BSP")));
}

TEST_F(CommandLineTest, CheckAsJson) {
    EXPECT_EQ(run({L"-C", L"projects/partition", L"check", L"--json"}).out,
              "{\"valid\": true, \"message\": \"\"}\n");

    setKivValue("BSP_PATH", "NoSuchFolder");
    const CliRun wrongBsp = run({L"-C", L"projects/partition", L"check", L"--json"});
    EXPECT_EQ(wrongBsp.exitCode, cli::kExitRefused);
    EXPECT_EQ(wrongBsp.out, "{\"valid\": false, \"message\": \" Worng BSP path\"}\n");
}

// The name rule quotes the project's name: quotes, a backslash and a letter beyond
// ASCII (UTF-8 in the file) reach the JSON text escaped.
TEST_F(CommandLineTest, CheckAsJsonEscapesTheMessage) {
    nameBothProjects("S\xc3\xa9\"c\\ure");
    const CliRun text = run({L"-C", L"projects/partition", L"check"});
    EXPECT_EQ(text.out, "[S\xc3\xa9\"c\\ure] project name cannot be the same.\n");
    const CliRun json = run({L"-C", L"projects/partition", L"check", L"--json"});
    EXPECT_EQ(json.exitCode, cli::kExitRefused);
    EXPECT_EQ(json.out,
              "{\"valid\": false, \"message\": "
              "\"[S\\u00e9\\\"c\\\\ure] project name cannot be the same.\"}\n");
}

TEST_F(CommandLineTest, InitLaysOutTheBundledFolderAndThenRefuses) {
    const CliRun first = run({L"init", L"ci/partition"});
    EXPECT_EQ(first.exitCode, cli::kExitSuccess) << first.err;
    const stdfs::path made = dir_.path() / "ci" / "partition";
    EXPECT_EQ(first.out, "Working folder created: " + made.string() + "\n");
    const stdfs::path bundled = stdfs::path(VELMORA_SOURCE_DIR) / "workspace";
    for (const char* file : {"default.kiv", "tes.lua", "tens.lua", "ldp.lua", "ZQD/tzedit.lua",
                             "BSP/Library/CMSIS/Include/core_cm23.h"}) {
        std::string copied, original;
        ASSERT_TRUE(fs::ReadFileBytes(made / file, copied)) << file;
        ASSERT_TRUE(fs::ReadFileBytes(bundled / file, original)) << file;
        EXPECT_EQ(copied, original) << file;
    }
    EXPECT_EQ(run({L"-C", L"ci/partition", L"check"}).exitCode, cli::kExitSuccess);

    dir_.writeFile("ci/partition/default.kiv", "mine");
    const CliRun again = run({L"-C", L"ci/partition", L"init"});
    EXPECT_EQ(again.exitCode, cli::kExitRefused);
    EXPECT_TRUE(Contains(again.err, "default.kiv"));
    EXPECT_EQ(again.out, "");
    EXPECT_EQ(dir_.readFile("ci/partition/default.kiv"), "mine");
}

TEST_F(CommandLineTest, InitKeepsTheFilesThatAreThereAndNamesThem) {
    dir_.writeFile("own/tes.lua", "-- mine\n");
    const CliRun init = run({L"-C", L"own", L"init"});
    EXPECT_EQ(init.exitCode, cli::kExitSuccess);
    EXPECT_TRUE(Contains(init.err, "kept the existing"));
    EXPECT_TRUE(Contains(init.err, "tes.lua"));
    EXPECT_EQ(dir_.readFile("own/tes.lua"), "-- mine\n");
    EXPECT_TRUE(fs::Exists(dir_.file("own/default.kiv")));
}

}  // namespace
}  // namespace velmora
