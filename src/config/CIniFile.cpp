#include "config/CIniFile.h"

#include <algorithm>
#include <string_view>

#include "config/IniIndex.h"
#include "config/IniNumbers.h"
#include "platform/FileSystem.h"
#include "platform/Format.h"
#include "platform/TextCodec.h"

namespace velmora {

namespace {

bool IsHeader(const std::wstring& line) {
    return line.size() >= 2 && line.front() == L'[' && line.back() == L']';
}

// Every leading '[' and every trailing ']' removed; "[]" and "[[]]" give the empty name.
std::wstring HeaderName(const std::wstring& line) {
    const std::size_t first = line.find_first_not_of(L'[');
    if (first == std::wstring::npos) return std::wstring();
    const std::size_t last = line.find_last_not_of(L']');
    if (last == std::wstring::npos || last < first) return std::wstring();
    return line.substr(first, last - first + 1);
}

constexpr const char* kLineEnd = "\r\n";
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

bool StartsWith(const std::string& bytes, std::string_view prefix) {
    return bytes.compare(0, prefix.size(), prefix) == 0;
}

// Where the line after the one ending at lineEnd starts: a line ends at a line
// feed, a carriage return and line feed, or a carriage return alone.
std::size_t NextLineStart(const std::string& bytes, std::size_t lineEnd) {
    if (lineEnd >= bytes.size()) return bytes.size();
    const bool crlf = bytes[lineEnd] == '\r' && lineEnd + 1 < bytes.size() && bytes[lineEnd + 1] == '\n';
    return lineEnd + (crlf ? 2 : 1);
}

// A line feed or carriage return inside a name or text would end the line early and
// turn the rest into entries of their own on the next Read, so it is written like an
// unrepresentable character.
std::string LineText(const std::wstring& text) {
    std::string narrow = ToNarrow(text);
    for (char& c : narrow)
        if (c == '\n' || c == '\r') c = '?';
    return narrow;
}

}  // namespace

CIniFile::CIniFile(Frontend* frontend) : frontend_(frontend) {}

CIniFile::~CIniFile() = default;

bool CIniFile::Read() {
    UseUserLocale();
    const fs::Path file = fs::ToPath(path);
    if (!fs::Exists(file)) return false;
    std::string bytes;
    // A folder, a pipe or a device of that name is no file that could be opened. A
    // read that fails part-way keeps what came before it.
    if (fs::ReadRegularFile(file, bytes) == fs::FileRead::Refused) {
        error = kIniOpenError;
        ShowWarning(error);
        return false;
    }
    Parse(bytes);
    return true;
}

void CIniFile::Parse(const std::string& bytes) {
    // A hostile file with many thousands of distinct names would make the linear
    // lookups quadratic.
    Index index(*this);
    std::wstring sectionName;
    // Resolved at the first entry after a header: a header alone creates nothing.
    constexpr std::size_t kUnresolved = static_cast<std::size_t>(-1);
    std::size_t section = kUnresolved;
    // Some Windows editors save with a byte-order mark, which would otherwise
    // become part of the first header and leave the file without its GENERAL.
    std::size_t start = StartsWith(bytes, kUtf8ByteOrderMark) ? kUtf8ByteOrderMark.size() : 0;
    while (start < bytes.size()) {
        const std::size_t lineEnd = std::min(bytes.find_first_of("\r\n", start), bytes.size());
        const std::size_t next = NextLineStart(bytes, lineEnd);

        if (lineEnd > start) {
            const std::wstring line = ToWide(bytes.substr(start, lineEnd - start));
            if (line.empty()) {
                // Cannot happen with a lossless codec; an empty line is skipped anyway.
            } else if (IsHeader(line)) {
                sectionName = HeaderName(line);
                section = kUnresolved;
            } else {
                if (section == kUnresolved) section = index.sectionFor(sectionName);
                const std::size_t equals = line.find(L'=');
                if (equals == std::wstring::npos)
                    index.put(section, std::wstring(), line.substr(1));
                else
                    index.put(section, line.substr(0, equals), line.substr(equals + 1));
            }
        }
        start = next;
    }
}

std::string CIniFile::Serialize() const {
    std::string out;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const key& section = keys[i];
        if (section.values.empty()) continue;
        out += '[';
        out += LineText(keyNames[i]);
        out += ']';
        out += kLineEnd;
        for (std::size_t j = 0; j < section.values.size(); ++j) {
            out += LineText(section.names[j]);
            out += '=';
            out += LineText(section.values[j]);
            out += kLineEnd;
        }
        out += kLineEnd;
    }
    return out;
}

bool CIniFile::Write() {
    if (fs::WriteFileAtomically(fs::ToPath(path), Serialize())) return true;
    error = kIniWriteError;
    ShowWarning(error);
    return false;
}

int CIniFile::KeyIndexOf(const std::wstring& keyName) const {
    for (std::size_t i = 0; i < keyNames.size(); ++i)
        if (keyNames[i] == keyName) return static_cast<int>(i);
    return -1;
}

int CIniFile::ValueIndexOf(int keyIndex, const std::wstring& valueName) const {
    if (keyIndex < 0 || static_cast<std::size_t>(keyIndex) >= keys.size()) return -1;
    const auto& names = keys[static_cast<std::size_t>(keyIndex)].names;
    for (std::size_t j = 0; j < names.size(); ++j)
        if (names[j] == valueName) return static_cast<int>(j);
    return -1;
}

int CIniFile::CountValues(const std::wstring& keyName) const {
    const int keyIndex = KeyIndexOf(keyName);
    if (keyIndex < 0) return -1;
    return static_cast<int>(keys[static_cast<std::size_t>(keyIndex)].names.size());
}

std::wstring CIniFile::GetText(const std::wstring& keyName, const std::wstring& valueName) {
    const int keyIndex = KeyIndexOf(keyName);
    return TextAt(keyIndex, keyIndex < 0 ? -1 : ValueIndexOf(keyIndex, valueName));
}

std::wstring CIniFile::TextAt(int keyIndex, int valueIndex) {
    if (keyIndex < 0) {
        error = kIniKeyMissing;
        return std::wstring();
    }
    if (valueIndex < 0) {
        error = kIniValueMissing;
        return std::wstring();
    }
    return keys[static_cast<std::size_t>(keyIndex)].values[static_cast<std::size_t>(valueIndex)];
}

std::uint32_t CIniFile::GetHex(const std::wstring& keyName, const std::wstring& valueName) {
    return ParseIniHex(GetText(keyName, valueName));
}

bool CIniFile::PutText(const std::wstring& keyName, const std::wstring& valueName,
                       const std::wstring& text, bool create) {
    int keyIndex = KeyIndexOf(keyName);
    if (keyIndex < 0) {
        if (!create) return false;
        keyNames.push_back(keyName);
        keys.emplace_back();
        keyIndex = static_cast<int>(keys.size()) - 1;
    }
    key& section = keys[static_cast<std::size_t>(keyIndex)];
    int valueIndex = ValueIndexOf(keyIndex, valueName);
    if (valueIndex < 0) {
        if (!create) return false;
        section.names.push_back(valueName);
        section.values.emplace_back();
        valueIndex = static_cast<int>(section.values.size()) - 1;
    }
    section.values[static_cast<std::size_t>(valueIndex)] = text;
    return true;
}

bool CIniFile::PutDecimal(const std::wstring& keyName, const std::wstring& valueName,
                          std::int32_t value, bool create) {
    return PutText(keyName, valueName, Format(L"%d", value), create);
}

bool CIniFile::PutHex(const std::wstring& keyName, const std::wstring& valueName,
                      std::uint32_t value, bool create) {
    return PutText(keyName, valueName, Format(L"0x%x", value), create);
}

bool CIniFile::RemoveKey(const std::wstring& keyName) {
    const int keyIndex = KeyIndexOf(keyName);
    if (keyIndex < 0) return false;
    keys.erase(keys.begin() + keyIndex);
    keyNames.erase(keyNames.begin() + keyIndex);
    return true;
}

void CIniFile::ShowWarning(const std::wstring& text) {
    if (frontend_ != nullptr)
        frontend_->message(text, kApplicationName, MessageIcon::Warning, MessageButtons::Ok);
}

}  // namespace velmora
