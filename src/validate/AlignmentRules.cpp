#include "validate/AlignmentRules.h"

#include <cstdint>

#include "platform/Format.h"

namespace velmora {

ValidationError CheckBaseAlignment(const ValidationSnapshot& snapshot) {
    for (const ProjectValues& project : snapshot.projects) {
        const wchar_t* name = project.name.c_str();
        if (project.roBase % 4 != 0)
            return Format(L"%ls RO base (0x%x) must be word alignment.", name, project.roBase);
        if (project.rwBase % 8 != 0)
            return Format(L"%ls RW base (0x%x) must be 8 bytes alignment.", name, project.rwBase);
        // A secure row whose NSC base reads 0xFFFFFFFF looks like one without NSC here.
        if (project.nscBase != NoNsc && project.nscBase % 4 != 0)
            return Format(L"%ls NSC base (0x%x) must be word alignment.", name, project.nscBase);
    }
    return std::nullopt;
}

}  // namespace velmora
