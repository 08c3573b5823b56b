#pragma once
// The minimum-size and size-alignment rules. Each returns the message of the
// first region that breaks it, or nothing.

#include "validate/ValidationSnapshot.h"

namespace velmora {

// A XOM Size below one flash page, taken as a signed 32-bit number, so sizes from
// 0x80000000 up fail. Every region is checked, used or not.
ValidationError CheckXomSizes(const ValidationSnapshot& snapshot);

// An RO SIZE below one page, or not a multiple of 4.
ValidationError CheckCodeSizes(const ValidationSnapshot& snapshot);

// For rows whose State is exactly "S": an NSC SIZE below one page, or not a multiple of 4.
ValidationError CheckNscSizes(const ValidationSnapshot& snapshot);

// An RO SIZE below 0x2000.
ValidationError CheckMinimumCodeRegions(const ValidationSnapshot& snapshot);

}  // namespace velmora
