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
    for (const ProjectEntry& project : projects.rows) {
        if (!IsSecureProject(project)) continue;
        const std::uint32_t nscBase = ReadGeneratorHex(project.nscBase);
        if (nscBase < context.allNscBase) context.allNscBase = nscBase;
        context.allNscSize += ReadGeneratorHex(project.nscSize);
        context.secureProjects.push_back(project.name);
    }
}

NextBoot NextBootOf(const ProjectEntry& project, const ProjectTable& projects) {
    NextBoot next;
    if (project.nextBoot.empty()) return next;
    for (const ProjectEntry& candidate : projects.rows) {
        if (candidate.name != project.nextBoot) continue;
        next.address = ReadGeneratorHex(candidate.roBase);
        next.nonSecure = IsSecureProject(candidate) ? 0 : 1;
        return next;
    }
    return next;
}

}  // namespace velmora
