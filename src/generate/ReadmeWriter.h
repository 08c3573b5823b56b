#pragma once
// README.md of the output folder: what was generated, how to build each flavour,
// the build order, the boot chain, what the user must supply, and a link to
// MemoryMap.html. The facts that change with the tool chains sit in two tables
// here, so that adding a flavour or correcting a fact is one entry.

#include <string>
#include <vector>

#include "generate/MemoryMap.h"

namespace velmora {

// One way to build the generated tree. %P in a pattern stands for a project name.
struct BuildFlavour {
    const wchar_t* name;           // "Keil MDK"
    const wchar_t* topFiles;       // in the output folder: "TrustZone.uvmpw"
    const wchar_t* projectFile;    // per project, "%P/KEIL/%P.uvprojx"; empty when none
    const wchar_t* importLibrary;  // a secure project's import library, "%P/nsclib/%P_CMSE_Lib.o"
    const wchar_t* build;          // how to build the whole tree, in Markdown
};

// Keil MDK, IAR EWARM and GCC with CMake, in that order.
const std::vector<BuildFlavour>& BuildFlavours();

// What a generated project of one tool chain leaves to the user.
struct UserSupply {
    const wchar_t* toolChain;  // "Keil MDK"
    const wchar_t* leftOff;    // what the generated projects leave off
    const wchar_t* supply;     // what the user brings
    const wchar_t* where;      // where it is set, in Markdown
};

const std::vector<UserSupply>& UserSupplies();

struct ReadmeFacts {
    std::wstring bspPath;  // as generation used it
    std::wstring rpath;    // how the tool-chain folders refer to it
};

// The README of a tree generated from map's configuration, UTF-8 encoded. Lists
// the projects whose State is "S" or "NS" (the ones generation writes), secure
// ones first. Every name is escaped for Markdown.
std::string GeneratedReadme(const MemoryMap& map, const ReadmeFacts& facts);

}  // namespace velmora
