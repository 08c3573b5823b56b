#include "config/IniNumbers.h"

#include <limits>

namespace velmora {

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

int HexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

struct SignedStart {
    std::size_t position;
    bool negative;
};

SignedStart SkipBlanksAndSign(const std::wstring& text, std::size_t position) {
    while (position < text.size() && IsBlank(text[position])) ++position;
    bool negative = false;
    if (position < text.size() && (text[position] == L'+' || text[position] == L'-')) {
        negative = text[position] == L'-';
        ++position;
    }
    return {position, negative};
}

// Reads the "%x" part after the leading "0x"; false when no digit follows.
bool ReadHexConversion(const std::wstring& text, std::size_t position, std::uint32_t& value) {
    const SignedStart start = SkipBlanksAndSign(text, position);
    position = start.position;
    // A second prefix only counts as one when a digit follows it; otherwise its "0"
    // is the number.
    if (position + 2 < text.size() && text[position] == L'0' &&
        (text[position + 1] == L'x' || text[position + 1] == L'X') &&
        HexDigitValue(text[position + 2]) >= 0) {
        position += 2;
    }
    // Like "%x" into an unsigned int: the number modulo 2^32, a '-' negating it.
    std::uint32_t magnitude = 0;
    bool anyDigit = false;
    for (; position < text.size(); ++position) {
        const int digit = HexDigitValue(text[position]);
        if (digit < 0) break;
        anyDigit = true;
        magnitude = (magnitude << 4) | static_cast<std::uint32_t>(digit);
    }
    if (!anyDigit) return false;
    value = start.negative ? 0u - magnitude : magnitude;
    return true;
}

}  // namespace

std::int32_t ParseIniDecimal(const std::wstring& text) {
    const SignedStart start = SkipBlanksAndSign(text, 0);
    const std::int64_t limit = start.negative
                                   ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                   : std::numeric_limits<std::int32_t>::max();
    std::int64_t magnitude = 0;
    for (std::size_t i = start.position; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c < L'0' || c > L'9') break;
        magnitude = magnitude * 10 + (c - L'0');
        if (magnitude > limit) {
            magnitude = limit;
            break;
        }
    }
    return static_cast<std::int32_t>(start.negative ? -magnitude : magnitude);
}

std::uint32_t ParseIniHex(const std::wstring& text) {
    std::uint32_t value = 0;
    if (text.size() >= 2 && text[0] == L'0' && text[1] == L'x' && ReadHexConversion(text, 2, value))
        return value;
    return static_cast<std::uint32_t>(ParseIniDecimal(text));
}

}  // namespace velmora
