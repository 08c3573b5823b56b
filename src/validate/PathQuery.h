#pragma once
// How validation asks whether a path exists, so that tests can answer it themselves.

#include <functional>
#include <string>

namespace velmora {

// True when a file or a folder exists at the path text.
using PathQuery = std::function<bool(const std::wstring& path)>;

// The real file system: true for an existing file or folder; false for the empty
// text and for anything that cannot be looked at.
PathQuery FileSystemPathQuery();

}  // namespace velmora
