#include "validate/ValidateConfiguration.h"

#include <functional>

#include "validate/AlignmentRules.h"
#include "validate/BspRules.h"
#include "validate/NameRules.h"
#include "validate/OutputFolderRules.h"
#include "validate/OverlapRules.h"
#include "validate/PlacementRules.h"
#include "validate/SizeRules.h"
#include "validate/ValidationSnapshot.h"

namespace velmora {

std::optional<std::wstring> FindFirstValidationError(const PartitionConfig& config,
                                                     const PathQuery& pathExists,
                                                     const PathResolver& resolvePath) {
    // The tables cannot change during the pass, so reading every value up front
    // gives what reading each one at its own stage would.
    const ValidationSnapshot s = TakeValidationSnapshot(config);
    using Stage = std::function<ValidationError()>;
    const Stage stages[] = {
        [&] { return CheckUniqueNames(s); },
        [&] { return CheckNameStarts(s); },
        [&] { return CheckNextBoots(s); },
        [&] { return CheckXomSizes(s); },
        [&] { return CheckCodeSizes(s); },
        [&] { return CheckNscSizes(s); },
        [&] { return CheckBspFolder(s.bspPath, pathExists); },
        [&] { return CheckNameCharacters(s); },
        [&] { return CheckBaseAlignment(s); },
        [&] { return CheckMinimumCodeRegions(s); },
        [&] { return CheckRegionOverlaps(s); },
        [&] { return CheckPlacements(s); },
        // Not among the fourteen: what the generated tree needs on Windows and where it goes.
        [&] { return CheckNamesDifferBeyondCase(s); },
        [&] { return CheckDeviceNames(s); },
        [&] { return CheckOutputFolder(s, resolvePath); },
    };
    for (const Stage& stage : stages)
        if (ValidationError error = stage()) return error;
    return std::nullopt;
}

void ReportValidationError(Frontend& frontend, const std::wstring& message) {
    frontend.message(message, L"ERROR", MessageIcon::Error, MessageButtons::Ok);
}

int ValidateConfiguration(const PartitionConfig& config, Frontend& frontend) {
    return ValidateConfiguration(config, frontend, FileSystemPathQuery());
}

int ValidateConfiguration(const PartitionConfig& config, Frontend& frontend,
                          const PathQuery& pathExists) {
    const std::optional<std::wstring> error = FindFirstValidationError(config, pathExists);
    if (!error) return 0;
    ReportValidationError(frontend, *error);
    return 1;
}

}  // namespace velmora
