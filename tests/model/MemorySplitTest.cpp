#include <gtest/gtest.h>

#include "model/MemorySplit.h"

namespace velmora {
namespace {

struct FlashCase {
    int p;
    const wchar_t* secureEnd;
    const wchar_t* secureSize;
    const wchar_t* nsBase;
    const wchar_t* nsEnd;
    const wchar_t* nsSize;
};

class FlashTable : public ::testing::TestWithParam<FlashCase> {};

TEST_P(FlashTable, TextsOfTheRomColumns) {
    const FlashCase c = GetParam();
    const MemoryTableTexts t = MemoryConfigurationTexts(c.p, 4);
    EXPECT_EQ(t[0][0], L"0x00000000");
    EXPECT_EQ(t[1][0], c.secureEnd);
    EXPECT_EQ(t[2][0], c.secureSize);
    EXPECT_EQ(t[0][2], c.nsBase);
    EXPECT_EQ(t[1][2], c.nsEnd);
    EXPECT_EQ(t[2][2], c.nsSize);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, FlashTable,
    ::testing::Values(
        FlashCase{256, L"0x0007FFFF", L"512 KB(0x80000)", L"0x10080000", L"0x1007FFFF", L"0 KB(0x0)"},
        FlashCase{1, L"0x000007FF", L"2 KB(0x800)", L"0x10000800", L"0x1007FFFF", L"510 KB(0x7F800)"},
        FlashCase{128, L"0x0003FFFF", L"256 KB(0x40000)", L"0x10040000", L"0x1007FFFF",
                  L"256 KB(0x40000)"}));

struct SramCase {
    int q;
    const wchar_t* secureEnd;
    const wchar_t* secureSize;
    const wchar_t* nsBase;
    const wchar_t* nsEnd;
    const wchar_t* nsSize;
};

class SramTable : public ::testing::TestWithParam<SramCase> {};

TEST_P(SramTable, TextsOfTheRamColumns) {
    const SramCase c = GetParam();
    const MemoryTableTexts t = MemoryConfigurationTexts(256, c.q);
    EXPECT_EQ(t[0][1], L"0x20000000");
    EXPECT_EQ(t[1][1], c.secureEnd);
    EXPECT_EQ(t[2][1], c.secureSize);
    EXPECT_EQ(t[0][3], c.nsBase);
    EXPECT_EQ(t[1][3], c.nsEnd);
    EXPECT_EQ(t[2][3], c.nsSize);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, SramTable,
    ::testing::Values(
        SramCase{0, L"0x1FFFFFFF", L"0 KB(0x0)", L"0x30000000", L"0x30017FFF", L"96 KB(0x18000)"},
        SramCase{12, L"0x20017FFF", L"96 KB(0x18000)", L"0x30018000", L"0x30017FFF", L"0 KB(0x0)"},
        SramCase{4, L"0x20007FFF", L"32 KB(0x8000)", L"0x30008000", L"0x30017FFF", L"64 KB(0x10000)"}));

TEST(MemorySplit, PositionsFromModelValuesAreClamped) {
    EXPECT_EQ(FlashPositionFromNsba(0x80000), 256);        // the unpositioned default
    EXPECT_EQ(FlashPositionFromNsba(0x10040000), 128);
    EXPECT_EQ(FlashPositionFromNsba(0x10000000), 1);       // below the range
    EXPECT_EQ(FlashPositionFromNsba(0), 1);
    EXPECT_EQ(FlashPositionFromNsba(0xFFFFFFFF), 256);     // far above
    EXPECT_EQ(SramPositionFromNsba(0x8000), 4);
    EXPECT_EQ(SramPositionFromNsba(0x30000000), 0);
    EXPECT_EQ(SramPositionFromNsba(0x30018000), 12);
    EXPECT_EQ(SramPositionFromNsba(0xFFFFFFFF), 12);
}

TEST(MemorySplit, ModelValuesFromPositions) {
    EXPECT_EQ(NsbaFromFlashPosition(256), 0x10080000u);
    EXPECT_EQ(NsbaFromFlashPosition(1), 0x10000800u);
    EXPECT_EQ(SramNsbaFromPosition(4), 0x30008000u);
    EXPECT_EQ(SramNsbaFromPosition(0), 0x30000000u);
    for (int p = 1; p <= 256; ++p) EXPECT_EQ(FlashPositionFromNsba(NsbaFromFlashPosition(p)), p);
    for (int q = 0; q <= 12; ++q) EXPECT_EQ(SramPositionFromNsba(SramNsbaFromPosition(q)), q);
}

TEST(MemorySplit, BarRowsAtDesignScale) {
    const MemoryBar flash = FlashMemoryBar(1.0, 1.0);
    EXPECT_EQ(BarRow(flash, 0), 28);
    EXPECT_EQ(BarRow(flash, 512), 560);
    EXPECT_EQ(BarRow(flash, 256), 294);
    const MemoryBar sram = SramMemoryBar(1.0, 1.0);
    EXPECT_EQ(sram.left, 100);
    EXPECT_EQ(BarRow(sram, 96), 560);
}

// Rows from 28 to 560 (532 pixels): a row is rounded to the nearest, not cut. The
// expected rows are worked out by hand: 14 KB of 512 is 14.55 pixels, 16 KB of 96 is
// 88.67, 1 KB of 96 is 5.54.
TEST(MemorySplit, BarRowsRoundToTheNearestPixel) {
    struct Case {
        bool flash;
        unsigned kb;
        int row;
    };
    const Case cases[] = {
        {true, 13, 42}, {true, 14, 43}, {true, 1, 29}, {true, 511, 559},
        {false, 1, 34}, {false, 2, 39}, {false, 16, 117}, {false, 48, 294},
    };
    const MemoryBar flash = FlashMemoryBar(1.0, 1.0);
    const MemoryBar sram = SramMemoryBar(1.0, 1.0);
    for (const Case& c : cases)
        EXPECT_EQ(BarRow(c.flash ? flash : sram, c.kb), c.row) << (c.flash ? "flash " : "SRAM ") << c.kb << " KB";
}

TEST(MemorySplit, BarPartsTileTheBarWithCaptions) {
    const BarSplit full = FlashBarSplit(256, 1.0, 1.0);
    EXPECT_EQ(full.securePart.caption, L"512 KB");
    EXPECT_EQ(full.nonSecurePart.caption, L"0 KB");
    EXPECT_EQ(full.nonSecurePart.height, 0);
    EXPECT_EQ(full.securePart.height, 532);

    const BarSplit sram = SramBarSplit(4, 1.0, 1.0);
    EXPECT_EQ(sram.securePart.caption, L"32 KB");
    EXPECT_EQ(sram.nonSecurePart.caption, L"64 KB");
    EXPECT_EQ(sram.securePart.top + sram.securePart.height, sram.nonSecurePart.top);
    EXPECT_EQ(sram.nonSecurePart.top + sram.nonSecurePart.height, 560);

    const BarSplit scaled = FlashBarSplit(128, 1.5, 2.0);
    EXPECT_EQ(scaled.securePart.left, 21);
    EXPECT_EQ(scaled.securePart.width, 72);
    EXPECT_EQ(scaled.securePart.top, 56);
    EXPECT_EQ(scaled.nonSecurePart.top + scaled.nonSecurePart.height, 1120);
}

TEST(MemorySplit, RememberedPositionAppliesOnlyChanges) {
    RememberedPosition flash(256);
    EXPECT_FALSE(flash.takeIfChanged(256));
    EXPECT_TRUE(flash.takeIfChanged(100));
    EXPECT_EQ(flash.last(), 100);
    EXPECT_FALSE(flash.takeIfChanged(100));
    EXPECT_TRUE(flash.takeIfChanged(256));
}

}  // namespace
}  // namespace velmora
