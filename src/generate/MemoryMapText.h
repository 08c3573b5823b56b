#pragma once
// The map as plain text, for a terminal: the verdict, both memories with their
// parts, a table of the regions per project, the XOM regions and their owners,
// the SAU regions, the boot chain, the peripherals by world and the problems.

#include <string>

#include "generate/MemoryMap.h"

namespace velmora {

// Lines end in "\n". Names appear as typed.
std::wstring MemoryMapText(const MemoryMap& map);

}  // namespace velmora
