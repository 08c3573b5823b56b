#pragma once
// printf-style formatting into wide text, with the system's literal formats.

#include <string>

namespace velmora {

// swprintf with a buffer that grows as needed; never truncates.
// Wide-string arguments take %ls, never %s: C libraries disagree on what %s
// means in a wide format (a narrow string in glibc, a wide one in msvcrt).
std::wstring Format(const wchar_t* format, ...);

}  // namespace velmora
