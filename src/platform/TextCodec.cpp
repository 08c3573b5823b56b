#include "platform/TextCodec.h"

#include <climits>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <cwchar>

namespace velmora {
namespace {

// Invalid narrow bytes travel as U+DC80..U+DCFF, so a read-then-write keeps them.
constexpr wchar_t kEscapeBase = 0xDC00;
constexpr char kUnrepresentable = '?';

bool LocaleNameIsUtf8OrPlain(const char* name) {
    if (name == nullptr) return true;
    if (std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0) return true;
    for (const char* p = name; *p != '\0'; ++p) {
        if ((p[0] == 'U' || p[0] == 'u') && (p[1] == 'T' || p[1] == 't') &&
            (p[2] == 'F' || p[2] == 'f')) {
            const char* digits = p[3] == '-' ? p + 4 : p + 3;
            if (digits[0] == '8') return true;
        }
    }
    return false;
}

bool IsEscapedByte(std::uint32_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

void AppendCodePoint(std::wstring& out, std::uint32_t cp) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(cp));
}

// Length of a well-formed UTF-8 sequence at s[i], or 0.
std::size_t Utf8SequenceLength(const std::string& s, std::size_t i, std::uint32_t& cp) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b0 = byte(i);
    std::size_t len = 0;
    std::uint32_t min = 0;
    if (b0 < 0x80) { cp = b0; return 1; }
    if ((b0 & 0xE0) == 0xC0) { len = 2; cp = b0 & 0x1Fu; min = 0x80; }
    else if ((b0 & 0xF0) == 0xE0) { len = 3; cp = b0 & 0x0Fu; min = 0x800; }
    else if ((b0 & 0xF8) == 0xF0) { len = 4; cp = b0 & 0x07u; min = 0x10000; }
    else return 0;
    if (i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Reads one code point from wide text, joining UTF-16 pairs where wchar_t is 16 bits.
std::uint32_t NextCodePoint(const std::wstring& w, std::size_t& i) {
    std::uint32_t c = static_cast<std::uint32_t>(w[i++]) & (sizeof(wchar_t) == 2 ? 0xFFFFu : 0xFFFFFFFFu);
    if (sizeof(wchar_t) == 2 && c >= 0xD800 && c <= 0xDBFF && i < w.size()) {
        const auto low = static_cast<std::uint32_t>(w[i]) & 0xFFFFu;
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++i;
            return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return c;
}

std::wstring LocaleToWide(const std::string& narrow) {
    std::wstring out;
    out.reserve(narrow.size());
    std::mbstate_t state{};
    std::size_t i = 0;
    while (i < narrow.size()) {
        wchar_t wc = 0;
        const std::size_t n = std::mbrtowc(&wc, narrow.data() + i, narrow.size() - i, &state);
        if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) {
            out.push_back(static_cast<wchar_t>(kEscapeBase + static_cast<unsigned char>(narrow[i])));
            state = std::mbstate_t{};
            ++i;
        } else if (n == 0) {  // an embedded NUL
            out.push_back(L'\0');
            ++i;
        } else {
            out.push_back(wc);
            i += n;
        }
    }
    return out;
}

std::string WideToLocale(const std::wstring& wide) {
    std::string out;
    out.reserve(wide.size());
    std::mbstate_t state{};
    char buffer[MB_LEN_MAX];
    for (wchar_t wc : wide) {
        const auto c = static_cast<std::uint32_t>(wc) & (sizeof(wchar_t) == 2 ? 0xFFFFu : 0xFFFFFFFFu);
        if (IsEscapedByte(c)) {
            out.push_back(static_cast<char>(c - kEscapeBase));
            continue;
        }
        const std::size_t n = std::wcrtomb(buffer, wc, &state);
        if (n == static_cast<std::size_t>(-1)) {
            out.push_back(kUnrepresentable);
            state = std::mbstate_t{};
        } else {
            out.append(buffer, n);
        }
    }
    return out;
}

}  // namespace

void UseUserLocale() { std::setlocale(LC_ALL, ""); }

bool NarrowIsUtf8() { return LocaleNameIsUtf8OrPlain(std::setlocale(LC_CTYPE, nullptr)); }

std::wstring Utf8ToWide(const std::string& utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::uint32_t cp = 0;
        const std::size_t len = Utf8SequenceLength(utf8, i, cp);
        if (len == 0) {
            out.push_back(static_cast<wchar_t>(kEscapeBase + static_cast<unsigned char>(utf8[i])));
            ++i;
        } else {
            AppendCodePoint(out, cp);
            i += len;
        }
    }
    return out;
}

std::string WideToUtf8(const std::wstring& wide) {
    std::string out;
    out.reserve(wide.size());
    std::size_t i = 0;
    while (i < wide.size()) {
        const std::uint32_t cp = NextCodePoint(wide, i);
        if (IsEscapedByte(cp)) {
            out.push_back(static_cast<char>(cp - kEscapeBase));
        } else if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) {
            out.push_back(kUnrepresentable);
        } else {
            AppendUtf8(out, cp);
        }
    }
    return out;
}

std::wstring ToWide(const std::string& narrow) {
    return NarrowIsUtf8() ? Utf8ToWide(narrow) : LocaleToWide(narrow);
}

std::string ToNarrow(const std::wstring& wide) {
    return NarrowIsUtf8() ? WideToUtf8(wide) : WideToLocale(wide);
}

}  // namespace velmora
