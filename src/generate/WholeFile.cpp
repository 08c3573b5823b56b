#include "generate/WholeFile.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <optional>

namespace velmora {
namespace {

constexpr const char* kSpace = " \t\r\n";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The position after the item that starts at i and ends with terminator, or nothing.
std::optional<std::size_t> After(const std::string& text, std::size_t i, const char* terminator) {
    const std::size_t end = text.find(terminator, i);
    if (end == std::string::npos) return std::nullopt;
    return end + std::char_traits<char>::length(terminator);
}

// The position of the root element's '<', past a byte-order mark, the XML
// declaration, processing instructions, comments and a document type.
std::optional<std::size_t> RootStart(const std::string& text) {
    std::size_t i = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (;;) {
        i = text.find_first_not_of(kSpace, i);
        if (i == std::string::npos || text[i] != '<') return std::nullopt;
        std::optional<std::size_t> next;
        if (text.compare(i, 2, "<?") == 0) {
            next = After(text, i + 2, "?>");
        } else if (text.compare(i, 4, "<!--") == 0) {
            next = After(text, i + 4, "-->");
        } else if (text.compare(i, 2, "<!") == 0) {
            next = After(text, i + 2, ">");
        } else {
            return i;
        }
        if (!next) return std::nullopt;
        i = *next;
    }
}

bool EndsWith(const std::string& text, std::size_t end, const std::string& tail) {
    return end >= tail.size() && text.compare(end - tail.size(), tail.size(), tail) == 0;
}

std::wstring LowerExtension(const std::wstring& fileName) {
    const std::size_t dot = fileName.rfind(L'.');
    std::wstring extension = dot == std::wstring::npos ? std::wstring() : fileName.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); });
    return extension;
}

bool IsToolChainXml(const std::wstring& fileName) {
    static const std::array<const wchar_t*, 6> kExtensions = {L".uvprojx", L".uvoptx", L".uvmpw",
                                                              L".eww",     L".ewd",    L".ewp"};
    const std::wstring extension = LowerExtension(fileName);
    return std::any_of(kExtensions.begin(), kExtensions.end(),
                       [&](const wchar_t* known) { return extension == known; });
}

}  // namespace

bool EndsAsWholeXml(const std::string& bytes) {
    const auto start = RootStart(bytes);
    if (!start) return false;
    std::size_t nameEnd = *start + 1;
    while (nameEnd < bytes.size() && !IsSpace(bytes[nameEnd]) && bytes[nameEnd] != '>' &&
           bytes[nameEnd] != '/') {
        ++nameEnd;
    }
    if (nameEnd == *start + 1) return false;
    const std::string name = bytes.substr(*start + 1, nameEnd - *start - 1);
    const std::size_t last = bytes.find_last_not_of(kSpace);
    const std::size_t end = last + 1;
    if (EndsWith(bytes, end, "</" + name + ">")) return true;
    // <Root .../> with nothing after it.
    const std::size_t startTagEnd = bytes.find('>', nameEnd);
    return startTagEnd == last && bytes[last - 1] == '/';
}

bool LooksWhole(const std::wstring& fileName, const std::string& bytes) {
    if (IsToolChainXml(fileName)) return EndsAsWholeXml(bytes);
    return !bytes.empty();
}

}  // namespace velmora
