#include "JsonText.h"

#include <cstdint>
#include <cstdio>

namespace velmora::cli {
namespace {

constexpr std::uint32_t kReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(std::uint32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUnitEscape(std::wstring& out, std::uint32_t unit) {
    wchar_t escape[7];
    std::swprintf(escape, 7, L"\\u%04x", static_cast<unsigned>(unit));
    out += escape;
}

void AppendCodePoint(std::wstring& out, std::uint32_t cp) {
    switch (cp) {
        case L'"': out += L"\\\""; return;
        case L'\\': out += L"\\\\"; return;
        case L'\b': out += L"\\b"; return;
        case L'\f': out += L"\\f"; return;
        case L'\n': out += L"\\n"; return;
        case L'\r': out += L"\\r"; return;
        case L'\t': out += L"\\t"; return;
        default: break;
    }
    if (cp >= 0x20 && cp < 0x7F) {
        out.push_back(static_cast<wchar_t>(cp));
    } else if (cp > 0xFFFF) {
        AppendUnitEscape(out, 0xD800 + ((cp - 0x10000) >> 10));
        AppendUnitEscape(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
        AppendUnitEscape(out, cp);
    }
}

// The code point at text[i] and the number of wide characters it takes: a UTF-16
// pair where wchar_t is 16 bits wide, a lone surrogate as the replacement character.
std::uint32_t CodePointAt(const std::wstring& text, std::size_t i, std::size_t& width) {
    width = 1;
    const auto c = static_cast<std::uint32_t>(text[i]);
    if (IsHighSurrogate(c) && i + 1 < text.size() &&
        IsLowSurrogate(static_cast<std::uint32_t>(text[i + 1]))) {
        width = 2;
        return 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
    }
    if (IsHighSurrogate(c) || IsLowSurrogate(c) || c > 0x10FFFF) return kReplacementCharacter;
    return c;
}

}  // namespace

std::wstring JsonString(const std::wstring& text) {
    std::wstring out = L"\"";
    std::size_t width = 1;
    for (std::size_t i = 0; i < text.size(); i += width) {
        AppendCodePoint(out, CodePointAt(text, i, width));
    }
    out += L"\"";
    return out;
}

}  // namespace velmora::cli
