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

}  // namespace velmora
