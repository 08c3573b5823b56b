// The geometry of the drawn map: the pixel rule, side-by-side lanes for regions
// that would cover each other, and labels spread so that none covers another.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "generate/MarkupText.h"
#include "generate/MemoryMapLayout.h"

namespace velmora {
namespace {

TEST(MemoryMapLayout, PixelRule) {
    struct Case {
        std::uint64_t offset, end;
        std::uint32_t perPixel;
        int top, height;
    };
    const Case cases[] = {
        {0, 0x80000, 512, 0, 1024},       // the whole flash
        {0x3F000, 0x40000, 512, 504, 8},  // a 4 KB NSC area
        {0x3F010, 0x3F030, 512, 504, 3},  // 32 bytes: the minimum height
        {0x3F1FF, 0x3F201, 512, 504, 3},  // two bytes that straddle a row
        {0x100, 0x700, 512, 0, 4},        // rows 0..3, partly covered at both ends
        {0x8000, 0x18000, 128, 256, 512}, // non-secure SRAM of the sample
        {0x5000, 0x5000, 128, 160, 3},    // empty: still pointed at
    };
    for (const Case& c : cases) {
        const PixelSpan span = SpanOf(c.offset, c.end, c.perPixel);
        EXPECT_EQ(span.top, c.top) << std::hex << c.offset;
        EXPECT_EQ(span.height, c.height) << std::hex << c.offset;
    }
}

TEST(MemoryMapLayout, LanesKeepCoveringSpansApart) {
    const std::vector<PixelSpan> spans{{0, 100}, {50, 10}, {100, 20}, {55, 3}, {110, 5}, {200, 1}};
    const std::vector<int> lanes = AssignLanes(spans);
    EXPECT_EQ(lanes, (std::vector<int>{0, 1, 0, 2, 1, 0}));
    for (std::size_t i = 0; i < spans.size(); ++i)
        for (std::size_t j = i + 1; j < spans.size(); ++j)
            if (lanes[i] == lanes[j]) {
                EXPECT_TRUE(spans[i].bottom() <= spans[j].top || spans[j].bottom() <= spans[i].top) << i << " " << j;
            }
}

TEST(MemoryMapLayout, LabelsNeverCoverEachOtherAndStayNearTheirWish) {
    const std::vector<std::vector<int>> wishes{
        {10, 200, 400},              // far apart: each where it wants
        {100, 100, 100, 100},        // one place: a stack centred on it
        {300, 0, 5, 310, 12},        // two crowds, given out of order
        {-50, -40},                  // above the top: pushed down to it
    };
    for (const std::vector<int>& wanted : wishes) {
        const std::vector<int> rows = SpreadLabels(wanted, 28, 0);
        ASSERT_EQ(rows.size(), wanted.size());
        std::vector<std::size_t> order(wanted.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return wanted[a] < wanted[b]; });
        for (std::size_t n = 0; n < order.size(); ++n) {
            EXPECT_GE(rows[order[n]], 0);
            if (n > 0) {
                EXPECT_GE(rows[order[n]] - rows[order[n - 1]], 28) << "order kept, no overlap";
            }
            // Never further from its wish than the whole crowd is long.
            EXPECT_LE(std::abs(rows[order[n]] - std::max(wanted[order[n]], 0)), 28 * static_cast<int>(wanted.size()));
        }
    }
    EXPECT_EQ(SpreadLabels({10, 200, 400}, 28, 0), (std::vector<int>{10, 200, 400}));
    EXPECT_EQ(SpreadLabels({100, 100, 100, 100}, 28, 0), (std::vector<int>{58, 86, 114, 142}));
}

TEST(MarkupText, EscapingAndCleaning) {
    struct Case {
        std::wstring in;
        std::wstring markup;
        std::wstring markdown;
    };
    std::wstring surrogate = L"a";
    surrogate += wchar_t(0xDC85);
    const Case cases[] = {
        {L"Plain_01", L"Plain_01", L"Plain\\_01"},
        {L"<a href='x'>&\"", L"&lt;a href=&#39;x&#39;&gt;&amp;&quot;", L"\\<a href='x'>&\""},
        {L"a|b\nc`d", L"a|b\nc`d", L"a\\|b c\\`d"},
        {std::wstring(L"x") + wchar_t(0x01) + wchar_t(0x7F) + L"\t", L"x\xFFFD\xFFFD\t", L"x\xFFFD\xFFFD "},
        {surrogate, L"a\xFFFD", L"a\xFFFD"},
        {L"\x4E2D\x6587", L"\x4E2D\x6587", L"\x4E2D\x6587"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscapeMarkup(c.in), c.markup);
        EXPECT_EQ(EscapeMarkdownCell(c.in), c.markdown);
    }
}

}  // namespace
}  // namespace velmora
