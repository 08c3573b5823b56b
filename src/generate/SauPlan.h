#pragma once
// The regions the partition header programs into the SAU: one region per secure
// project's non-secure-callable area (areas that touch or overlap share one), then
// the non-secure flash, the non-secure SRAM and the non-secure peripheral aliases.
// Everything else stays secure, so no memory is non-secure callable that no
// project asked for.

#include <cstdint>
#include <string>
#include <vector>

#include "model/PartitionConfig.h"

namespace velmora {

// Regions the V6048's SAU has.
inline constexpr std::size_t kSauRegionCount = 8;
// SAU regions start and end on 32-byte granules.
inline constexpr std::uint32_t kSauGranule = 32;
// The non-secure aliases of the peripherals, always given to the non-secure world;
// each peripheral's own attribution (PNSSET) decides whether an access succeeds.
inline constexpr std::uint32_t kPeripheralNsBase = 0x50000000;
inline constexpr std::uint32_t kPeripheralNsLimit = 0x5FFFFFFF;

struct SauRegion {
    std::uint32_t base = 0;
    std::uint32_t limit = 0;  // last byte, inclusive (base + 31 at least)
    bool nonSecureCallable = false;
    std::vector<std::wstring> owners;  // the secure projects whose NSC areas it covers
};

struct SauPlan {
    // In the order the header programs them: NSC regions by address, the
    // non-secure flash, the non-secure SRAM (each only when not empty), the
    // non-secure peripheral aliases.
    std::vector<SauRegion> regions;

    bool Fits() const { return regions.size() <= kSauRegionCount; }
};

// The plan for the configuration's secure rows (state "S") with an NSC size, their
// cells read as the generator reads them. Touching or overlapping areas are joined
// first; each joined area is then narrowed inward to whole granules, so no byte
// outside the areas becomes non-secure callable (the scripts place the veneers in
// the narrowed range). A joined area that holds no whole granule gets no region.
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
