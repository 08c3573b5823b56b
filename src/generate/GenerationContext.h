#pragma once
// What one "Create Template" computes before the projects and keeps until it
// ends: the resolved folders, rpath, and the summary of the secure projects.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "model/PartitionConfig.h"

namespace velmora {

struct GenerationContext {
    std::wstring outputFolder;
    std::wstring bspPath;
    std::wstring rpath;
    std::uint32_t allNscBase = 0xFFFFFFFF;     // lowest NSC base of the secure projects
    std::uint32_t allNscSize = 0;              // their NSC sizes summed, modulo 2^32
    std::vector<std::wstring> secureProjects;  // names, in row order
    // Secure projects with an NSC size, appended as each is generated.
    std::vector<std::wstring> nscLibraries;
    // The projects this run has generated so far, each with whether it is secure.
    std::map<std::wstring, bool> generated;
};

// State texts compared exactly: "S" secure, "NS" non-secure (validation allows no other).
bool IsSecureProject(const ProjectEntry& project);
bool IsNonSecureProject(const ProjectEntry& project);

// Fills allNscBase, allNscSize and secureProjects from the secure rows; empties
// nscLibraries and generated.
void SummariseSecureProjects(const ProjectTable& projects, GenerationContext& context);

struct NextBoot {
    std::uint32_t address = 0xFFFFFFFF;
    std::uint32_t nonSecure = 0;
};

// The row that the project's Next Boot names: the first from the top with that
// name; -1 for an empty Next Boot or a name that no row has.
int NextBootRow(const ProjectEntry& project, const ProjectTable& projects);

// An empty Next Boot gives 0xFFFFFFFF and 0; otherwise the RO base of the first row
// with that name and 1 when that row is not secure. A name that no row has (which
// validation rules out) reads like an empty one.
NextBoot NextBootOf(const ProjectEntry& project, const ProjectTable& projects);

}  // namespace velmora
