#include <gtest/gtest.h>

#include "GenerateTestSupport.h"
#include "generate/BspReference.h"

namespace velmora {
namespace {

using test::P;

struct RpathCase {
    const wchar_t* outputFolder;  // '/' stands for the platform's separator
    const wchar_t* bspPath;
    const wchar_t* rpath;  // nullptr: the BSP folder must be picked
    const wchar_t* fullBspPath = nullptr;  // the BSP path made absolute; nullptr: as given
};

class BspReferencePath : public ::testing::TestWithParam<RpathCase> {};

TEST_P(BspReferencePath, ComesFromTheOutputFolderAndTheBspPath) {
    const RpathCase& c = GetParam();
    const auto rpath = RelativeBspPath(P(c.outputFolder), P(c.bspPath),
                                       P(c.fullBspPath != nullptr ? c.fullBspPath : c.bspPath));
    if (c.rpath == nullptr) {
        EXPECT_FALSE(rpath.has_value()) << *rpath;
    } else {
        ASSERT_TRUE(rpath.has_value());
        // "..\" pieces keep the backslash; only an absolute reference uses the separator.
        const std::wstring expected = std::wstring(c.rpath).find(L"..") == 0 ? c.rpath : P(c.rpath);
        EXPECT_EQ(*rpath, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BspReferencePath,
    ::testing::Values(
        RpathCase{L"D/BSP/SampleCode/TZ", L"D/BSP", L"..\\..\\..\\..\\"},
        RpathCase{L"D/BSP", L"D/BSP", L"..\\..\\"},
        RpathCase{L"D/BSP/out", L"D/BSP", L"..\\..\\..\\"},
        RpathCase{L"E/out", L"D/BSP", L"D/BSP/"},
        // A sibling whose name merely starts with the BSP folder's name.
        RpathCase{L"D/BSP2/out", L"D/BSP", L"D/BSP/"},
        // A match in the middle of the output path is no containment.
        RpathCase{L"E/copy/D/BSP/out", L"D/BSP", L"D/BSP/"},
        // A BSP path given with a trailing separator counts its folder levels the same.
        RpathCase{L"D/BSP/out", L"D/BSP/", L"..\\..\\..\\"},
        RpathCase{L"D/BSP/out/", L"D/BSP", L"..\\..\\..\\"}, RpathCase{L"E/out", L"", nullptr},
        RpathCase{L"E/out", L"D", nullptr}, RpathCase{L"D/out", L"D", L"..\\..\\..\\"},
        // A relative BSP path beside the output would be read from the tool-chain folder.
        RpathCase{L"out", L"BSP", L"/w/BSP/", L"/w/BSP"},
        RpathCase{L"BSP/out", L"BSP", L"..\\..\\..\\", L"/w/BSP"}));

}  // namespace
}  // namespace velmora
