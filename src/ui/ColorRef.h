#pragma once
// Windows COLORREF values (0x00BBGGRR) and the tool's two colour pairs.

#include <cstdint>

#include <QColor>

namespace velmora::ui {

using ColorRef = std::uint32_t;

// Red in the low byte, blue in the third; the top byte is ignored.
QColor ColorFromColorRef(ColorRef value);

struct ColorPair {
    ColorRef text;
    ColorRef face;
};

// Not 0x000000: the secure text stays distinguishable from an unset colour.
inline constexpr ColorPair kSecureColors{0x010101, 0x00FF00};
inline constexpr ColorPair kNonSecureColors{0xFFFFFF, 0x0000FF};

// State 0 is secure; any other state shows as non-secure.
inline constexpr ColorPair ColorsForState(std::int32_t state) {
    return state == 0 ? kSecureColors : kNonSecureColors;
}

}  // namespace velmora::ui
