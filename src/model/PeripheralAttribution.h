#pragma once
// Flipping a peripheral between the worlds, and the register words it implies.

#include <array>
#include <cstdint>
#include <vector>

#include "model/PeripheralTable.h"

namespace velmora {

inline constexpr int kPeripheralCommandFirst = 2000;
inline constexpr int kPeripheralCommandLast = 2100;

struct SecurityWords {
    std::array<std::uint32_t, 7> pnsset{};
    std::uint32_t ionsset = 0;
    std::array<std::uint32_t, 4> intnsset{};
};

// The click on button commandId (2000 + row). Always-secure rows stay; Timer2 and
// Timer3 always take the same new state. Returns the rows whose state was set.
std::vector<int> TogglePeripheral(PeripheralTable& table, int commandId);

// A bit is set exactly when a peripheral that owns it is non-secure, that is, its
// state is not 0 (shared bits OR).
SecurityWords ComputeSecurityWords(const PeripheralTable& table);

}  // namespace velmora
