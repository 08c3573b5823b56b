#include "validate/NameRules.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <unordered_map>

#include "platform/Format.h"
#include "platform/TextCodec.h"

namespace velmora {

namespace {

bool IsAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsNameByte(char c) {
    const bool digit = c >= '0' && c <= '9';
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    return digit || letter || c == '_';
}

// Names that passed the character stage are ASCII, so ASCII folding is case folding.
std::wstring AsciiLowerCase(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

bool NamesOtherRow(const ValidationSnapshot& snapshot, std::size_t row, const std::wstring& name) {
    for (std::size_t j = 0; j < snapshot.projects.size(); ++j)
        if (j != row && snapshot.projects[j].name == name) return true;
    return false;
}

}  // namespace

ValidationError CheckUniqueNames(const ValidationSnapshot& snapshot) {
    const auto& projects = snapshot.projects;
    for (std::size_t i = 0; i + 1 < projects.size(); ++i)
        for (std::size_t j = i + 1; j < projects.size(); ++j)
            if (projects[i].name == projects[j].name)
                return Format(L"[%ls] project name cannot be the same.", projects[i].name.c_str());
    return std::nullopt;
}

ValidationError CheckNameStarts(const ValidationSnapshot& snapshot) {
    for (const ProjectValues& project : snapshot.projects) {
        if (project.name.empty()) return std::wstring(L"project name cannot be empty.");
        const wchar_t first = project.name.front();
        if (first != L'_' && !IsAsciiLetter(first))
            return Format(L"[%ls] project first char must be '_', 'a'~'z' or 'A'~'Z'.",
                          project.name.c_str());
    }
    return std::nullopt;
}

ValidationError CheckNextBoots(const ValidationSnapshot& snapshot) {
    for (std::size_t i = 0; i < snapshot.projects.size(); ++i) {
        const ProjectValues& project = snapshot.projects[i];
        if (!project.nextBoot.empty() && !NamesOtherRow(snapshot, i, project.nextBoot))
            return Format(L"[%ls] project next boot [%ls] is not existed.", project.name.c_str(),
                          project.nextBoot.c_str());
    }
    return std::nullopt;
}

ValidationError CheckNameCharacters(const ValidationSnapshot& snapshot) {
    for (const ProjectValues& project : snapshot.projects) {
        // Judged in the narrow code page, so any non-ASCII character shows as a byte
        // outside the allowed set (a character the code page lacks becomes '?').
        const std::string narrow = ToNarrow(project.name);
        if (!std::all_of(narrow.begin(), narrow.end(), IsNameByte))
            return std::wstring(L" Project name must be a-z,A-Z,0-9,_");
    }
    return std::nullopt;
}

ValidationError CheckNamesDifferBeyondCase(const ValidationSnapshot& snapshot) {
    const auto& projects = snapshot.projects;
    // How many rows share each folded name, then the first row whose folded name
    // comes again and the next row that has it: the first pair in table order.
    std::vector<std::wstring> folded;
    folded.reserve(projects.size());
    std::unordered_map<std::wstring, int> count;
    for (const ProjectValues& project : projects) ++count[folded.emplace_back(AsciiLowerCase(project.name))];
    for (std::size_t i = 0; i < projects.size(); ++i) {
        if (count[folded[i]] < 2) continue;
        for (std::size_t j = i + 1; j < projects.size(); ++j)
            if (folded[j] == folded[i])
                return Format(L"[%ls] and [%ls] project names differ only in case; on Windows they "
                              L"would share one folder.",
                              projects[i].name.c_str(), projects[j].name.c_str());
    }
    return std::nullopt;
}

bool IsWindowsDeviceName(const std::wstring& fileName) {
    std::wstring base = AsciiLowerCase(fileName.substr(0, fileName.find(L'.')));
    while (!base.empty() && base.back() == L' ') base.pop_back();
    if (base == L"con" || base == L"prn" || base == L"aux" || base == L"nul") return true;
    const bool port = base.size() == 4 && (base.compare(0, 3, L"com") == 0 || base.compare(0, 3, L"lpt") == 0);
    return port && base[3] >= L'1' && base[3] <= L'9';
}

ValidationError CheckDeviceNames(const ValidationSnapshot& snapshot) {
    for (const ProjectValues& project : snapshot.projects)
        if (IsWindowsDeviceName(project.name))
            return Format(L"[%ls] project name is reserved for a device on Windows (CON, PRN, AUX, "
                          L"NUL, COM1 to COM9, LPT1 to LPT9).",
                          project.name.c_str());
    return std::nullopt;
}

}  // namespace velmora
