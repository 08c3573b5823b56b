#include "generate/TemplateGenerator.h"

#include "generate/BspReference.h"
#include "generate/FailedOperations.h"
#include "generate/GenerationContext.h"
#include "generate/OutputFolder.h"
#include "generate/ProjectGenerator.h"
#include "platform/FileSystem.h"
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

std::wstring CompletionWithErrors(const std::vector<std::wstring>& failed) {
    std::wstring text = L"Trust Zone Template created with errors:\n\n";
    for (std::size_t i = 0; i < failed.size(); ++i) {
        if (i > 0) text += L"\n";
        text += failed[i];
    }
    return text;
}

// Secure projects first, then the non-secure ones, each group in row order.
bool GenerateProjects(const ProjectTable& projects, ProjectGenerator& generator) {
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
    const OutputFolderOutcome folder = ResolveOutputFolder(config_.templatePath, frontend_);
    result.outputFolder = config_.templatePath;
    if (folder != OutputFolderOutcome::Accepted) {
        result.outcome = OutcomeOf(folder);
        return result;
    }
    GenerationContext context;
    // Windows also takes '/': the scripts, the project paths and rpath see one separator.
    context.outputFolder = fs::WithNativeSeparators(config_.templatePath);
    if (!ResolveBspReference(result, context.outputFolder, context.rpath)) return result;
    context.bspPath = fs::WithNativeSeparators(config_.bspPath);
    SummariseSecureProjects(config_.projects, context);

    FailedOperations failures;
    ProjectGenerator generator(config_, context, frontend_, trace_, failures);
    generator.CopyWorkspaceFiles();
    if (!GenerateProjects(config_.projects, generator)) {
        result.outcome = GenerationOutcome::ScriptFailed;
        result.scriptTraceback = generator.lastTraceback();
        return result;
    }
    result.failedOperations = failures.lines();
    result.outcome = failures.empty() ? GenerationOutcome::Completed
                                      : GenerationOutcome::CompletedWithErrors;
    ShowCompletion(result);
    return result;
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
    if (result.failedOperations.empty()) {
        frontend_.message(L"Trust Zone Template Created!", L"Trust Manager", MessageIcon::None,
                          MessageButtons::Ok);
    } else {
        frontend_.message(CompletionWithErrors(result.failedOperations), L"WARNING",
                          MessageIcon::Warning, MessageButtons::Ok);
    }
    frontend_.openFolder(result.outputFolder);
}

}  // namespace velmora
