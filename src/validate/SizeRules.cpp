#include "validate/SizeRules.h"

#include <cstddef>
#include <cstdint>

#include "model/ChipMemoryMap.h"
#include "platform/Format.h"

namespace velmora {

namespace {

constexpr std::uint32_t kOnePage = ChipMemoryMap::flashPageSize;
constexpr int kOnePageBytes = static_cast<int>(kOnePage);
constexpr std::uint32_t kMinimumCodeRegion = 0x2000;

// %d shows the cell's 32 bits as a signed number.
int AsSigned(std::uint32_t value) { return static_cast<int>(static_cast<std::int32_t>(value)); }

bool IsWordMultiple(std::uint32_t value) { return value % 4 == 0; }

}  // namespace

ValidationError CheckXomSizes(const ValidationSnapshot& snapshot) {
    for (std::size_t k = 0; k < snapshot.xom.size(); ++k)
        if (AsSigned(snapshot.xom[k].size) < kOnePageBytes)
            return Format(L" XOM %d size must >= one page (%d Bytes)", static_cast<int>(k),
                          kOnePageBytes);
    return std::nullopt;
}

ValidationError CheckCodeSizes(const ValidationSnapshot& snapshot) {
    for (const ProjectValues& project : snapshot.projects) {
        const std::uint32_t size = project.roSize;
        if (size < kOnePage)
            return Format(L"%ls RO size (%d Bytes) must >= one page (%d Bytes)",
                          project.name.c_str(), AsSigned(size), kOnePageBytes);
        if (!IsWordMultiple(size))
            return Format(L"%ls RO size (0x%x Bytes) must word (32bits) alignment",
                          project.name.c_str(), size);
    }
    return std::nullopt;
}

ValidationError CheckNscSizes(const ValidationSnapshot& snapshot) {
    for (const ProjectValues& project : snapshot.projects) {
        if (project.state != ProjectState::Secure) continue;
        const std::uint32_t size = project.nscSize;
        if (size < kOnePage)
            return Format(L"%ls NSC size (%d Bytes) must >= one page (%d Bytes)",
                          project.name.c_str(), AsSigned(size), kOnePageBytes);
        if (!IsWordMultiple(size))
            return Format(L"%ls NSC size (%d Bytes) must be word (32bits) alignment",
                          project.name.c_str(), AsSigned(size));
    }
    return std::nullopt;
}

ValidationError CheckMinimumCodeRegions(const ValidationSnapshot& snapshot) {
    for (const ProjectValues& project : snapshot.projects)
        if (project.roSize < kMinimumCodeRegion)
            return Format(L"%ls RO region cannot smaller than 0x2000.", project.name.c_str());
    return std::nullopt;
}

}  // namespace velmora
