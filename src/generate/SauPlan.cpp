#include "generate/SauPlan.h"

#include <algorithm>

#include "generate/GenerationContext.h"
#include "generate/GeneratorHex.h"
#include "model/ChipMemoryMap.h"

namespace velmora {
namespace {

constexpr std::uint64_t kGranule = kSauGranule;

// The area [base, base + size) widened to whole granules; nothing past 4 GB.
SauRegion NscRegionOf(const ProjectEntry& project) {
    const std::uint64_t base = ReadGeneratorHex(project.nscBase);
    const std::uint64_t end = std::min<std::uint64_t>(base + ReadGeneratorHex(project.nscSize),
                                                      std::uint64_t{1} << 32);
    SauRegion region;
    region.base = static_cast<std::uint32_t>(base / kGranule * kGranule);
    region.limit = static_cast<std::uint32_t>((end + kGranule - 1) / kGranule * kGranule - 1);
    region.nonSecureCallable = true;
    region.owners.push_back(project.name);
    return region;
}

// Sorted by base; a region that starts at or before the end of the previous one
// joins it.
std::vector<SauRegion> MergedNscRegions(std::vector<SauRegion> areas) {
    std::stable_sort(areas.begin(), areas.end(),
                     [](const SauRegion& a, const SauRegion& b) { return a.base < b.base; });
    std::vector<SauRegion> merged;
    for (SauRegion& area : areas) {
        if (!merged.empty() &&
            std::uint64_t{area.base} <= std::uint64_t{merged.back().limit} + 1) {
            SauRegion& last = merged.back();
            last.limit = std::max(last.limit, area.limit);
            last.owners.insert(last.owners.end(), area.owners.begin(), area.owners.end());
            continue;
        }
        merged.push_back(std::move(area));
    }
    return merged;
}

void AddNonSecureRegion(std::vector<SauRegion>& regions, std::uint32_t base, std::uint32_t end) {
    if (base >= end) return;
    SauRegion region;
    region.base = base;
    region.limit = end - 1;
    regions.push_back(std::move(region));
}

}  // namespace

SauPlan PlanSauRegions(const PartitionConfig& config) {
    std::vector<SauRegion> areas;
    for (const ProjectEntry& project : config.projects.rows) {
        if (IsSecureProject(project) && ReadGeneratorHex(project.nscSize) != 0) {
            areas.push_back(NscRegionOf(project));
        }
    }
    SauPlan plan;
    plan.regions = MergedNscRegions(std::move(areas));
    AddNonSecureRegion(plan.regions, config.nsba, ChipMemoryMap::flashNsEnd);
    AddNonSecureRegion(plan.regions, config.sramNsba, ChipMemoryMap::sramNsEnd);
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
           L" SAU regions together with the non-secure flash and SRAM, but the SAU has " +
           std::to_wstring(kSauRegionCount) +
           L"; the partition header was not filled. Place NSC areas next to each other so "
           L"that they share a region.";
}

}  // namespace velmora
