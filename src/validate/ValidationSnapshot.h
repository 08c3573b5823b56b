#pragma once
// The values the validation stages judge, read once from the tables' cell texts.
// Numbers are read with ParseHexCell; every sum on them wraps at 32 bits.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/PartitionConfig.h"

namespace velmora {

// The message of the first failing rule, or nothing when the rules hold.
using ValidationError = std::optional<std::wstring>;

// NSC base and size of every row whose State is not exactly "S".
inline constexpr std::uint32_t NoNsc = 0xFFFFFFFF;

// State texts compare exactly and case-sensitively; "s" or "ns" are neither.
enum class ProjectState { Secure, NonSecure, Other };

struct ProjectValues {
    std::wstring name;
    std::wstring nextBoot;
    ProjectState state = ProjectState::Other;
    std::uint32_t roBase = 0;
    std::uint32_t roSize = 0;
    std::uint32_t rwBase = 0;
    std::uint32_t nscBase = NoNsc;
    std::uint32_t nscSize = NoNsc;
    // Region k belongs to this row: its XOMk cell is Owned.
    std::array<bool, kXomRegionCount> ownsXom{};

    std::uint32_t roEnd() const { return roBase + roSize; }
    std::uint32_t nscEnd() const { return nscBase + nscSize; }
};

struct XomValues {
    std::uint32_t base = 0;
    std::uint32_t size = 0;
    // The XOM table's Project cell names someone (the overlap stage's notion of use).
    bool inUse = false;

    std::uint32_t end() const { return base + size; }
};

struct ValidationSnapshot {
    std::vector<ProjectValues> projects;  // every row, in table order
    std::array<XomValues, kXomRegionCount> xom;
    std::wstring bspPath;
    std::wstring templatePath;  // the output folder
    std::uint32_t nsba = 0;
    std::uint32_t sramNsba = 0;
};

// Reads every project row, the four XOM rows, both paths and both boundaries.
// Never fails: a cell that is no number reads as ParseHexCell reads it.
ValidationSnapshot TakeValidationSnapshot(const PartitionConfig& config);

// The state a State text denotes.
ProjectState StateOf(const std::wstring& stateText);

}  // namespace velmora
