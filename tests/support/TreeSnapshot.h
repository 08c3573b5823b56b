#pragma once
// Everything below a folder as it is, links not followed: for each entry its kind
// and content (a file's bytes, a link's target), so a test can tell that nothing
// there changed.

#include <filesystem>
#include <map>
#include <string>

namespace velmora::test {

// Relative path -> "file:" + bytes, "dir", "link:" + target or "other".
using TreeSnapshot = std::map<std::string, std::string>;

TreeSnapshot SnapshotTree(const std::filesystem::path& root);

}  // namespace velmora::test
