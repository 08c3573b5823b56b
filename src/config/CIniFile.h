#pragma once
// The store for INI-style text files: a whole file in memory, sections ("keys") and
// their entries ("values") in insertion order, written back in one go.
//
// Lookups match names exactly (case and blanks count) and return the first match;
// every insertion looks up first, so names are unique within their list. A section
// exists only once a value is stored in it.
//
// The file is narrow text in the user's code page (see platform/TextCodec.h): bytes
// that are not valid there survive a Read/Write round trip unchanged, and a character
// the code page cannot represent is written as '?', as is a line feed or carriage
// return inside a name or text (it would split the line). Names and texts are
// written whole, however long. Lines end at LF, CRLF or a lone CR; a leading UTF-8
// byte-order mark is skipped. Write ends every line with CRLF.

#include <cstdint>
#include <string>
#include <vector>

#include "model/Frontend.h"

namespace velmora {

class CIniFile {
public:
    struct key {
        std::vector<std::wstring> values;
        std::vector<std::wstring> names;  // names[j] names values[j]
    };
    // Hash lookups for bulk operations (config/IniIndex.h).
    class Index;

    // The front end shows the "Unable to open/write ini file." boxes; without one
    // (nullptr) the failures are only recorded in error.
    explicit CIniFile(Frontend* frontend = nullptr);
    virtual ~CIniFile();
    CIniFile(const CIniFile&) = default;
    CIniFile& operator=(const CIniFile&) = default;

    void SetFrontend(Frontend* frontend) { frontend_ = frontend; }

    // Merges the file at path into the store (nothing is cleared first).
    // false, store unchanged, nothing shown: no file or folder at path.
    // false, error and a warning box "Unable to open ini file.": it exists but cannot be
    // opened, or is no regular file (a folder, a pipe, a device).
    // true otherwise; a read that fails part-way keeps what was read before it.
    // Switches the process to the user's default locale first.
    bool Read();

    // Merges narrow INI text into the store exactly as Read does with a file's bytes.
    void Parse(const std::string& bytes);

    // Writes every non-empty section to path (CRLF line ends) through a temporary
    // file that then replaces path, so a failure leaves the old file whole. A file
    // marked read-only is left as it is. Temporary files that killed saves left
    // beside path go after a successful save.
    // false, error and a warning box "Unable to write ini file." when that fails.
    bool Write();

    // Position of the section, or -1.
    int KeyIndexOf(const std::wstring& keyName) const;
    // Position of the value in section keyIndex, or -1 (also for an invalid keyIndex).
    int ValueIndexOf(int keyIndex, const std::wstring& valueName) const;
    // Number of values in the section, or -1 when it is missing.
    int CountValues(const std::wstring& keyName) const;

    // The value's text; empty text and error set when the section or value is missing.
    std::wstring GetText(const std::wstring& keyName, const std::wstring& valueName);
    // GetText read by ParseIniHex (config/IniNumbers.h); 0 when missing.
    std::uint32_t GetHex(const std::wstring& keyName, const std::wstring& valueName);

    // Sets the value, appending a missing section or value when create is true.
    // false, store unchanged: section or value missing and create false.
    bool PutText(const std::wstring& keyName, const std::wstring& valueName,
                 const std::wstring& text, bool create);
    // PutText of "%d".
    bool PutDecimal(const std::wstring& keyName, const std::wstring& valueName,
                    std::int32_t value, bool create);
    // PutText of "0x%x" (lower case, no leading zeros).
    bool PutHex(const std::wstring& keyName, const std::wstring& valueName,
                std::uint32_t value, bool create);

    // Removes the section and all its values; false when it does not exist.
    bool RemoveKey(const std::wstring& keyName);

    // The text of the last failure; empty until one happens. Never cleared.
    std::wstring LastError() const { return error; }

    // The whole store as the narrow text that Write puts into the file.
    std::string Serialize() const;

    std::wstring path;                  // set by the owner before Read
    std::vector<key> keys;              // sections in order of first appearance
    std::vector<std::wstring> keyNames; // keyNames[i] names keys[i]
    std::wstring error;

private:
    // The text at the positions GetText looked up; the empty text, and error set,
    // when either is -1.
    std::wstring TextAt(int keyIndex, int valueIndex);
    void ShowWarning(const std::wstring& text);

    Frontend* frontend_;
};

inline constexpr const wchar_t* kIniOpenError = L"Unable to open ini file.";
inline constexpr const wchar_t* kIniWriteError = L"Unable to write ini file.";
inline constexpr const wchar_t* kIniKeyMissing = L"Unable to locate specified key.";
inline constexpr const wchar_t* kIniValueMissing = L"Unable to locate specified value.";

}  // namespace velmora
