#pragma once
// Standard output and error in the narrow code page.

#include <string>

namespace velmora {

void WriteStdout(const std::wstring& text);
void WriteStderr(const std::wstring& text);

}  // namespace velmora
