#pragma once
// The geometry of the drawn map. The pixel rule: a memory is drawn top down from
// its first byte, the flash at 512 bytes per pixel (512 KB in 1024 px) and the
// SRAM at 128 bytes per pixel (96 KB in 768 px). A region from offset a to offset
// b (exclusive) starts at row floor(a / N) of its column and ends at row
// ceil(b / N), but is never less than 3 px high, so that a 32-byte NSC area can
// still be seen and pointed at.

#include <cstdint>
#include <vector>

namespace velmora {

inline constexpr std::uint32_t kFlashBytesPerPixel = 512;
inline constexpr std::uint32_t kSramBytesPerPixel = 128;
inline constexpr int kMinimumRegionPixels = 3;

struct PixelSpan {
    int top = 0;  // rows below the column's top
    int height = 0;

    int bottom() const { return top + height; }
};

// The span of [offset, offsetEnd) by the pixel rule.
PixelSpan SpanOf(std::uint64_t offset, std::uint64_t offsetEnd, std::uint32_t bytesPerPixel);

// Side-by-side lanes for spans that would cover each other: each span, in the
// order given, takes the lowest lane in which it meets no span placed before it.
// Returns the lane of every span.
std::vector<int> AssignLanes(const std::vector<PixelSpan>& spans);

// Rows for labels that want to sit at the given rows, at least spacing apart and
// none above top, each as near its wish as that allows; the order of the wishes is
// kept (equal wishes in the order given). Returns the row of every label.
std::vector<int> SpreadLabels(const std::vector<int>& wanted, int spacing, int top);

}  // namespace velmora
