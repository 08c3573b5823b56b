#pragma once
// The rules on project names and Next Boot references. Each returns the message
// of the first row that breaks it, or nothing.

#include "validate/ValidationSnapshot.h"

namespace velmora {

// Two rows with the same name (whole text, case-sensitive):
// "[%s] project name cannot be the same." with the earlier row's name.
ValidationError CheckUniqueNames(const ValidationSnapshot& snapshot);

// An empty name, or one that does not start with '_' or an ASCII letter.
ValidationError CheckNameStarts(const ValidationSnapshot& snapshot);

// A Next Boot text that names no other row (naming itself fails too).
ValidationError CheckNextBoots(const ValidationSnapshot& snapshot);

// A name with any byte, in the narrow code page, outside a-z, A-Z, 0-9 and '_'.
// Names of any length are judged whole.
ValidationError CheckNameCharacters(const ValidationSnapshot& snapshot);

// Checks after the fourteen stages, for the tree being meant for Windows.

// Two names that differ only in letter case (App and APP), which Windows would give
// one folder: "[%s] and [%s] project names differ only in case; ..." with the first
// such pair in table order (the earlier row first).
ValidationError CheckNamesDifferBeyondCase(const ValidationSnapshot& snapshot);

// A name that Windows keeps for a device: the project's folder P and its files
// P.uvprojx, P.ewp, ... could not be made. (main_P.c and the other files named
// after P never are device names.)
ValidationError CheckDeviceNames(const ValidationSnapshot& snapshot);

// True when Windows reserves the file name for a device: CON, PRN, AUX, NUL,
// COM1..COM9 or LPT1..LPT9, in any case, alone or before an extension (con.txt),
// also with blanks before the extension.
bool IsWindowsDeviceName(const std::wstring& fileName);

}  // namespace velmora
