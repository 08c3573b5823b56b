#include "generate/GenerationContext.h"

#include "generate/GeneratorHex.h"

namespace velmora {

bool IsSecureProject(const ProjectEntry& project) { return project.stateText == L"S"; }

bool IsNonSecureProject(const ProjectEntry& project) { return project.stateText == L"NS"; }

void SummariseSecureProjects(const ProjectTable& projects, GenerationContext& context) {
    context.allNscBase = 0xFFFFFFFF;
    context.allNscSize = 0;
    context.secureProjects.clear();
    context.nscLibraries.clear();
    context.generated.clear();
    for (const ProjectEntry& project : projects.rows) {
        if (!IsSecureProject(project)) continue;
        const std::uint32_t nscBase = ReadGeneratorHex(project.nscBase);
        if (nscBase < context.allNscBase) context.allNscBase = nscBase;
        context.allNscSize += ReadGeneratorHex(project.nscSize);
        context.secureProjects.push_back(project.name);
    }
}

int NextBootRow(const ProjectEntry& project, const ProjectTable& projects) {
    if (project.nextBoot.empty()) return -1;
    for (int row = 0; row < projects.size(); ++row) {
        if (projects.rows[static_cast<std::size_t>(row)].name == project.nextBoot) return row;
    }
    return -1;
}

NextBoot NextBootOf(const ProjectEntry& project, const ProjectTable& projects) {
    NextBoot next;
    const int row = NextBootRow(project, projects);
    if (row < 0) return next;
    const ProjectEntry& candidate = projects.rows[static_cast<std::size_t>(row)];
    next.address = ReadGeneratorHex(candidate.roBase);
    next.nonSecure = IsSecureProject(candidate) ? 0 : 1;
    return next;
}

}  // namespace velmora
