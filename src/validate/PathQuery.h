#pragma once
// How validation asks the file system about paths, so that tests can answer it
// themselves: whether a path exists, and where a path really leads.

#include <functional>
#include <string>

namespace velmora {

// True when a file or a folder exists at the path text.
using PathQuery = std::function<bool(const std::wstring& path)>;

// The real file system: true for an existing file or folder; false for the empty
// text and for anything that cannot be looked at.
PathQuery FileSystemPathQuery();

// The path text in the form in which two paths compare equal exactly when they name
// the same place: absolute, every symbolic link and "." or ".." step resolved, no
// separator at the end.
using PathResolver = std::function<std::wstring(const std::wstring& path)>;

// The real file system. The part of a path that does not exist yet is taken as
// written (a folder to be created resolves to where it will be). On Windows, whose
// file names ignore case, the result is in lower case. A path that cannot be
// resolved (a loop of links) comes back made absolute and normalised as text.
PathResolver FileSystemPathResolver();

// True when path is folder or lies inside it; both in resolved form.
bool IsSameOrInside(const std::wstring& path, const std::wstring& folder);

}  // namespace velmora
