#include "generate/MarkupText.h"

#include <cstdint>
#include <string_view>

namespace velmora {
namespace {

constexpr std::uint32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(std::uint32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The code point at i (a surrogate pair where wchar_t holds UTF-16); i moves past it.
std::uint32_t NextCodePoint(const std::wstring& text, std::size_t& i) {
    const auto unit = static_cast<std::uint32_t>(text[i++]);
    if constexpr (sizeof(wchar_t) == 2) {
        if (IsHighSurrogate(unit) && i < text.size() &&
            IsLowSurrogate(static_cast<std::uint32_t>(text[i]))) {
            const auto low = static_cast<std::uint32_t>(text[i++]);
            return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return unit;
}

bool CarriesInUtf8(std::uint32_t cp) {
    if (cp < 0x20) return cp == L'\t' || cp == L'\n' || cp == L'\r';
    if (cp == 0x7F) return false;
    if (IsHighSurrogate(cp) || IsLowSurrogate(cp)) return false;
    if (cp == 0xFFFE || cp == 0xFFFF) return false;
    return cp <= 0x10FFFF;
}

void Append(std::wstring& out, std::uint32_t cp) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            out += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(cp);
}

const wchar_t* MarkupReference(wchar_t c) {
    switch (c) {
        case L'&': return L"&amp;";
        case L'<': return L"&lt;";
        case L'>': return L"&gt;";
        case L'"': return L"&quot;";
        case L'\'': return L"&#39;";
        default: return nullptr;
    }
}

bool IsMarkdownSpecial(wchar_t c) {
    return std::wstring_view(L"\\|`*_[]<#").find(c) != std::wstring_view::npos;
}

}  // namespace

std::wstring CleanDocumentText(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::uint32_t cp = NextCodePoint(text, i);
        Append(out, CarriesInUtf8(cp) ? cp : kReplacement);
    }
    return out;
}

std::wstring EscapeMarkup(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : CleanDocumentText(text)) {
        if (const wchar_t* reference = MarkupReference(c)) {
            out += reference;
        } else {
            out += c;
        }
    }
    return out;
}

std::wstring EscapeMarkdownCell(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : CleanDocumentText(text)) {
        if (c == L'\n' || c == L'\r' || c == L'\t') {
            out += L' ';
            continue;
        }
        if (IsMarkdownSpecial(c)) out += L'\\';
        out += c;
    }
    return out;
}

}  // namespace velmora
