#pragma once
// Small predicates on 32-bit addresses shared by the overlap and placement rules.

#include <cstdint>

#include "model/ChipMemoryMap.h"

namespace velmora {

// value lies in the half-open range [base, end); end is a wrapped sum, compared as is.
constexpr bool InHalfOpen(std::uint32_t base, std::uint32_t end, std::uint32_t value) {
    return base <= value && value < end;
}

// The low 11 bits (one flash page) are zero.
constexpr bool IsPageAligned(std::uint32_t value) {
    return (value & (ChipMemoryMap::flashPageSize - 1)) == 0;
}

// A secure address plus this is its non-secure alias, for flash and SRAM alike.
inline constexpr std::uint32_t kNonSecureAliasOffset =
    ChipMemoryMap::flashNsAlias - ChipMemoryMap::flashBase;

}  // namespace velmora
