#include "model/PeripheralAttribution.h"

namespace velmora {
namespace {

// A state that is not 0 or 1 (a hand-edited file) counts as non-secure, as its
// button shows it; shifted as it stands, 2 would set the next peripheral's bit.
std::uint32_t BitValue(std::int32_t state) { return state != 0 ? 1u : 0u; }

void SetBit(std::uint32_t* words, std::size_t count, std::int32_t code, std::int32_t state) {
    const auto word = static_cast<std::size_t>(code >> 16) & 0xFFF;
    if (word >= count) return;
    words[word] |= BitValue(state) << (code & 0x1F);
}

}  // namespace

std::vector<int> TogglePeripheral(PeripheralTable& table, int commandId) {
    const int row = commandId - kPeripheralCommandFirst;
    if (row < 0 || row >= static_cast<int>(table.size())) return {};
    PeripheralEntry& clicked = table[static_cast<std::size_t>(row)];
    if (IsAlwaysSecure(clicked.name)) return {};
    clicked.state = clicked.state != 0 ? 0 : 1;
    std::vector<int> changed{row};
    // Timer2 and Timer3 share one security bit, so they always move together.
    int partner = -1;
    if (clicked.name == L"Timer2") partner = row + 1;
    if (clicked.name == L"Timer3") partner = row - 1;
    if (partner >= 0 && partner < static_cast<int>(table.size())) {
        table[static_cast<std::size_t>(partner)].state = clicked.state;
        changed.push_back(partner);
    }
    return changed;
}

SecurityWords ComputeSecurityWords(const PeripheralTable& table) {
    SecurityWords words;
    for (const PeripheralEntry& p : table) {
        if (p.nsSetCode != kNoSecurityBit) {
            if (p.nsSetCode & kGpioPortFlag) {
                words.ionsset |= BitValue(p.state) << (p.nsSetCode & 0x1F);
            } else {
                SetBit(words.pnsset.data(), words.pnsset.size(), p.nsSetCode, p.state);
            }
        }
        if (p.intNsSetCode != kNoSecurityBit) {
            SetBit(words.intnsset.data(), words.intnsset.size(), p.intNsSetCode, p.state);
        }
    }
    return words;
}

}  // namespace velmora
