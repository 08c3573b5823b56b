#pragma once
// Copies a template tree into a project folder by merging: missing folders are
// created, files of the same name are replaced, nothing else in the destination
// is touched. Every step writes one trace line to standard output.
//
// Only regular files and folders are copied: a symbolic link (on Windows a
// junction or other reparse point), a pipe, a device or a socket in the template
// is skipped with a "Skip entry" trace line, and so is a folder that leads back to
// one being copied (a bind mount). In the destination, below confinedTo (the
// destination itself when it is empty), no link is followed and no special file
// written: each file lands through a temporary file that replaces it once whole.

#include <string>

#include "generate/FailedOperations.h"
#include "generate/TemplateReads.h"

namespace velmora {

// source and destination are folder paths without a trailing separator. Returns 0
// when the source was enumerated, -1 when it could not be (the destination is
// created all the same). Folder creations and copies that fail, links and special
// files in the way, and skipped template entries are added to failures when it is
// given; the walk goes on. destination must lie below confinedTo when that is given.
// The template is read through reads when it is given.
int CopyDirectory(std::wstring source, std::wstring destination,
                  FailedOperations* failures = nullptr, const std::wstring& confinedTo = {},
                  TemplateReads* reads = nullptr);

}  // namespace velmora
