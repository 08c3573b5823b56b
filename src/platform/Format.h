#pragma once
// printf-style formatting into wide text, with the system's literal formats.

#include <string>

namespace velmora {

// swprintf with a buffer that grows as needed; never truncates.
std::wstring Format(const wchar_t* format, ...);

}  // namespace velmora
