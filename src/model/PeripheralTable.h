#pragma once
// The 60 peripherals of the V6048 with the places of their security bits.

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

struct PeripheralEntry {
    std::wstring name;
    std::int32_t state = 0;          // 0 secure, any other value non-secure
    std::int32_t nsSetCode = -1;     // -1 always secure; 0x10000000|n GPIO port n; (r<<16)|b pnsset r bit b
    std::int32_t intNsSetCode = -1;  // -1 none; (r<<16)|b intnsset r bit b
};

using PeripheralTable = std::vector<PeripheralEntry>;

inline constexpr int kPeripheralCount = 60;
inline constexpr std::int32_t kNoSecurityBit = -1;
inline constexpr std::int32_t kGpioPortFlag = 0x10000000;

// The 60 rows in table order, every state 0 (states come from the configuration).
PeripheralTable BuildPeripheralTable();

// The eight names whose peripheral can never be made non-secure.
const std::vector<std::wstring>& AlwaysSecurePeripherals();

// True when name equals one of AlwaysSecurePeripherals() exactly (case-sensitive).
bool IsAlwaysSecure(const std::wstring& name);

}  // namespace velmora
