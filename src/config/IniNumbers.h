#pragma once
// The two number readers of the INI store. Both are total: any text gives a number.

#include <cstdint>
#include <string>

namespace velmora {

// GetHex's rule. Text starting with "0x" (lower-case x only): the rest is read like
// the C "%x" input conversion: blanks skipped, an optional sign, an optional second
// "0x"/"0X", then hex digits of either case, taken modulo 2^32 (0x123456789 reads
// as 0x23456789); a '-' negates modulo 2^32. Any other text is read as a decimal integer
// (see ParseIniDecimal), reinterpreted as unsigned. No digit at all gives 0.
std::uint32_t ParseIniHex(const std::wstring& text);

// atoi's rule: optional blanks (space, \t, \n, \v, \f, \r), an optional sign, then
// as many decimal digits as follow; 0 when there are none. Saturates at the limits
// of a 32-bit signed integer.
std::int32_t ParseIniDecimal(const std::wstring& text);

}  // namespace velmora
