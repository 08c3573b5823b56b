#pragma once
// The placement stage: each region of a row in its own world (secure flash below
// the flash boundary, or the non-secure flash view above it), RW bases in the
// matching SRAM, region starts and ends on flash pages, and the XOM regions the
// row owns (its XOMk cell is Owned) placed likewise.

#include "validate/ValidationSnapshot.h"

namespace velmora {

// Tests the rows in table order; returns the first failing test's message, which
// mostly is the row's name (or "XOM%d") followed by a text that starts with a
// blank. Nothing when every row is placed well. A row whose State is neither "S"
// nor "NS" fails here.
ValidationError CheckPlacements(const ValidationSnapshot& snapshot);

}  // namespace velmora
