#include "config/IniIndex.h"

#include <utility>

#include "config/IniNumbers.h"

namespace velmora {

CIniFile::Index::Index(CIniFile& store) : store_(store) { indexSections(); }

void CIniFile::Index::indexSections() {
    sections_.clear();
    values_.clear();
    sections_.reserve(store_.keyNames.size());
    // emplace keeps the first of equal names, which is the store's own answer.
    for (std::size_t i = 0; i < store_.keyNames.size(); ++i) sections_.emplace(store_.keyNames[i], i);
}

int CIniFile::Index::sectionIndex(const std::wstring& section) const {
    const auto found = sections_.find(section);
    return found == sections_.end() ? -1 : static_cast<int>(found->second);
}

CIniFile::Index::Positions& CIniFile::Index::valuesOf(std::size_t section) {
    const auto found = values_.find(section);
    if (found != values_.end()) return found->second;
    Positions& values = values_[section];
    const auto& names = store_.keys[section].names;
    values.reserve(names.size());
    for (std::size_t j = 0; j < names.size(); ++j) values.emplace(names[j], j);
    return values;
}

int CIniFile::Index::valueIndex(std::size_t section, const std::wstring& name) {
    const auto& names = store_.keys[section].names;
    // A short section (every section the configuration itself writes) is scanned:
    // as quick as hashing, and nothing to build for thousands of them.
    if (names.size() <= kScannedValues && values_.find(section) == values_.end()) {
        for (std::size_t j = 0; j < names.size(); ++j)
            if (names[j] == name) return static_cast<int>(j);
        return -1;
    }
    const Positions& values = valuesOf(section);
    const auto found = values.find(name);
    return found == values.end() ? -1 : static_cast<int>(found->second);
}

int CIniFile::Index::countValues(const std::wstring& section) const {
    const int keyIndex = sectionIndex(section);
    if (keyIndex < 0) return -1;
    return static_cast<int>(store_.keys[static_cast<std::size_t>(keyIndex)].names.size());
}

std::wstring CIniFile::Index::getText(const std::wstring& section, const std::wstring& name) {
    const int keyIndex = sectionIndex(section);
    const int position = keyIndex < 0 ? -1 : valueIndex(static_cast<std::size_t>(keyIndex), name);
    return store_.TextAt(keyIndex, position);
}

std::uint32_t CIniFile::Index::getHex(const std::wstring& section, const std::wstring& name) {
    return ParseIniHex(getText(section, name));
}

std::size_t CIniFile::Index::sectionFor(const std::wstring& section) {
    const auto [found, inserted] = sections_.emplace(section, store_.keyNames.size());
    if (inserted) {
        store_.keyNames.push_back(section);
        store_.keys.emplace_back();
    }
    return found->second;
}

void CIniFile::Index::put(std::size_t section, const std::wstring& name, std::wstring text) {
    key& entry = store_.keys[section];
    const int position = valueIndex(section, name);
    if (position >= 0) {
        entry.values[static_cast<std::size_t>(position)] = std::move(text);
        return;
    }
    const auto map = values_.find(section);
    if (map != values_.end()) map->second.emplace(name, entry.names.size());
    entry.names.push_back(name);
    entry.values.push_back(std::move(text));
}

void CIniFile::Index::put(const std::wstring& section, const std::wstring& name,
                          std::wstring text) {
    put(sectionFor(section), name, std::move(text));
}

void CIniFile::Index::removeSections(const std::function<bool(const std::wstring&)>& stale) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < store_.keys.size(); ++i) {
        if (stale(store_.keyNames[i])) continue;
        if (kept != i) {
            store_.keys[kept] = std::move(store_.keys[i]);
            store_.keyNames[kept] = std::move(store_.keyNames[i]);
        }
        ++kept;
    }
    if (kept == store_.keys.size()) return;
    store_.keys.resize(kept);
    store_.keyNames.resize(kept);
    indexSections();
}

}  // namespace velmora
