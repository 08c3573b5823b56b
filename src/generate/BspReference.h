#pragma once
// rpath: how a project's tool-chain folder (output\project\KEIL or \IAR, two
// levels below the output folder) refers to the BSP.

#include <optional>
#include <string>

namespace velmora {

// When the output folder is the BSP folder or lies inside it (the BSP path is a
// leading prefix that ends at a separator), "..\" once per folder level of the
// output below the BSP, plus two. Otherwise, for a BSP path longer than one
// character, fullBspPath (the BSP path made absolute) and the platform's separator:
// a relative BSP path would be read from the tool-chain folder, where it names
// nothing. Returns nullopt when the BSP path is too short to use and has to be picked.
std::optional<std::wstring> RelativeBspPath(const std::wstring& outputFolder,
                                            const std::wstring& bspPath,
                                            const std::wstring& fullBspPath);

// The BSP path and the platform's separator (the form for a picked BSP folder).
std::wstring AbsoluteBspReference(const std::wstring& bspPath);

}  // namespace velmora
