#pragma once
// The base-alignment rule of the project rows.

#include "validate/ValidationSnapshot.h"

namespace velmora {

// Per row, in order: an RO base not a multiple of 4, an RW base not a multiple of 8,
// an NSC base (rows with one) not a multiple of 4. Returns the first message, or nothing.
ValidationError CheckBaseAlignment(const ValidationSnapshot& snapshot);

}  // namespace velmora
