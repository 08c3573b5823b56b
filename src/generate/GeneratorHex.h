#pragma once
// The generator's reading of a numeric cell, the way a signed long conversion in
// base 16 with a 32-bit long reads it. It differs from validation's ParseHexCell
// at the edges: leading white space and a sign are accepted, and values saturate
// instead of wrapping.

#include <cstdint>
#include <string>

namespace velmora {

// Leading white space, an optional sign, an optional "0x"/"0X" and hexadecimal digits
// up to the first other character. Returns the value as an unsigned 32-bit word:
// 0 when there are no digits, 0x7FFFFFFF for anything above it, 0x80000000 for
// anything below -0x80000000, and a negative value in two's complement.
std::uint32_t ReadGeneratorHex(const std::wstring& text);

}  // namespace velmora
