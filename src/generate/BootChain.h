#pragma once
// The images a project's boot reaches after it, for the debug set-ups that load
// every image a session runs through.

#include <string>
#include <vector>

#include "model/PartitionConfig.h"

namespace velmora {

struct BootImage {
    std::wstring name;
    bool nonSecure = false;
};

// The project's next boot, that image's next boot, and so on, each the first row
// with that name (as NextBootOf finds it). The chain ends at an empty Next Boot,
// at a name no row has, before an image already in it (the project included), and
// after a non-secure image whose next boot is secure, which it cannot start.
std::vector<BootImage> BootChainAfter(const ProjectEntry& project, const ProjectTable& projects);

}  // namespace velmora
