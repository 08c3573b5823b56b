#pragma once
// Whether a file that an earlier generation left in the output folder looks whole.
// A kill or a full disk during a write of an older version could leave it empty or
// cut short; such a file is not kept and edited as the project's own, but replaced
// from the template like a missing one.

#include <string>

namespace velmora {

// Keil and IAR project and workspace files (.uvprojx, .uvoptx, .uvmpw, .eww, .ewd,
// .ewp): the text ends with the end tag of its root element (or the root is an
// empty-element tag ending the text). JSON files (CMakePresets.json): one object
// or array whose brackets close at the end of the text. CMake files
// (CMakeLists.txt, .cmake): not empty, and every parenthesis outside comments,
// quoted and bracket arguments closed. Any other file: it is not empty.
bool LooksWhole(const std::wstring& fileName, const std::string& bytes);

// The XML, JSON and CMake rules of LooksWhole alone.
bool EndsAsWholeXml(const std::string& bytes);
bool EndsAsWholeJson(const std::string& bytes);
bool BalancesAsCMake(const std::string& bytes);

}  // namespace velmora
