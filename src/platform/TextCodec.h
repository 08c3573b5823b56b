#pragma once
// The one place where wide text meets the narrow world (files, scripts, console).
//
// After UseUserLocale() the narrow side is the user's default code page; where that
// locale is C or POSIX (or already UTF-8) it is UTF-8. Both directions are lossless
// for bytes: a byte that is not valid in the code page becomes U+DC80+byte on the
// wide side and turns back into the same byte on the way out. A character that the
// code page cannot represent is written as '?', and the rest of the text follows.

#include <string>

namespace velmora {

// Switches the process to the user's default locale (setlocale(LC_ALL, "")).
void UseUserLocale();

// True when narrow text is handled as UTF-8 (C/POSIX or a UTF-8 locale).
bool NarrowIsUtf8();

std::wstring ToWide(const std::string& narrow);
std::string ToNarrow(const std::wstring& wide);

// UTF-8 in both directions, whatever the locale (for tests and fixed-encoding files).
std::wstring Utf8ToWide(const std::string& utf8);
std::string WideToUtf8(const std::wstring& wide);

}  // namespace velmora
