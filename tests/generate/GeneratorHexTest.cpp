#include <gtest/gtest.h>

#include "generate/GeneratorHex.h"
#include "model/ProjectTableEditing.h"

namespace velmora {
namespace {

struct HexCase {
    const wchar_t* text;
    std::uint32_t value;
};

class GeneratorHexReading : public ::testing::TestWithParam<HexCase> {};

TEST_P(GeneratorHexReading, ReadsLikeASignedLongConversionInBase16) {
    EXPECT_EQ(ReadGeneratorHex(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Edges, GeneratorHexReading,
    ::testing::Values(HexCase{L"0x3f000", 0x3F000}, HexCase{L"3F000", 0x3F000},
                      HexCase{L"0X10040000", 0x10040000}, HexCase{L"0x1fzz", 0x1F}, HexCase{L"", 0},
                      HexCase{L"zz", 0}, HexCase{L"0x", 0}, HexCase{L"0xg", 0},
                      HexCase{L"  0x10", 0x10}, HexCase{L"\t\n0x10", 0x10},
                      HexCase{L"0x7FFFFFFF", 0x7FFFFFFF}, HexCase{L"0x80000000", 0x7FFFFFFF},
                      HexCase{L"0xFFFFFFFF", 0x7FFFFFFF}, HexCase{L"0x123456789", 0x7FFFFFFF},
                      HexCase{L"0x000000000000010", 0x10}, HexCase{L"+0x20", 0x20},
                      HexCase{L"-1", 0xFFFFFFFF}, HexCase{L"-0x80000000", 0x80000000},
                      HexCase{L"-0x80000001", 0x80000000}, HexCase{L"- 1", 0},
                      HexCase{L"0x 10", 0}));

TEST(GeneratorHex, DiffersFromValidationsReadingAtTheEdges) {
    // Validation wraps and rejects a leading blank; the generator saturates and skips it.
    EXPECT_EQ(ParseHexCell(L"0x123456789"), 0x23456789u);
    EXPECT_EQ(ReadGeneratorHex(L"0x123456789"), 0x7FFFFFFFu);
    EXPECT_EQ(ParseHexCell(L" 0x10"), 0u);
    EXPECT_EQ(ReadGeneratorHex(L" 0x10"), 0x10u);
}

}  // namespace
}  // namespace velmora
