#pragma once
// Fixed memory constants of the V6048.

#include <cstdint>

namespace velmora::ChipMemoryMap {

inline constexpr std::uint32_t flashBase = 0x00000000;
inline constexpr std::uint32_t flashNsAlias = 0x10000000;
inline constexpr std::uint32_t flashSize = 0x80000;      // 512 KB
inline constexpr std::uint32_t flashPageSize = 0x800;    // 2 KB
inline constexpr std::uint32_t sramBase = 0x20000000;
inline constexpr std::uint32_t sramNsAlias = 0x30000000;
inline constexpr std::uint32_t sramSize = 0x18000;       // 96 KB
inline constexpr std::uint32_t sramStep = 0x2000;        // 8 KB

inline constexpr int flashPositions = static_cast<int>(flashSize / flashPageSize);  // 256
inline constexpr int sramPositions = static_cast<int>(sramSize / sramStep);         // 12
inline constexpr std::uint32_t flashNsEnd = flashNsAlias + flashSize;  // exclusive
inline constexpr std::uint32_t sramNsEnd = sramNsAlias + sramSize;     // exclusive

}  // namespace velmora::ChipMemoryMap
