#include "generate/TemplateGenerator.h"

#include "generate/BspReference.h"
#include "generate/FailedOperations.h"
#include "generate/GeneratedDocuments.h"
#include "generate/GenerationContext.h"
#include "generate/OutputFolder.h"
#include "generate/ProjectGenerator.h"
#include "generate/SauPlan.h"
#include "platform/ConfinedFiles.h"
#include "platform/FileSystem.h"
#include "validate/OutputFolderRules.h"
#include "validate/ValidateConfiguration.h"

namespace velmora {
namespace {

int ValidateOnFileSystem(const PartitionConfig& config, Frontend& frontend) {
    return ValidateConfiguration(config, frontend);
}

GenerationOutcome OutcomeOf(OutputFolderOutcome folder) {
    switch (folder) {
        case OutputFolderOutcome::CancelledPrompt: return GenerationOutcome::CancelledOverwritePrompt;
        case OutputFolderOutcome::CancelledPicker: return GenerationOutcome::CancelledOutputPicker;
        case OutputFolderOutcome::Unavailable: return GenerationOutcome::OutputFolderUnavailable;
        case OutputFolderOutcome::Accepted: break;
    }
    return GenerationOutcome::Completed;
}

std::wstring Lines(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += L"\n";
        text += lines[i];
    }
    return text;
}

// Failures first; warnings of the same run follow them, so none is lost.
std::wstring CompletionText(const GenerationResult& result) {
    if (result.failedOperations.empty()) {
        return L"Trust Zone Template created with warnings:\n\n" + Lines(result.warnings);
    }
    std::wstring text = L"Trust Zone Template created with errors:\n\n" +
                        Lines(result.failedOperations);
    if (!result.warnings.empty()) text += L"\n\nWarnings:\n" + Lines(result.warnings);
    return text;
}

GenerationOutcome CompletionOutcome(const GenerationResult& result) {
    if (!result.failedOperations.empty()) return GenerationOutcome::CompletedWithErrors;
    if (!result.warnings.empty()) return GenerationOutcome::CompletedWithWarnings;
    return GenerationOutcome::Completed;
}

// Writes the batch's files and flushes them to the disk; what fails is a failure line.
void FlushInto(fs::ConfinedBatch& batch, const std::wstring& outputFolder,
               FailedOperations& failures) {
    const fs::ConfinedBatch::Flushed flushed = batch.Flush();
    for (const fs::Path& path : flushed.notWritten) failures.fileNotWritten(fs::ToText(path));
    if (!flushed.synced) {
        failures.reported(L"Unable to flush the files written into " + outputFolder + L" to the disk");
    }
}

// The workspaces, the secure projects, then the non-secure ones, each group in row
// order: the front end's work, which it may cancel.
bool GenerateProjects(const ProjectTable& projects, ProjectGenerator& generator,
                      Frontend& frontend) {
    const FrontendWork work(frontend, L"Creating the template...");
    generator.CopyWorkspaceFiles();
    for (const ProjectEntry& project : projects.rows) {
        if (IsSecureProject(project) && !generator.GenerateSecure(project)) return false;
    }
    for (const ProjectEntry& project : projects.rows) {
        if (IsNonSecureProject(project) && !generator.GenerateNonSecure(project)) return false;
    }
    return true;
}

}  // namespace

TemplateGenerator::TemplateGenerator(PartitionConfig& config, Frontend& frontend,
                                     ScriptTrace* trace)
    : config_(config), frontend_(frontend), trace_(trace), validation_(&ValidateOnFileSystem) {}

GenerationResult TemplateGenerator::CreateTemplate() {
    GenerationResult result;
    if (validation_(config_, frontend_) != 0) {
        result.outcome = GenerationOutcome::ValidationFailed;
        return result;
    }
    const std::wstring typedFolder = config_.templatePath;
    const OutputFolderOutcome folder = ResolveOutputFolder(config_.templatePath, frontend_);
    result.outputFolder = config_.templatePath;
    if (folder != OutputFolderOutcome::Accepted) {
        result.outcome = OutcomeOf(folder);
        return result;
    }
    // Validation judged the typed folder; a picked one must keep clear of the
    // template tree and the BSP as well.
    if (config_.templatePath != typedFolder && !PickedFolderAllowed()) {
        result.outcome = GenerationOutcome::ValidationFailed;
        return result;
    }
    GenerationContext context;
    // Windows also takes '/': the scripts, the project paths and rpath see one separator.
    context.outputFolder = fs::WithNativeSeparators(config_.templatePath);
    if (!ResolveBspReference(result, context.outputFolder, context.rpath)) return result;
    context.bspPath = fs::WithNativeSeparators(config_.bspPath);
    SummariseSecureProjects(config_.projects, context);
    fs::ConfinedBatch batch(fs::ToPath(context.outputFolder));

    const SauPlan sau = PlanSauRegions(config_);
    FailedOperations failures;
    // Known before any project: the header cannot be filled, the rest can.
    if (!sau.Fits()) failures.reported(SauOverflowText(sau));
    ScriptReports reports{failures, result.warnings, sau, context.outputFolder};
    ProjectGenerator generator(config_, context, frontend_, trace_, reports);
    const bool generated = GenerateProjects(config_.projects, generator, frontend_);
    result.scriptOutput = generator.scriptOutput();
    if (!generated) {
        // What was written stays, as the reports say.
        FlushInto(batch, context.outputFolder, failures);
        result.failedOperations = failures.lines();
    }
    if (generator.cancelled()) {
        result.outcome = GenerationOutcome::Cancelled;
        ShowCancelled(result);
        return result;
    }
    if (!generated) {
        result.outcome = GenerationOutcome::ScriptFailed;
        result.scriptTraceback = generator.lastTraceback();
        return result;
    }
    WriteGeneratedDocuments(config_, context, failures, result.warnings);
    // The files reach the disk before the report says they were written.
    FlushInto(batch, context.outputFolder, failures);
    result.failedOperations = failures.lines();
    result.outcome = CompletionOutcome(result);
    ShowCompletion(result);
    return result;
}

bool TemplateGenerator::PickedFolderAllowed() {
    const ValidationError error =
        CheckOutputFolder(TakeValidationSnapshot(config_), FileSystemPathResolver());
    if (!error) return true;
    ReportValidationError(frontend_, *error);
    return false;
}

bool TemplateGenerator::ResolveBspReference(GenerationResult& result,
                                            const std::wstring& outputFolder, std::wstring& rpath) {
    const std::wstring bspPath = fs::WithNativeSeparators(config_.bspPath);
    if (auto relative = RelativeBspPath(outputFolder, bspPath, fs::FullPath(bspPath))) {
        rpath = *relative;
        return true;
    }
    const auto picked = frontend_.pickFolder(L"Please select a folder", L"", false);
    if (!picked) {
        result.outcome = GenerationOutcome::CancelledBspPicker;
        return false;
    }
    config_.bspPath = *picked;
    rpath = AbsoluteBspReference(*picked);
    return true;
}

void TemplateGenerator::ShowCompletion(const GenerationResult& result) {
    if (result.outcome == GenerationOutcome::Completed) {
        frontend_.message(L"Trust Zone Template Created!", L"Trust Manager", MessageIcon::None,
                          MessageButtons::Ok);
    } else {
        frontend_.message(CompletionText(result), L"WARNING", MessageIcon::Warning,
                          MessageButtons::Ok);
    }
    frontend_.openFolder(result.outputFolder);
}

void TemplateGenerator::ShowCancelled(const GenerationResult& result) {
    frontend_.message(L"Create Template was cancelled. What it had written stays in:\n\n  " +
                          result.outputFolder,
                      kApplicationName, MessageIcon::Information, MessageButtons::Ok);
}

}  // namespace velmora
