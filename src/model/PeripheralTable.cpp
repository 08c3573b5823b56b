#include "model/PeripheralTable.h"

#include <algorithm>

namespace velmora {
namespace {

struct PeripheralDefinition {
    const wchar_t* name;
    std::int32_t nsSetCode;
    std::int32_t intNsSetCode;
};

// Security bit: (register << 16) | bit of pnsset, or 0x10000000 | port of ionsset.
// Interrupt bit: (register << 16) | bit of intnsset. -1: none.
constexpr PeripheralDefinition kPeripherals[kPeripheralCount] = {
    {L"CRPT", 0x10012, 0x20007},      {L"TRNG", 0x50019, 0x30005},
    {L"PDMA0", -1, -1},               {L"PDMA1", 0x18, 0x30002},
    {L"Timer0", -1, -1},              {L"Timer1", -1, -1},
    {L"Timer2", 0x20011, 0x10002},    {L"Timer3", 0x20011, 0x20003},
    {L"CAN", 0x50000, 0x10018},       {L"EBI", 0x10, -1},
    {L"SC0", 0x40010, 0x1001A},       {L"SC1", 0x40011, 0x1001B},
    {L"SC2", 0x40012, 0x1001C},       {L"QEI0", 0x50010, 0x20014},
    {L"QEI1", 0x50011, 0x20015},      {L"CRC", 0x10011, -1},
    {L"I2C0", 0x40000, 0x10006},      {L"I2C1", 0x40001, 0x10007},
    {L"I2C2", 0x40002, 0x20008},      {L"USCI0", 0x60010, 0x2000C},
    {L"USCI1", 0x60011, 0x2000D},     {L"ECAP0", 0x50014, 0x20016},
    {L"ECAP1", 0x50015, 0x20017},     {L"UART0", 0x30010, 0x10004},
    {L"UART1", 0x30011, 0x10005},     {L"UART2", 0x30012, 0x10010},
    {L"UART3", 0x30013, 0x10011},     {L"UART4", 0x30014, 0x2000A},
    {L"UART5", 0x30015, 0x2000B},     {L"SPI0", 0x30000, 0x16},
    {L"SPI1", 0x30001, 0x17},         {L"SPI2", 0x30002, 0x10013},
    {L"SPI3", 0x30003, 0x10014},      {L"SPI4", 0x30004, 0x1001E},
    {L"BPWM0", 0x2001A, 0x2000E},     {L"BPWM1", 0x2001B, 0x2000F},
    {L"EPWM0", 0x20018, 0x18},        {L"EPWM1", 0x20019, 0x1C},
    {L"ACMP01", 0x20005, 0x1000C},    {L"EADC", 0x20003, 0x1000A},
    {L"DAC", 0x20007, 0x10009},       {L"RTC", 0x20001, 0x6},
    {L"SDH0", 0xD, 0x20000},          {L"USBH", 0x9, 0x10016},
    {L"I2S0", 0x20008, 0x20004},      {L"OTG", 0x2000D, 0x10017},
    {L"USBD", 0x60000, 0x10015},      {L"WDT", -1, -1},
    {L"WWDT", -1, -1},                {L"FMC", -1, -1},
    {L"SYS", -1, -1},                 {L"CLK", -1, -1},
    {L"GPA", 0x10000000, 0x10},       {L"GPB", 0x10000001, 0x11},
    {L"GPC", 0x10000002, 0x12},       {L"GPD", 0x10000003, 0x13},
    {L"GPE", 0x10000004, 0x14},       {L"GPF", 0x10000005, 0x15},
    {L"GPG", 0x10000006, 0x20008},    {L"GPH", 0x10000007, 0x20018},
};

}  // namespace

PeripheralTable BuildPeripheralTable() {
    PeripheralTable table;
    table.reserve(kPeripheralCount);
    for (const PeripheralDefinition& d : kPeripherals) {
        table.push_back({d.name, 0, d.nsSetCode, d.intNsSetCode});
    }
    return table;
}

const std::vector<std::wstring>& AlwaysSecurePeripherals() {
    static const std::vector<std::wstring> names{L"PDMA0", L"Timer0", L"Timer1", L"WDT",
                                                 L"WWDT",  L"FMC",    L"SYS",    L"CLK"};
    return names;
}

bool IsAlwaysSecure(const std::wstring& name) {
    const auto& names = AlwaysSecurePeripherals();
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace velmora
