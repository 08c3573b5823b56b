#include "generate/SauPlan.h"

#include <algorithm>

#include "generate/GenerationContext.h"
#include "generate/GeneratorHex.h"
#include "model/ChipMemoryMap.h"

namespace velmora {
namespace {

constexpr std::uint64_t kGranule = kSauGranule;

// An NSC area in bytes, [base, end), with the projects it belongs to.
struct NscArea {
    std::uint64_t base = 0;
    std::uint64_t end = 0;
    std::vector<std::wstring> owners;
};

// The area [base, base + size) of a project; nothing past 4 GB.
NscArea NscAreaOf(const ProjectEntry& project) {
    const std::uint64_t base = ReadGeneratorHex(project.nscBase);
    NscArea area;
    area.base = base;
    area.end = std::min<std::uint64_t>(base + ReadGeneratorHex(project.nscSize),
                                       std::uint64_t{1} << 32);
    area.owners.push_back(project.name);
    return area;
}

// Sorted by base; an area that starts at or before the end of the previous one
// joins it.
std::vector<NscArea> JoinedAreas(std::vector<NscArea> areas) {
    std::stable_sort(areas.begin(), areas.end(),
                     [](const NscArea& a, const NscArea& b) { return a.base < b.base; });
    std::vector<NscArea> joined;
    for (NscArea& area : areas) {
        if (!joined.empty() && area.base <= joined.back().end) {
            NscArea& last = joined.back();
            last.end = std::max(last.end, area.end);
            last.owners.insert(last.owners.end(), area.owners.begin(), area.owners.end());
            continue;
        }
        joined.push_back(std::move(area));
    }
    return joined;
}

// The whole granules inside each joined area.
void AddNscRegions(std::vector<SauRegion>& regions, std::vector<NscArea> areas) {
    for (NscArea& area : JoinedAreas(std::move(areas))) {
        const std::uint64_t base = (area.base + kGranule - 1) / kGranule * kGranule;
        const std::uint64_t end = area.end / kGranule * kGranule;
        if (base >= end) continue;
        SauRegion region;
        region.base = static_cast<std::uint32_t>(base);
        region.limit = static_cast<std::uint32_t>(end - 1);
        region.nonSecureCallable = true;
        region.owners = std::move(area.owners);
        regions.push_back(std::move(region));
    }
}

void AddNonSecureRegion(std::vector<SauRegion>& regions, std::uint32_t base, std::uint64_t end) {
    if (base >= end) return;
    SauRegion region;
    region.base = base;
    region.limit = static_cast<std::uint32_t>(end - 1);
    regions.push_back(std::move(region));
}

}  // namespace

SauPlan PlanSauRegions(const PartitionConfig& config) {
    std::vector<NscArea> areas;
    for (const ProjectEntry& project : config.projects.rows) {
        if (IsSecureProject(project) && ReadGeneratorHex(project.nscSize) != 0) {
            areas.push_back(NscAreaOf(project));
        }
    }
    SauPlan plan;
    AddNscRegions(plan.regions, std::move(areas));
    AddNonSecureRegion(plan.regions, config.nsba, ChipMemoryMap::flashNsEnd);
    AddNonSecureRegion(plan.regions, config.sramNsba, ChipMemoryMap::sramNsEnd);
    AddNonSecureRegion(plan.regions, kPeripheralNsBase, std::uint64_t{kPeripheralNsLimit} + 1);
    return plan;
}

std::wstring SauAttributeText(const SauRegion& region) {
    return region.nonSecureCallable ? L"non-secure callable" : L"non-secure";
}

std::wstring JoinedNames(const std::vector<std::wstring>& names) {
    std::wstring text;
    for (const std::wstring& name : names) {
        if (!text.empty()) text += L", ";
        text += name;
    }
    return text;
}

std::wstring SauOwnersText(const SauRegion& region) { return JoinedNames(region.owners); }

std::wstring SauOverflowText(const SauPlan& plan) {
    if (plan.Fits()) return {};
    std::vector<std::wstring> owners;
    for (const SauRegion& region : plan.regions)
        owners.insert(owners.end(), region.owners.begin(), region.owners.end());
    return L"The NSC areas of the secure projects " + JoinedNames(owners) + L" need " +
           std::to_wstring(plan.regions.size()) +
           L" SAU regions together with the non-secure flash, SRAM and peripherals, but the "
           L"SAU has " +
           std::to_wstring(kSauRegionCount) +
           L"; the partition header holds no SAU region and stops the build. Place NSC areas "
           L"next to each other so that they share a region.";
}

}  // namespace velmora
