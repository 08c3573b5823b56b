#pragma once
// Copies a template tree into a project folder by merging: missing folders are
// created, files of the same name are replaced, nothing else in the destination
// is touched. Every step writes one trace line to standard output.

#include <string>

#include "generate/FailedOperations.h"

namespace velmora {

// source and destination are folder paths without a trailing separator. Returns 0
// when the source was enumerated, -1 when it could not be (the destination is
// created all the same). Folder creations and copies that fail, and a source that
// cannot be enumerated, are added to failures when it is given; the walk goes on.
int CopyDirectory(std::wstring source, std::wstring destination,
                  FailedOperations* failures = nullptr);

}  // namespace velmora
