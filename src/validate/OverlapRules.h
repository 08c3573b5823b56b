#pragma once
// The overlap stage: code regions against each other, against the NSC regions of
// "S" rows and against the XOM regions in use (those whose XOM table Project cell
// is not empty); NSC regions against XOM regions in use.

#include "validate/ValidationSnapshot.h"

namespace velmora {

// Visits every ordered pair of rows in table order and returns the first overlap's
// message, or nothing. Code regions are compared as plain numbers, whatever the State.
ValidationError CheckRegionOverlaps(const ValidationSnapshot& snapshot);

}  // namespace velmora
