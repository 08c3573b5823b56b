// velmora-cli report: the memory map of ./default.kiv without generating, as
// text or as the page, to standard output or to a file, for a configuration that
// validation refuses as well; bad options are refused with the usage.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/CommandLine.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

namespace stdfs = std::filesystem;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class CliReport : public ::testing::Test {
protected:
    void SetUp() override {
        stdfs::copy(stdfs::path(VELMORA_SOURCE_DIR) / "workspace", dir_.path(), stdfs::copy_options::recursive);
        dir_.enter();
        kiv_ = dir_.readFile("default.kiv");
    }

    struct Run {
        int code;
        std::string out;
        std::string err;
    };
    Run run(const std::vector<std::wstring>& arguments) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int code = cli::RunCommandLine(arguments);
        std::string out = ::testing::internal::GetCapturedStdout();
        return {code, out, ::testing::internal::GetCapturedStderr()};
    }

    test::TempDir dir_;
    std::string kiv_;
};

TEST_F(CliReport, TextIsTheDefault) {
    for (const std::vector<std::wstring>& arguments :
         {std::vector<std::wstring>{L"report"}, {L"report", L"--format", L"text"}}) {
        const Run r = run(arguments);
        EXPECT_EQ(r.code, cli::kExitSuccess);
        EXPECT_EQ(r.err, "");
        // The sample: its two projects, the SAU regions, the chain.
        for (const char* line :
             {"The configuration passes every check of Create Template.\n",
              "SecureApp     S      code    0x00000000  0x0001FFFF  128 KB\n",
              "                     NSC     0x0003F000  0x0003FFFF  4 KB\n",
              "NonSecureApp  NS     code    0x10040000  0x1007FFFF  256 KB\n",
              "0  0x0003F000  0x0003FFFF  non-secure callable  SecureApp\n",
              "1  0x10040000  0x1007FFFF  non-secure\n", "2  0x30008000  0x30017FFF  non-secure\n",
              "Boot chain\n  SecureApp -> NonSecureApp\n"}) {
            EXPECT_TRUE(Has(r.out, line)) << line;
        }
        EXPECT_LT(r.out.find("Projects"), r.out.find("SAU regions"));
        EXPECT_LT(r.out.find("SAU regions"), r.out.find("Boot chain"));
    }
    EXPECT_EQ(dir_.readFile("default.kiv"), kiv_);
    EXPECT_FALSE(stdfs::exists(dir_.file("BSP/SampleCode/TrustZone")));
}

TEST_F(CliReport, HtmlToStandardOutputOrAFile) {
    const Run page = run({L"report", L"--format", L"html"});
    EXPECT_EQ(page.code, cli::kExitSuccess);
    EXPECT_EQ(page.out.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_TRUE(Has(page.out, ">SecureApp code</text>"));

    const Run toFile = run({L"report", L"-o", L"map.html", L"--format", L"html"});
    EXPECT_EQ(toFile.code, cli::kExitSuccess);
    EXPECT_EQ(toFile.out, "");
    EXPECT_EQ(dir_.readFile("map.html"), page.out);

    const Run text = run({L"report", L"-o", L"map.txt"});
    EXPECT_EQ(text.code, cli::kExitSuccess);
    EXPECT_TRUE(Has(dir_.readFile("map.txt"), "NonSecureApp  NS     code    0x10040000"));
}

TEST_F(CliReport, AnInvalidConfigurationIsStillReported) {
    std::string kiv = kiv_;
    kiv.replace(kiv.find("BSP_PATH=BSP"), 12, "BSP_PATH=Gone");
    kiv.replace(kiv.find("RO=0x10040000"), 13, "RO=0x10000000");
    dir_.writeFile("default.kiv", kiv);
    const Run r = run({L"report"});
    EXPECT_EQ(r.code, cli::kExitSuccess);
    EXPECT_TRUE(Has(r.out, "Create Template refuses it: Worng BSP path\n"));
    EXPECT_TRUE(Has(r.out, "NonSecureApp code 0x10000000-0x1003FFFF overlaps"));
}

TEST_F(CliReport, BadOptionsAndUnwritableFiles) {
    for (const std::vector<std::wstring>& arguments :
         {std::vector<std::wstring>{L"report", L"--format"}, {L"report", L"--format", L"pdf"},
          {L"report", L"-o"}, {L"report", L"-o", L""}, {L"report", L"extra"},
          {L"report", L"--format", L"html", L"--format", L"text"}}) {
        const Run r = run(arguments);
        EXPECT_EQ(r.code, cli::kExitRefused);
        EXPECT_TRUE(Has(r.err, "velmora-cli [-C DIR] report [--format text|html] [-o FILE]"));
        EXPECT_EQ(r.out, "");
    }
    stdfs::create_directory(dir_.file("taken"));
    const Run r = run({L"report", L"-o", L"taken"});
    EXPECT_EQ(r.code, cli::kExitFileErrors);
    EXPECT_TRUE(Has(r.err, "Unable to write taken"));
}

}  // namespace
}  // namespace velmora
