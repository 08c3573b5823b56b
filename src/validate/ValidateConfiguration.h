#pragma once
// The check that a configuration must pass before a template is generated: fourteen
// ordered stages over the project table, the XOM table, the BSP folder and the two
// boundaries. Only the first failing rule is reported. Nothing is ever changed.
// Shared by the dialog, the generator and the headless runner.

#include <optional>
#include <string>

#include "model/Frontend.h"
#include "model/PartitionConfig.h"
#include "validate/PathQuery.h"

namespace velmora {

// Runs every stage in order, asking pathExists about the BSP folders, then the
// checks that the generated tree needs on Windows and in its place: names that
// differ only in case, device names, an output folder inside the template tree or
// the BSP's Library folder (compared as resolvePath gives them). Returns the
// message of the first failing rule, exactly as it is shown, or nullopt when the
// configuration passes. Any number of rows and names of any length are judged.
std::optional<std::wstring> FindFirstValidationError(
    const PartitionConfig& config, const PathQuery& pathExists,
    const PathResolver& resolvePath = FileSystemPathResolver());

// Shows the message in a modal "ERROR" box with the error icon and one OK button.
void ReportValidationError(Frontend& frontend, const std::wstring& message);

// Returns 0, showing nothing, when the configuration passes; otherwise reports the
// first failing rule and returns 1. The first form looks at the real file system.
int ValidateConfiguration(const PartitionConfig& config, Frontend& frontend);
int ValidateConfiguration(const PartitionConfig& config, Frontend& frontend,
                          const PathQuery& pathExists);

}  // namespace velmora
