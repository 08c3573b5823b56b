#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "CliWorkspace.h"
#include "cli/CommandLine.h"

namespace velmora {
namespace {

namespace stdfs = std::filesystem;

TEST_F(CliInWorkspace, CheckAcceptsTheShippedSampleAndWritesNothing) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(run({L"check"}), cli::kExitSuccess);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(dir_.readFile("default.kiv"), originalKiv_);
}

TEST_F(CliInWorkspace, CheckPrintsTheFirstFailingRule) {
    setKivValue("BSP_PATH", "NoSuchFolder");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(run({L"check"}), cli::kExitRefused);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), " Worng BSP path\n");
    EXPECT_EQ(dir_.readFile("default.kiv"), originalKiv_);
}

TEST_F(CliInWorkspace, GenerateWritesTheTreeAndRefusesToOverwriteUnasked) {
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(run({L"generate"}), cli::kExitSuccess);
    const std::string output = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(output.find("Trust Zone Template Created!"), std::string::npos);
    const stdfs::path out = dir_.path() / templatePath();
    EXPECT_TRUE(stdfs::exists(out / "TrustZone.uvmpw"));
    EXPECT_TRUE(stdfs::exists(out / "partition_V6048.h"));
    EXPECT_EQ(dir_.readFile("default.kiv"), originalKiv_);

    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run({L"generate"}), cli::kExitRefused);
    ::testing::internal::GetCapturedStdout();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("--overwrite"), std::string::npos);

    ::testing::internal::CaptureStdout();
    EXPECT_EQ(run({L"generate", L"--overwrite"}), cli::kExitSuccess);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(dir_.readFile("default.kiv"), originalKiv_);
}

// What the scripts warn about goes to standard error, and the run still succeeds.
TEST_F(CliInWorkspace, GenerateWarningsGoToStandardErrorAndStillSucceed) {
    setKivValue("RW", "0x20007800");
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run({L"generate"}), cli::kExitSuccess);
    const std::string out = ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Trust Zone Template created with warnings:\n\n"
                       "SecureApp: the data region at 0x20007800 holds 0x00000800 bytes, less than "
                       "the 0x00000C08 bytes the linker files reserve for stack and heap\n"),
              std::string::npos)
        << err;
    EXPECT_EQ(out.find("created with warnings"), std::string::npos);
    EXPECT_EQ(out.find("Trust Zone Template Created!"), std::string::npos);
    EXPECT_TRUE(stdfs::exists(dir_.path() / templatePath() / "partition_V6048.h"));
}

TEST_F(CliInWorkspace, GenerateWithoutTemplatePathIsAnErrorNotAPrompt) {
    setKivValue("TEMPLATE_PATH", "");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run({L"generate"}), cli::kExitRefused);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Template Path"), std::string::npos);
}

TEST_F(CliInWorkspace, ImportAppendsARowAndSaves) {
    dir_.writeFile("ldp.lua",
                   "addprj('Imported', 1, 0x10060000, 0x8000, 0x30010000, 0, 0, 0, 0, 0, 0, '', infname)\n");
    EXPECT_EQ(run({L"import", L"./some.uvprojx"}), cli::kExitSuccess);
    const std::string kiv = dir_.readFile("default.kiv");
    EXPECT_NE(kiv.find("NAME=Imported\r\n"), std::string::npos);
    // The script gets the full path, as the dialog's file choosers give it.
    const std::string full = (stdfs::current_path() / "some.uvprojx").string();
    EXPECT_NE(kiv.find("PATH=" + full + "\r\n"), std::string::npos) << kiv;
}

TEST_F(CliInWorkspace, ImportScriptErrorKeepsEarlierRowsAndExitsTwo) {
    dir_.writeFile("ldp.lua",
                   "addprj('Before', 0, 0, 0x2000, 0x20000000, 0, 0, 0, 0, 0, 0, '', '')\n"
                   "printResult = 'half done'\n"
                   "error('broken project file')\n");
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(run({L"import", L"x.uvprojx"}), cli::kExitScriptError);
    ::testing::internal::GetCapturedStdout();
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("broken project file"), std::string::npos);
    EXPECT_NE(err.find("half done"), std::string::npos);
    EXPECT_NE(dir_.readFile("default.kiv").find("NAME=Before\r\n"), std::string::npos);
}

TEST_F(CliInWorkspace, UnknownCommandsPrintTheUsage) {
    for (const auto& arguments : std::vector<std::vector<std::wstring>>{
             {}, {L"frobnicate"}, {L"generate", L"--force"}, {L"import"}}) {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(run(arguments), cli::kExitRefused);
        EXPECT_NE(::testing::internal::GetCapturedStderr().find("usage:"), std::string::npos);
    }
}

}  // namespace
}  // namespace velmora
