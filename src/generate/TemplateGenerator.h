#pragma once
// "Create Template": validation, the output folder, rpath, the summary of the
// secure projects, the workspaces, every secure project, then every non-secure
// one, and the completion message before the output folder is opened.

#include <functional>
#include <string>
#include <vector>

#include "generate/ScriptHost.h"
#include "model/Frontend.h"
#include "model/PartitionConfig.h"

namespace velmora {

enum class GenerationOutcome {
    Completed,                 // "Trust Zone Template Created!" shown, folder opened
    CompletedWithWarnings,     // the scripts' warnings shown instead, folder opened
    CompletedWithErrors,       // the failed operations (and warnings) shown, folder opened
    ValidationFailed,          // validation showed its message; nothing created
    CancelledOverwritePrompt,  // Cancel at the overwrite question
    CancelledOutputPicker,     // the output folder picker was cancelled
    CancelledBspPicker,        // the BSP folder picker was cancelled
    OutputFolderUnavailable,   // "Unable to create the output folder" shown
    ScriptFailed,              // a script could not be loaded or failed; both boxes shown
    Cancelled,                 // stopped from the front end: a note, no error box; what
                               // was written stays and the folder is not opened
};

struct GenerationResult {
    GenerationOutcome outcome = GenerationOutcome::Completed;
    std::wstring outputFolder;                  // as resolved (may be empty when cancelled)
    std::vector<std::wstring> failedOperations;  // CompletedWithErrors: one line each
    std::vector<std::wstring> warnings;          // what the scripts warned of, one line each
    std::wstring scriptTraceback;                // ScriptFailed at run time: Lua's traceback
    std::wstring scriptOutput;                   // what the scripts printed (ProjectGenerator)
};

// Returns 0 when the configuration may be generated; otherwise has shown its message.
using ConfigurationValidation = std::function<int(const PartitionConfig&, Frontend&)>;

class TemplateGenerator {
public:
    // Validation defaults to ValidateConfiguration on the real file system.
    TemplateGenerator(PartitionConfig& config, Frontend& frontend, ScriptTrace* trace = nullptr);

    void SetValidation(ConfigurationValidation validation) { validation_ = std::move(validation); }

    // Runs the whole command in the working folder's ZQD, tes.lua and tens.lua.
    // Writes templatePath or bspPath only when a picker chose a folder. A script
    // error abandons the command: no further project and no completion message.
    // The projects are the front end's work (beginWork); a cancel ends them there.
    GenerationResult CreateTemplate();

private:
    // The output folder rules for a folder the picker chose; false after the error box.
    bool PickedFolderAllowed();
    bool ResolveBspReference(GenerationResult& result, const std::wstring& outputFolder,
                             std::wstring& rpath);
    void ShowCompletion(const GenerationResult& result);
    void ShowCancelled(const GenerationResult& result);

    PartitionConfig& config_;
    Frontend& frontend_;
    ScriptTrace* trace_;
    ConfigurationValidation validation_;
};

}  // namespace velmora
