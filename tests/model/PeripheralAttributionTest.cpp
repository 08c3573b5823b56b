#include <gtest/gtest.h>

#include "model/PeripheralAttribution.h"

namespace velmora {
namespace {

int IndexOf(const PeripheralTable& table, const std::wstring& name) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].name == name) return static_cast<int>(i);
    }
    ADD_FAILURE() << "no peripheral named this";
    return -1;
}

PeripheralTable FreshTable() {
    PeripheralTable table = BuildPeripheralTable();
    for (PeripheralEntry& p : table) p.state = IsAlwaysSecure(p.name) ? 0 : 1;
    return table;
}

PeripheralTable AllSecure() { return BuildPeripheralTable(); }

int CommandOf(const PeripheralTable& table, const std::wstring& name) {
    return kPeripheralCommandFirst + IndexOf(table, name);
}

TEST(PeripheralTable, AlwaysSecureNamesAreExactlyTheRowsWithoutSecurityBit) {
    const PeripheralTable table = BuildPeripheralTable();
    ASSERT_EQ(table.size(), 60u);
    std::vector<std::wstring> withoutBit;
    for (const PeripheralEntry& p : table) {
        if (p.nsSetCode == -1) withoutBit.push_back(p.name);
    }
    EXPECT_EQ(withoutBit, AlwaysSecurePeripherals());
    EXPECT_TRUE(IsAlwaysSecure(L"WDT"));
    EXPECT_FALSE(IsAlwaysSecure(L"wdt"));
    EXPECT_FALSE(IsAlwaysSecure(L"WDT "));
}

TEST(PeripheralTable, SpotChecksOfTheCodes) {
    const PeripheralTable table = BuildPeripheralTable();
    EXPECT_EQ(table[0].name, L"CRPT");
    EXPECT_EQ(table[59].name, L"GPH");
    EXPECT_EQ(table[59].nsSetCode, 0x10000007);
    EXPECT_EQ(table[59].intNsSetCode, 0x20018);
    EXPECT_EQ(table[9].intNsSetCode, -1);  // EBI has no interrupt bit
    EXPECT_EQ(table[6].nsSetCode, table[7].nsSetCode);  // Timer2 / Timer3 share
}

TEST(SecurityWords, FreshConfigurationSetsEveryOwnedBit) {
    const SecurityWords w = ComputeSecurityWords(FreshTable());
    const std::array<std::uint32_t, 7> pnsset{0x1012200, 0x60000, 0xF0221AA, 0x3F001F,
                                              0x70007,   0x2330001, 0x30001};
    const std::array<std::uint32_t, 4> intnsset{0x11FF0040, 0x5DFB16F4, 0x1F0FD99, 0x24};
    EXPECT_EQ(w.pnsset, pnsset);
    EXPECT_EQ(w.ionsset, 0xFFu);
    EXPECT_EQ(w.intnsset, intnsset);
}

TEST(SecurityWords, AllSecureGivesZeroWords) {
    const SecurityWords w = ComputeSecurityWords(AllSecure());
    EXPECT_EQ(w.pnsset, (std::array<std::uint32_t, 7>{}));
    EXPECT_EQ(w.ionsset, 0u);
    EXPECT_EQ(w.intnsset, (std::array<std::uint32_t, 4>{}));
}

TEST(SecurityWords, OnlyUart0NonSecure) {
    PeripheralTable table = AllSecure();
    table[static_cast<std::size_t>(IndexOf(table, L"UART0"))].state = 1;
    const SecurityWords w = ComputeSecurityWords(table);
    for (std::size_t r = 0; r < 7; ++r) EXPECT_EQ(w.pnsset[r], r == 3 ? 0x10000u : 0u);
    for (std::size_t r = 0; r < 4; ++r) EXPECT_EQ(w.intnsset[r], r == 1 ? 0x10u : 0u);
    EXPECT_EQ(w.ionsset, 0u);
}

TEST(SecurityWords, SharedBitsAreTheOrOfTheirOwners) {
    PeripheralTable table = AllSecure();
    table[static_cast<std::size_t>(IndexOf(table, L"I2C2"))].state = 1;
    table[static_cast<std::size_t>(IndexOf(table, L"Timer2"))].state = 1;
    const SecurityWords w = ComputeSecurityWords(table);
    EXPECT_EQ(w.intnsset[2], (1u << 8));      // I2C2 non-secure, GPG secure
    EXPECT_EQ(w.pnsset[2], (1u << 17));       // Timer2 alone sets the shared bit
    EXPECT_EQ(w.intnsset[1], (1u << 2));      // Timer2's own interrupt bit
}

TEST(SecurityWords, AlwaysSecureRowLoadedNonSecureSetsNoBit) {
    PeripheralTable table = AllSecure();
    table[static_cast<std::size_t>(IndexOf(table, L"WDT"))].state = 1;
    const SecurityWords w = ComputeSecurityWords(table);
    EXPECT_EQ(w.pnsset, (std::array<std::uint32_t, 7>{}));
    EXPECT_EQ(w.intnsset, (std::array<std::uint32_t, 4>{}));
    EXPECT_TRUE(TogglePeripheral(table, CommandOf(table, L"WDT")).empty());
    EXPECT_EQ(table[static_cast<std::size_t>(IndexOf(table, L"WDT"))].state, 1);
}

bool operator==(const SecurityWords& a, const SecurityWords& b) {
    return a.pnsset == b.pnsset && a.ionsset == b.ionsset && a.intnsset == b.intnsset;
}

// A hand-edited file may hold any number; the button shows every non-zero state as
// non-secure, so the words must too, without touching a neighbour's bit.
TEST(SecurityWords, AnyNonZeroStateSetsOnlyThePeripheralsOwnBits) {
    // SPI4 owns interrupt bit 30, GPH a GPIO bit, Timer3 the shared Timer bit.
    for (const wchar_t* name : {L"SPI4", L"GPH", L"Timer3", L"UART0"}) {
        PeripheralTable nonSecure = AllSecure();
        nonSecure[static_cast<std::size_t>(IndexOf(nonSecure, name))].state = 1;
        const SecurityWords expected = ComputeSecurityWords(nonSecure);
        for (std::int32_t state : {2, 3, -1, 0x7FFFFFFF, -0x7FFFFFFF - 1}) {
            PeripheralTable table = AllSecure();
            table[static_cast<std::size_t>(IndexOf(table, name))].state = state;
            EXPECT_TRUE(ComputeSecurityWords(table) == expected)
                << ::testing::PrintToString(std::wstring(name)) << " state " << state;
        }
    }
}

TEST(TogglePeripheral, TimersMoveTogether) {
    PeripheralTable table = FreshTable();
    const int timer2 = IndexOf(table, L"Timer2");
    const int timer3 = IndexOf(table, L"Timer3");
    EXPECT_EQ(TogglePeripheral(table, kPeripheralCommandFirst + timer2),
              (std::vector<int>{timer2, timer3}));
    EXPECT_EQ(table[6].state, 0);
    EXPECT_EQ(table[7].state, 0);
    EXPECT_EQ(ComputeSecurityWords(table).pnsset[2] & (1u << 17), 0u);

    EXPECT_EQ(TogglePeripheral(table, kPeripheralCommandFirst + timer3),
              (std::vector<int>{timer3, timer2}));
    EXPECT_EQ(table[6].state, 1);
    EXPECT_EQ(table[7].state, 1);
}

TEST(TogglePeripheral, DivergentTimersAgreeAfterOneClick) {
    PeripheralTable table = AllSecure();
    table[6].state = 1;  // Timer2 non-secure, Timer3 secure, as a file may give
    EXPECT_NE(ComputeSecurityWords(table).pnsset[2] & (1u << 17), 0u);
    TogglePeripheral(table, kPeripheralCommandFirst + 7);
    EXPECT_EQ(table[6].state, table[7].state);
    EXPECT_EQ(table[7].state, 1);
}

TEST(TogglePeripheral, OrdinaryAndOutOfRangeCommands) {
    PeripheralTable table = FreshTable();
    const int uart0 = IndexOf(table, L"UART0");
    EXPECT_EQ(TogglePeripheral(table, kPeripheralCommandFirst + uart0), (std::vector<int>{uart0}));
    EXPECT_EQ(table[static_cast<std::size_t>(uart0)].state, 0);
    const PeripheralTable before = table;
    EXPECT_TRUE(TogglePeripheral(table, kPeripheralCommandFirst + 60).empty());
    EXPECT_TRUE(TogglePeripheral(table, kPeripheralCommandLast).empty());
    EXPECT_TRUE(TogglePeripheral(table, kPeripheralCommandFirst + IndexOf(table, L"CLK")).empty());
    for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table[i].state, before[i].state);
}

}  // namespace
}  // namespace velmora
