#include "generate/GeneratorHex.h"

#include <cstddef>

namespace velmora {
namespace {

constexpr std::int64_t kLongMax = 0x7FFFFFFF;
constexpr std::int64_t kLongMinMagnitude = 0x80000000;

bool IsConversionSpace(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

int HexDigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// "0x" counts as a prefix only when a digit follows; otherwise the "0" alone is read.
std::size_t SkipHexPrefix(const std::wstring& text, std::size_t at) {
    const bool hasPrefix = at + 2 < text.size() && text[at] == L'0' &&
                           (text[at + 1] == L'x' || text[at + 1] == L'X') &&
                           HexDigitValue(text[at + 2]) >= 0;
    return hasPrefix ? at + 2 : at;
}

}  // namespace

std::uint32_t ReadGeneratorHex(const std::wstring& text) {
    std::size_t at = 0;
    while (at < text.size() && IsConversionSpace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) {
        negative = text[at] == L'-';
        ++at;
    }
    at = SkipHexPrefix(text, at);
    const std::int64_t limit = negative ? kLongMinMagnitude : kLongMax;
    std::int64_t magnitude = 0;
    for (; at < text.size() && HexDigitValue(text[at]) >= 0; ++at) {
        // Once saturated, further digits only keep it there.
        magnitude = magnitude * 16 + HexDigitValue(text[at]);
        if (magnitude > limit) magnitude = limit;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    return static_cast<std::uint32_t>(value & 0xFFFFFFFF);
}

}  // namespace velmora
