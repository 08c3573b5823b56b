#pragma once
// The flash and SRAM boundaries: track-bar positions, model values, the two-part
// memory bars and the Memory Configuration texts.

#include <array>
#include <cstdint>
#include <string>

namespace velmora {

inline constexpr int kFlashPositionMin = 1;
inline constexpr int kFlashPositionMax = 256;
inline constexpr int kSramPositionMin = 0;
inline constexpr int kSramPositionMax = 12;

// Position from a model value, clamped to the track bar's range.
int FlashPositionFromNsba(std::uint32_t nsba);
int SramPositionFromNsba(std::uint32_t sramNsba);

// Model value from a position: 0x10000000 + p * 0x800, 0x30000000 + q * 0x2000.
std::uint32_t NsbaFromFlashPosition(int p);
std::uint32_t SramNsbaFromPosition(int q);

struct MemoryBar {
    unsigned sizeKb;
    int top;
    int bottom;
    int left;
    int width;
};

MemoryBar FlashMemoryBar(double scaleX, double scaleY);
MemoryBar SramMemoryBar(double scaleX, double scaleY);

// Pixel row of an offset of k KB: top + ((bottom - top) * k + sizeKb / 2) / sizeKb.
int BarRow(const MemoryBar& bar, unsigned kb);

struct BarPart {
    int left;
    int top;
    int width;
    int height;
    std::wstring caption;  // "%d KB"
};

struct BarSplit {
    BarPart securePart;     // top: buttons 1000 / 1003
    BarPart nonSecurePart;  // bottom: buttons 1001 / 1004
};

BarSplit FlashBarSplit(int p, double scaleX, double scaleY);
BarSplit SramBarSplit(int q, double scaleX, double scaleY);

// "%d KB".
std::wstring KbCaption(int kb);

// texts[row][column]: rows "Base", "End", "Size"; columns 1..4 (Secure ROM, Secure
// RAM, Non-secure ROM, Non-secure RAM) at index 0..3. Addresses "0x%08X", sizes "%d KB(0x%X)".
using MemoryTableTexts = std::array<std::array<std::wstring, 4>, 3>;
MemoryTableTexts MemoryConfigurationTexts(int p, int q);

inline const std::array<const wchar_t*, 3> kMemoryTableRowLabels{L"Base", L"End", L"Size"};
inline const std::array<const wchar_t*, 5> kMemoryTableColumnTitles{
    L"", L"Secure ROM", L"Secure RAM", L"Non-secure ROM", L"Non-secure RAM"};

// The remembered last applied position of one track bar: a repaint applies the
// boundary only when the position differs from the one applied last.
class RememberedPosition {
public:
    explicit RememberedPosition(int initial) : last_(initial) {}
    // True (and remembers it) when position differs from the last applied one.
    bool takeIfChanged(int position);
    int last() const { return last_; }

private:
    int last_;
};

}  // namespace velmora
