#pragma once
// The board-support package folder rule.

#include <array>
#include <string>

#include "validate/PathQuery.h"
#include "validate/ValidationSnapshot.h"

namespace velmora {

// The three folders the BSP must hold, in the order they are tested: each is the BSP
// path text with "\Library\..." appended verbatim (the platform's separator in place
// of each backslash, and nothing added or removed at the join).
std::array<std::wstring, 3> RequiredBspPaths(const std::wstring& bspPath);

// " Worng BSP path" when the BSP path does not exist; otherwise the message of the
// first missing required folder; nothing when all exist.
ValidationError CheckBspFolder(const std::wstring& bspPath, const PathQuery& pathExists);

}  // namespace velmora
