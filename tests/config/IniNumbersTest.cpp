#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "config/CIniFile.h"
#include "config/IniNumbers.h"

namespace velmora {
namespace {

struct HexCase {
    const wchar_t* text;
    std::uint32_t expected;
};

class GetHexReading : public ::testing::TestWithParam<HexCase> {};

TEST_P(GetHexReading, ReadsTextByTheHexOrDecimalRule) {
    const HexCase& c = GetParam();
    CIniFile store;
    store.PutText(L"S", L"v", c.text, true);
    EXPECT_EQ(store.GetHex(L"S", L"v"), c.expected) << "text: \"" << c.text << "\"";
    EXPECT_EQ(ParseIniHex(c.text), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, GetHexReading,
    ::testing::Values(
        // What the store itself writes.
        HexCase{L"0x0", 0}, HexCase{L"0x3f000", 0x3F000}, HexCase{L"0x20000000", 0x20000000},
        HexCase{L"0xffffffff", 0xFFFFFFFF},
        // Only a lower-case x introduces hexadecimal; otherwise it is decimal.
        HexCase{L"0X10", 0}, HexCase{L"1000", 1000}, HexCase{L"0x", 0}, HexCase{L"", 0},
        HexCase{L"0x1fzz", 0x1F}, HexCase{L"0xABCdef", 0xABCDEF},
        HexCase{L"0x00000010", 0x10},
        // The "%x" conversion after the prefix: blanks, a sign, a second prefix.
        HexCase{L"0x 1f", 0x1F}, HexCase{L"0x\t\n+1f", 0x1F}, HexCase{L"0x-1", 0xFFFFFFFF},
        HexCase{L"0x-10", 0xFFFFFFF0}, HexCase{L"0x0x1f", 0x1F}, HexCase{L"0x0X1F", 0x1F},
        HexCase{L"0x0xg", 0}, HexCase{L"0x+", 0}, HexCase{L"0x 0x7", 0x7},
        // The sign stands before the second prefix, not after it.
        HexCase{L"0x-0x10", 0xFFFFFFF0}, HexCase{L"0x +0X1f", 0x1F}, HexCase{L"0x0x-1", 0},
        // More than 32 bits: "%x" into an unsigned int keeps the value modulo 2^32,
        // and a sign negates that value modulo 2^32.
        HexCase{L"0x123456789", 0x23456789}, HexCase{L"0x100000000", 0},
        HexCase{L"0x123456789abcdef", 0x89ABCDEF}, HexCase{L"0x1ffffffff", 0xFFFFFFFF},
        HexCase{L"0x-123456789", 0xDCBA9877}, HexCase{L"0x-100000001", 0xFFFFFFFF},
        HexCase{L"0x00000000123456789", 0x23456789},
        // The decimal reading: blanks, sign, leading digits.
        HexCase{L" 42", 42}, HexCase{L"+7", 7}, HexCase{L"-1", 0xFFFFFFFF},
        HexCase{L"12ab", 12}, HexCase{L"abc", 0}, HexCase{L" 0x10", 0},
        HexCase{L"x0x10", 0}));

TEST(GetHex, MissingValueOrSectionGivesZero) {
    CIniFile store;
    EXPECT_EQ(store.GetHex(L"S", L"v"), 0u);
    store.PutText(L"S", L"w", L"0x5", true);
    EXPECT_EQ(store.GetHex(L"S", L"v"), 0u);
}

TEST(GetHex, ReadsBackEveryPutHexUnchanged) {
    CIniFile store;
    for (std::uint32_t value :
         {0u, 1u, 0x9u, 0xAu, 0x800u, 0x3F000u, 0x3FFFFu, 0x10080000u, 0x7FFFFFFFu, 0x80000000u,
          0xFFFFFFFFu}) {
        store.PutHex(L"S", L"v", value, true);
        EXPECT_EQ(store.GetHex(L"S", L"v"), value);
    }
}

struct DecimalCase {
    const wchar_t* text;
    std::int32_t expected;
};

class DecimalReading : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalReading, ReadsLikeAtoi) {
    EXPECT_EQ(ParseIniDecimal(GetParam().text), GetParam().expected)
        << "text: \"" << GetParam().text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Edges, DecimalReading,
    ::testing::Values(DecimalCase{L"0", 0}, DecimalCase{L"1", 1}, DecimalCase{L"", 0},
                      DecimalCase{L" \t-5", -5}, DecimalCase{L"+12x", 12}, DecimalCase{L"x1", 0},
                      DecimalCase{L"+", 0}, DecimalCase{L"- 1", 0}, DecimalCase{L"0x1", 0},
                      DecimalCase{L"2147483647", 2147483647},
                      DecimalCase{L"2147483648", 2147483647},
                      DecimalCase{L"-2147483648", -2147483647 - 1},
                      DecimalCase{L"-99999999999999999999", -2147483647 - 1}));

TEST(PutNumbers, UseTheLiteralFormats) {
    CIniFile store;
    store.PutHex(L"S", L"zero", 0, true);
    store.PutHex(L"S", L"nsc", 0x3F000, true);
    store.PutDecimal(L"S", L"minus", -1, true);
    store.PutDecimal(L"S", L"big", 2147483647, true);
    EXPECT_EQ(store.GetText(L"S", L"zero"), L"0x0");
    EXPECT_EQ(store.GetText(L"S", L"nsc"), L"0x3f000");
    EXPECT_EQ(store.GetText(L"S", L"minus"), L"-1");
    EXPECT_EQ(store.GetText(L"S", L"big"), L"2147483647");
}

}  // namespace
}  // namespace velmora
