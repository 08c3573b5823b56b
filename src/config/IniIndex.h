#pragma once
// Constant-time lookups over a CIniFile for the operations that go through a whole
// store at once: reading a file, loading and saving the configuration. The answers
// are the store's own (first match, exact names, insertion order), found through
// hash maps instead of linear scans. An index is valid only while every change to
// the store goes through it, so each such operation makes its own.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "config/CIniFile.h"

namespace velmora {

class CIniFile::Index {
public:
    explicit Index(CIniFile& store);

    // Number of values in the section, or -1 when it is missing (CountValues).
    int countValues(const std::wstring& section) const;

    // GetText: the value's text; the empty text, and the store's error set, when the
    // section or the value is missing.
    std::wstring getText(const std::wstring& section, const std::wstring& name);
    // GetHex: getText read by ParseIniHex; 0 when missing.
    std::uint32_t getHex(const std::wstring& section, const std::wstring& name);

    // Position of the section, appended when missing. A section exists once it
    // holds a value, so ask only for a section that is about to get one.
    std::size_t sectionFor(const std::wstring& section);
    // PutText(create = true) into the section at that position.
    void put(std::size_t section, const std::wstring& name, std::wstring text);
    void put(const std::wstring& section, const std::wstring& name, std::wstring text);

    // Removes every section whose name satisfies stale, in one pass; the others
    // keep their order.
    void removeSections(const std::function<bool(const std::wstring&)>& stale);

private:
    using Positions = std::unordered_map<std::wstring, std::size_t>;
    // Sections up to this many values are searched without a map.
    static constexpr std::size_t kScannedValues = 16;

    int sectionIndex(const std::wstring& section) const;
    int valueIndex(std::size_t section, const std::wstring& name);
    Positions& valuesOf(std::size_t section);
    void indexSections();

    CIniFile& store_;
    Positions sections_;
    // Built for a section when it is first looked into.
    std::unordered_map<std::size_t, Positions> values_;
};

}  // namespace velmora
