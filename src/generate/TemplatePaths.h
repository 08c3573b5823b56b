#pragma once
// The paths of one generation, from the fixed formats with the platform's
// separator: template sources relative to the working folder, and the output tree
// (O the output folder, P a project name, k a XOM index).

#include <string>
#include <vector>

namespace velmora {

// A relative path written with backslashes (".\ZQD\Secure"), in the platform's form.
std::wstring TemplateSource(const std::wstring& relative);

std::wstring ProjectFolder(const std::wstring& o, const std::wstring& p);  // O\P
std::wstring MainFile(const std::wstring& o, const std::wstring& p);       // O\P\main_P.c
std::wstring ScatterFile(const std::wstring& o, const std::wstring& p);    // O\P\KEIL\secure.sct
std::wstring PartitionHeader(const std::wstring& o);                       // O\partition_V6048.h
std::wstring WorkspaceFile(const std::wstring& o, const std::wstring& fileName);  // O\fileName

// The files of the output folder that tie the projects together, copied from ZQD when
// missing or damaged: the two workspaces, and the CMake list, presets and tool-chain
// file of the GCC build.
const std::vector<std::wstring>& WorkspaceFileNames();
// O\P\xomK_func.c or .h, for extension L"c" or L"h".
std::wstring XomFunctionFile(const std::wstring& o, const std::wstring& p, int k,
                             const std::wstring& extension);

struct FileMove {
    std::wstring from;
    std::wstring to;
};

// The five tool-chain files of a template named templateName ("Secure",
// "Nonsecure") moved to the project's names, the template's GCC\CMakeLists.txt.in to
// GCC\CMakeLists.txt (the name CMake needs, so it cannot be the template's own, which
// every copy would replace), then its main file (mainFileName, "main.c" or
// "main_ns.c"); the main file's move comes last.
std::vector<FileMove> ProjectFileMoves(const std::wstring& o, const std::wstring& p,
                                       const std::wstring& templateName,
                                       const std::wstring& mainFileName);

}  // namespace velmora
