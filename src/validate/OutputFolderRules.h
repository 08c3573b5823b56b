#pragma once
// Where the generated tree may go: a check after the fourteen stages.

#include "validate/PathQuery.h"
#include "validate/ValidationSnapshot.h"

namespace velmora {

// The output folder (Template Path) must not be the template tree ".\ZQD" or the
// BSP's Library folder, nor lie inside either: generating there would rewrite the
// templates or the BSP in place, and copying a template into itself never ends.
// Each project folder O\P is held to the same rule (a project named ZQD beside the
// template tree). Paths are compared in resolved form; an empty Template Path is
// not judged, as the folder is then picked at generation.
// Returns "Template path cannot be the template folder ZQD or lie inside it.",
// "Template path cannot be the BSP Library folder or lie inside it.", or the same
// two about "[%s] project folder"; nothing when the folders are apart.
ValidationError CheckOutputFolder(const ValidationSnapshot& snapshot, const PathResolver& resolve);

}  // namespace velmora
