#include "CliCommands.h"

#include <cstdio>
#include <optional>

#include "ConsoleFrontend.h"
#include "JsonText.h"
#include "config/CIniFile.h"
#include "config/ConfigurationFile.h"
#include "generate/ImportKeilProject.h"
#include "generate/MemoryMap.h"
#include "generate/MemoryMapHtml.h"
#include "generate/MemoryMapText.h"
#include "generate/TemplateGenerator.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/InstallLocation.h"
#include "platform/TextCodec.h"
#include "platform/WorkingFolder.h"
#include "validate/ValidateConfiguration.h"

namespace velmora::cli {
namespace {

void Complain(const std::wstring& text) { WriteStderr(text + L"\n"); }

// Why a generation stopped where the dialog would have asked.
int ExplainStop(const GenerationResult& result, const PartitionConfig& config) {
    switch (result.outcome) {
        case GenerationOutcome::CancelledOverwritePrompt:
            Complain(L"The output folder " + result.outputFolder +
                     L" exists and is not empty; use --overwrite to generate into it.");
            return kExitRefused;
        case GenerationOutcome::CancelledOutputPicker:
            Complain(L"The Template Path is empty; set TEMPLATE_PATH in ./default.kiv.");
            return kExitRefused;
        case GenerationOutcome::CancelledBspPicker:
            Complain(L"The BSP Path \"" + config.bspPath +
                     L"\" cannot be used; set BSP_PATH in ./default.kiv.");
            return kExitRefused;
        default: return kExitRefused;
    }
}

int ExitCodeOf(const GenerationResult& result, const PartitionConfig& config) {
    switch (result.outcome) {
        case GenerationOutcome::Completed: return kExitSuccess;
        case GenerationOutcome::CompletedWithWarnings: return kExitSuccess;
        case GenerationOutcome::CompletedWithErrors: return kExitFileErrors;
        case GenerationOutcome::OutputFolderUnavailable: return kExitFileErrors;
        case GenerationOutcome::ValidationFailed: return kExitRefused;
        case GenerationOutcome::ScriptFailed:
            if (!result.scriptTraceback.empty()) Complain(result.scriptTraceback);
            return kExitScriptError;
        default: return ExplainStop(result, config);
    }
}

void LoadAsTheDialogDoes(CIniFile& store, PartitionConfig& config) {
    LoadPositionedConfiguration(store, config);
}

void PrintCheckAsJson(const std::optional<std::wstring>& error) {
    WriteStdout(std::wstring(L"{\"valid\": ") + (error ? L"false" : L"true") +
                L", \"message\": " + JsonString(error.value_or(L"")) + L"}\n");
}

// What a lay-out that did not complete tells, and its exit code.
int ExplainLayOut(const LayOutResult& result, const std::wstring& source,
                  const std::wstring& target) {
    switch (result.outcome) {
        case LayOutOutcome::Refused:
            Complain(L"velmora-cli: " + target + L" holds a default.kiv already; nothing was copied.");
            return kExitRefused;
        case LayOutOutcome::InsideSource:
            Complain(L"velmora-cli: " + target + L" lies inside the bundled working folder " +
                     source + L".");
            return kExitRefused;
        case LayOutOutcome::SourceMissing:
            Complain(L"velmora-cli: the bundled working folder " + source + L" cannot be read.");
            return kExitFileErrors;
        default:
            for (const std::wstring& path : result.failed) {
                Complain(L"velmora-cli: could not create " + path);
            }
            return kExitFileErrors;
    }
}

}  // namespace

int RunCheck(CheckOutput output) {
    ConsoleFrontend frontend;
    CIniFile store(&frontend);
    PartitionConfig config;
    LoadAsTheDialogDoes(store, config);
    const auto error = FindFirstValidationError(config, FileSystemPathQuery());
    if (output == CheckOutput::Json) {
        PrintCheckAsJson(error);
    } else if (error) {
        WriteStdout(*error + L"\n");
    }
    return error ? kExitRefused : kExitSuccess;
}

int RunGenerate(bool overwrite) {
    ConsoleFrontend frontend(overwrite);
    CIniFile store(&frontend);
    PartitionConfig config;
    LoadAsTheDialogDoes(store, config);
    TemplateGenerator generator(config, frontend);
    return ExitCodeOf(generator.CreateTemplate(), config);
}

int RunImport(const std::wstring& file) {
    ConsoleFrontend frontend;
    CIniFile store(&frontend);
    PartitionConfig config;
    LoadAsTheDialogDoes(store, config);
    // The dialog's file choosers give a full path, which the script keeps in the
    // row's Path cell; a path typed relative to the current folder gets the same.
    const ImportResult imported = ImportKeilProject(config, fs::FullPath(file), frontend);
    const bool saved = SaveConfiguration(store, config);
    if (!imported.succeeded) {
        if (!imported.scriptTraceback.empty()) Complain(imported.scriptTraceback);
        return kExitScriptError;
    }
    return saved ? kExitSuccess : kExitFileErrors;
}

int RunInit(const std::wstring& folder) {
    const std::wstring source = FindBundledWorkspace();
    if (source.empty()) {
        Complain(L"velmora-cli: no bundled working folder beside " + ExecutablePath() +
                 L" (share/velmora/workspace or workspace).");
        return kExitFileErrors;
    }
    const std::wstring target = fs::FullPath(folder.empty() ? L"." : folder);
    const LayOutResult result = LayOutWorkingFolder(source, target);
    if (result.outcome != LayOutOutcome::Created) return ExplainLayOut(result, source, target);
    for (const std::wstring& path : result.kept) {
        Complain(L"velmora-cli: kept the existing " + path);
    }
    for (const std::wstring& path : result.skipped) {
        Complain(L"velmora-cli: skipped " + path + L" (neither a file nor a folder)");
    }
    WriteStdout(L"Working folder created: " + target + L"\n");
    return kExitSuccess;
}

// "--format text|html" and "-o FILE", each at most once, in any order.
std::optional<ReportOptions> ParseReportOptions(const std::vector<std::wstring>& options) {
    ReportOptions report;
    bool formatGiven = false;
    for (std::size_t i = 0; i < options.size(); i += 2) {
        if (i + 1 >= options.size()) return std::nullopt;
        const std::wstring& value = options[i + 1];
        if (options[i] == L"--format" && !formatGiven && (value == L"text" || value == L"html")) {
            report.html = value == L"html";
            formatGiven = true;
        } else if (options[i] == L"-o" && report.file.empty() && !value.empty()) {
            report.file = value;
        } else {
            return std::nullopt;
        }
    }
    return report;
}

int RunReport(const ReportOptions& report) {
    ConsoleFrontend frontend;
    CIniFile store(&frontend);
    PartitionConfig config;
    LoadAsTheDialogDoes(store, config);
    const MemoryMap map =
        BuildMemoryMap(config, FindFirstValidationError(config, FileSystemPathQuery()));
    if (report.file.empty()) {
        // The page declares UTF-8, so it goes out as such; text follows the console.
        if (report.html) {
            const std::string page = MemoryMapHtml(map);
            std::fwrite(page.data(), 1, page.size(), stdout);
            std::fflush(stdout);
        } else {
            WriteStdout(MemoryMapText(map));
        }
        return kExitSuccess;
    }
    const std::string bytes = report.html ? MemoryMapHtml(map) : WideToUtf8(MemoryMapText(map));
    if (fs::WriteFileAtomically(fs::ToPath(report.file), bytes)) return kExitSuccess;
    Complain(L"Unable to write " + report.file);
    return kExitFileErrors;
}

}  // namespace velmora::cli
