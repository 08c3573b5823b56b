#pragma once
// JSON text for the machine-readable outputs of velmora-cli.

#include <string>

namespace velmora::cli {

// text as a JSON string, quotes included, in plain ASCII whatever the console's code
// page: '"' and '\\' escaped, control characters as \b \f \n \r \t or \u00XX, every
// other character beyond ASCII as \uXXXX (a surrogate pair beyond U+FFFF). A lone
// surrogate, which no JSON reader can turn back into text, becomes \ufffd.
std::wstring JsonString(const std::wstring& text);

}  // namespace velmora::cli
