#include "generate/WholeFile.h"

#include <algorithm>
#include <array>
#include <cwctype>
#include <optional>

namespace velmora {
namespace {

constexpr const char* kSpace = " \t\r\n";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::size_t AfterByteOrderMark(const std::string& text) {
    return text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
}

// The position after the item that starts at i and ends with terminator, or nothing.
std::optional<std::size_t> After(const std::string& text, std::size_t i, const char* terminator) {
    const std::size_t end = text.find(terminator, i);
    if (end == std::string::npos) return std::nullopt;
    return end + std::char_traits<char>::length(terminator);
}

// The position of the root element's '<', past a byte-order mark, the XML
// declaration, processing instructions, comments and a document type.
std::optional<std::size_t> RootStart(const std::string& text) {
    std::size_t i = AfterByteOrderMark(text);
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

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c))); });
    return text;
}

std::wstring LowerExtension(const std::wstring& fileName) {
    const std::size_t dot = fileName.rfind(L'.');
    return Lower(dot == std::wstring::npos ? std::wstring() : fileName.substr(dot));
}

bool IsToolChainXml(const std::wstring& fileName) {
    static const std::array<const wchar_t*, 6> kExtensions = {L".uvprojx", L".uvoptx", L".uvmpw",
                                                              L".eww",     L".ewd",    L".ewp"};
    const std::wstring extension = LowerExtension(fileName);
    return std::any_of(kExtensions.begin(), kExtensions.end(),
                       [&](const wchar_t* known) { return extension == known; });
}

bool IsCMakeFile(const std::wstring& fileName) {
    return Lower(fileName) == L"cmakelists.txt" || LowerExtension(fileName) == L".cmake";
}

// The position of the '"' that closes the string opened at i; a backslash escapes
// the next character, in CMake and JSON alike.
std::optional<std::size_t> StringEnd(const std::string& text, std::size_t i) {
    for (std::size_t j = i + 1; j < text.size(); ++j) {
        if (text[j] == '\\') {
            ++j;
        } else if (text[j] == '"') {
            return j;
        }
    }
    return std::nullopt;
}

// The length of a CMake bracket opening ("[[", "[=[", ...) at i, or 0.
std::size_t BracketOpening(const std::string& text, std::size_t i) {
    if (i >= text.size() || text[i] != '[') return 0;
    std::size_t j = i + 1;
    while (j < text.size() && text[j] == '=') ++j;
    return j < text.size() && text[j] == '[' ? j - i + 1 : 0;
}

// The last position of the bracket argument or comment whose opening of the given
// length starts at i, or nothing when it does not close.
std::optional<std::size_t> BracketEnd(const std::string& text, std::size_t i, std::size_t opening) {
    const std::string closing = "]" + std::string(opening - 2, '=') + "]";
    const std::size_t at = text.find(closing, i + opening);
    if (at == std::string::npos) return std::nullopt;
    return at + closing.size() - 1;
}

// The last position of the CMake comment, quoted or bracket argument at i (i
// itself for any other character), or nothing when it runs past the text.
std::optional<std::size_t> CMakeTokenEnd(const std::string& text, std::size_t i) {
    if (text[i] == '"') return StringEnd(text, i);
    if (const std::size_t opening = BracketOpening(text, i)) return BracketEnd(text, i, opening);
    if (text[i] != '#') return i;
    if (const std::size_t opening = BracketOpening(text, i + 1)) return BracketEnd(text, i + 1, opening);
    const std::size_t lineEnd = text.find('\n', i);
    return lineEnd == std::string::npos ? text.size() - 1 : lineEnd;
}

}  // namespace

bool EndsAsWholeJson(const std::string& bytes) {
    std::size_t i = bytes.find_first_not_of(kSpace, AfterByteOrderMark(bytes));
    if (i == std::string::npos || (bytes[i] != '{' && bytes[i] != '[')) return false;
    int depth = 0;
    for (; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '"') {
            const auto end = StringEnd(bytes, i);
            if (!end) return false;
            i = *end;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if ((c == '}' || c == ']') && --depth == 0) {
            return bytes.find_first_not_of(kSpace, i + 1) == std::string::npos;
        }
    }
    return false;
}

bool BalancesAsCMake(const std::string& bytes) {
    int depth = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto end = CMakeTokenEnd(bytes, i);
        if (!end) return false;
        if (*end == i && bytes[i] == '(') ++depth;
        if (*end == i && bytes[i] == ')' && --depth < 0) return false;
        i = *end;
    }
    return depth == 0;
}

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
    if (LowerExtension(fileName) == L".json") return EndsAsWholeJson(bytes);
    if (IsCMakeFile(fileName)) return !bytes.empty() && BalancesAsCMake(bytes);
    return !bytes.empty();
}

}  // namespace velmora
