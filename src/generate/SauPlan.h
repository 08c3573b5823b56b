#pragma once
// The regions the partition header programs into the SAU: one region per secure
// project's non-secure-callable area (areas that touch or overlap share one), then
// the non-secure flash and the non-secure SRAM. Everything else stays secure, so
// no memory is non-secure callable that no project asked for.

#include <cstdint>
#include <string>
#include <vector>

#include "model/PartitionConfig.h"

namespace velmora {

// Regions the V6048's SAU has.
inline constexpr std::size_t kSauRegionCount = 8;
// SAU regions start and end on 32-byte granules.
inline constexpr std::uint32_t kSauGranule = 32;

struct SauRegion {
    std::uint32_t base = 0;
    std::uint32_t limit = 0;  // last byte, inclusive (base + 31 at least)
    bool nonSecureCallable = false;
    std::vector<std::wstring> owners;  // the secure projects whose NSC areas it covers
};

struct SauPlan {
    // In the order the header programs them: NSC regions by address, the
    // non-secure flash, the non-secure SRAM (each only when not empty).
    std::vector<SauRegion> regions;

    bool Fits() const { return regions.size() <= kSauRegionCount; }
};

// The plan for the configuration's secure rows (state "S") with an NSC size, their
// cells read as the generator reads them. An area is widened outward to whole
// granules, so its veneers are always covered.
SauPlan PlanSauRegions(const PartitionConfig& config);

// "non-secure callable" or "non-secure".
std::wstring SauAttributeText(const SauRegion& region);

// Names joined by ", ": the owners of one region, or of every region of a plan.
std::wstring JoinedNames(const std::vector<std::wstring>& names);
std::wstring SauOwnersText(const SauRegion& region);

// The failure line of a plan that needs more regions than the SAU has, naming the
// secure projects whose NSC areas caused it; empty when the plan fits.
std::wstring SauOverflowText(const SauPlan& plan);

}  // namespace velmora
