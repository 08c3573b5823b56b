#include "model/MemorySplit.h"

#include <algorithm>

#include "model/ChipMemoryMap.h"
#include "platform/Format.h"

namespace velmora {
namespace {

int Clamp(std::uint32_t value, int low, int high) {
    if (value > static_cast<std::uint32_t>(high)) return high;
    return std::max(static_cast<int>(value), low);
}

int Scaled(int designPixels, double scale) { return static_cast<int>(designPixels * scale); }

MemoryBar Bar(unsigned sizeKb, int designLeft, double scaleX, double scaleY) {
    return {sizeKb, Scaled(28, scaleY), Scaled(560, scaleY), Scaled(designLeft, scaleX), Scaled(48, scaleX)};
}

BarSplit Split(const MemoryBar& bar, unsigned secureKb) {
    const int split = BarRow(bar, secureKb);
    const int top = BarRow(bar, 0);
    const int bottom = BarRow(bar, bar.sizeKb);
    return {{bar.left, top, bar.width, split - top, KbCaption(static_cast<int>(secureKb))},
            {bar.left, split, bar.width, bottom - split,
             KbCaption(static_cast<int>(bar.sizeKb - secureKb))}};
}

std::wstring Address(std::uint32_t value) { return Format(L"0x%08X", static_cast<unsigned>(value)); }

std::wstring Size(std::uint32_t value) {
    return Format(L"%d KB(0x%X)", static_cast<int>(value >> 10), static_cast<unsigned>(value));
}

}  // namespace

int FlashPositionFromNsba(std::uint32_t nsba) {
    return Clamp((nsba & ~ChipMemoryMap::flashNsAlias) >> 11, kFlashPositionMin, kFlashPositionMax);
}

int SramPositionFromNsba(std::uint32_t sramNsba) {
    return Clamp((sramNsba & ~ChipMemoryMap::sramNsAlias) >> 13, kSramPositionMin, kSramPositionMax);
}

std::uint32_t NsbaFromFlashPosition(int p) {
    return ChipMemoryMap::flashNsAlias + static_cast<std::uint32_t>(p) * ChipMemoryMap::flashPageSize;
}

std::uint32_t SramNsbaFromPosition(int q) {
    return ChipMemoryMap::sramNsAlias + static_cast<std::uint32_t>(q) * ChipMemoryMap::sramStep;
}

MemoryBar FlashMemoryBar(double scaleX, double scaleY) { return Bar(512, 14, scaleX, scaleY); }
MemoryBar SramMemoryBar(double scaleX, double scaleY) { return Bar(96, 100, scaleX, scaleY); }

int BarRow(const MemoryBar& bar, unsigned kb) {
    const auto span = static_cast<unsigned>(bar.bottom - bar.top);
    return bar.top + static_cast<int>((span * kb + bar.sizeKb / 2) / bar.sizeKb);
}

BarSplit FlashBarSplit(int p, double scaleX, double scaleY) {
    return Split(FlashMemoryBar(scaleX, scaleY), static_cast<unsigned>(p) * 2);
}

BarSplit SramBarSplit(int q, double scaleX, double scaleY) {
    return Split(SramMemoryBar(scaleX, scaleY), static_cast<unsigned>(q) * 8);
}

std::wstring KbCaption(int kb) { return Format(L"%d KB", kb); }

MemoryTableTexts MemoryConfigurationTexts(int p, int q) {
    using namespace ChipMemoryMap;
    const auto pages = static_cast<std::uint32_t>(p);
    const auto steps = static_cast<std::uint32_t>(q);
    const std::uint32_t secureRom = pages * flashPageSize;
    const std::uint32_t nsRomBase = flashNsAlias + secureRom;
    const std::uint32_t nsRom = (256 - pages) * flashPageSize;
    const std::uint32_t secureRam = steps * sramStep;
    const std::uint32_t nsRamBase = sramNsAlias + secureRam;
    const std::uint32_t nsRam = (12 - steps) * sramStep;
    return {{
        {Address(flashBase), Address(sramBase), Address(nsRomBase), Address(nsRamBase)},
        {Address(secureRom - 1), Address(sramBase + secureRam - 1), Address(nsRomBase + nsRom - 1),
         Address(nsRamBase + nsRam - 1)},
        {Size(secureRom), Size(secureRam), Size(nsRom), Size(nsRam)},
    }};
}

bool RememberedPosition::takeIfChanged(int position) {
    if (position == last_) return false;
    last_ = position;
    return true;
}

}  // namespace velmora
