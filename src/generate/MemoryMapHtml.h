#pragma once
// MemoryMap.html: the map as one self-contained page, inline SVG and CSS, no
// script and nothing fetched. The SVG draws the flash and the SRAM to the pixel
// rule of MemoryMapLayout.h, with their secure, NSC and non-secure parts, every
// region of every project, the XOM regions, the SAU regions, the boot chain as
// arrows and the 60 peripherals by world; every name and bound is text in it.
// Tables of the same regions, the SAU regions, the boot chain and the problems
// follow the drawing.
//
// Shapes carry what they stand for, so that the page can be checked by reading it:
//   data-memory="flash|sram" on the outline of each memory (its full height);
//   data-kind="code|nsc|data|xom" and data-owner (the project's name) on regions,
//     with data-xom="k" on XOM regions and class "problem" where one is wrong;
//   data-kind="sau" data-sau="n" on SAU regions; data-kind="world" on the parts;
//   data-from / data-to (names) on the boot arrows; data-world on peripherals.

#include <string>

#include "generate/MemoryMap.h"

namespace velmora {

// The page, UTF-8 encoded. Every name is escaped.
std::string MemoryMapHtml(const MemoryMap& map);

}  // namespace velmora
