// Path boxes written with '/' (as a configuration made on Linux has them): the
// scripts see the system's own separator only, and rpath counts every level.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "TemplateGeneratorFixture.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace velmora {
namespace {

std::wstring Slashed(std::wstring text) {
    std::replace(text.begin(), text.end(), L'\\', L'/');
    return text;
}

class NativeSeparatorsTest : public test::TemplateGeneratorFixture {};

TEST_F(NativeSeparatorsTest, SlashedPathBoxesGiveTheSystemsSeparator) {
    dir.writeFile("BSP/SampleCode/readme.txt", "");
    config.bspPath = Slashed(dir.file("BSP").wstring());
    config.templatePath = config.bspPath + L"/SampleCode/TrustZone";
    AddProjectRow(config.projects, L"Sec", 0, 0x0, 0x3f000, 0x20000000, 0x3f000, 0x800, 0, L"",
                  L"");
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);

    const auto found = test::ReadRecordedRuns(dir);
    ASSERT_EQ(found.size(), 1u);
    const auto& run = found[0];
    const std::wstring sep(1, fs::Separator());
    const std::wstring out = fs::WithNativeSeparators(config.templatePath);
    // Two levels below the BSP folder, and the tool-chain folder two below the output.
    EXPECT_EQ(run.at("rpath").second, "..\\..\\..\\..\\");
    EXPECT_EQ(Utf8ToWide(run.at("fpath").second), out);
    EXPECT_EQ(Utf8ToWide(run.at("fmain").second), out + sep + L"Sec" + sep + L"main_Sec.c");
    EXPECT_EQ(Utf8ToWide(run.at("fpartition").second), out + sep + L"partition_V6048.h");
    EXPECT_EQ(Utf8ToWide(run.at("bsppath").second), fs::WithNativeSeparators(config.bspPath));
#ifdef _WIN32
    for (const auto& [name, value] : run) {
        EXPECT_EQ(value.second.find('/'), std::string::npos) << name << " = " << value.second;
    }
#endif
    EXPECT_TRUE(OutHas("Sec/main_Sec.c"));
    EXPECT_TRUE(OutHas("partition_V6048.h"));
    // The boxes keep what the user typed.
    EXPECT_EQ(config.bspPath, Slashed(dir.file("BSP").wstring()));
}

}  // namespace
}  // namespace velmora
