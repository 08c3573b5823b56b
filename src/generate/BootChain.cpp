#include "generate/BootChain.h"

#include <algorithm>

#include "generate/GenerationContext.h"

namespace velmora {
namespace {

const ProjectEntry* RowNamed(const std::wstring& name, const ProjectTable& projects) {
    for (const ProjectEntry& row : projects.rows) {
        if (row.name == name) return &row;
    }
    return nullptr;
}

bool Holds(const std::vector<BootImage>& chain, const std::wstring& name) {
    return std::any_of(chain.begin(), chain.end(),
                       [&](const BootImage& image) { return image.name == name; });
}

}  // namespace

std::vector<BootImage> BootChainAfter(const ProjectEntry& project, const ProjectTable& projects) {
    std::vector<BootImage> chain;
    const ProjectEntry* current = &project;
    while (!current->nextBoot.empty()) {
        const ProjectEntry* next = RowNamed(current->nextBoot, projects);
        if (next == nullptr || next->name == project.name || Holds(chain, next->name)) break;
        const bool nonSecure = !IsSecureProject(*next);
        if (!IsSecureProject(*current) && !nonSecure) break;
        chain.push_back({next->name, nonSecure});
        current = next;
    }
    return chain;
}

}  // namespace velmora
