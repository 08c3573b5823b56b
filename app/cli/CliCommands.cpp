#include "CliCommands.h"

#include <cstdio>
#include <optional>

#include "ConsoleFrontend.h"
#include "config/CIniFile.h"
#include "config/ConfigurationFile.h"
#include "generate/ImportKeilProject.h"
#include "generate/MemoryMap.h"
#include "generate/MemoryMapHtml.h"
#include "generate/MemoryMapText.h"
#include "generate/TemplateGenerator.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "validate/ValidateConfiguration.h"

namespace velmora::cli {
namespace {

constexpr const wchar_t* kUsage =
    L"usage: velmora-cli check\n"
    L"       velmora-cli generate [--overwrite]\n"
    L"       velmora-cli import FILE\n"
    L"       velmora-cli report [--format text|html] [-o FILE]\n";

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

struct ReportOptions {
    bool html = false;
    std::wstring file;  // empty: standard output
};

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

}  // namespace

int RunCheck() {
    ConsoleFrontend frontend;
    CIniFile store(&frontend);
    PartitionConfig config;
    LoadAsTheDialogDoes(store, config);
    const auto error = FindFirstValidationError(config, FileSystemPathQuery());
    if (!error) return kExitSuccess;
    WriteStdout(*error + L"\n");
    return kExitRefused;
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

int RunReport(const std::vector<std::wstring>& options) {
    const std::optional<ReportOptions> report = ParseReportOptions(options);
    if (!report) {
        WriteStderr(kUsage);
        return kExitRefused;
    }
    ConsoleFrontend frontend;
    CIniFile store(&frontend);
    PartitionConfig config;
    LoadAsTheDialogDoes(store, config);
    const MemoryMap map =
        BuildMemoryMap(config, FindFirstValidationError(config, FileSystemPathQuery()));
    if (report->file.empty()) {
        // The page declares UTF-8, so it goes out as such; text follows the console.
        if (report->html) {
            const std::string page = MemoryMapHtml(map);
            std::fwrite(page.data(), 1, page.size(), stdout);
            std::fflush(stdout);
        } else {
            WriteStdout(MemoryMapText(map));
        }
        return kExitSuccess;
    }
    const std::string bytes = report->html ? MemoryMapHtml(map) : WideToUtf8(MemoryMapText(map));
    if (fs::WriteFileAtomically(fs::ToPath(report->file), bytes)) return kExitSuccess;
    Complain(L"Unable to write " + report->file);
    return kExitFileErrors;
}

int RunCommandLine(const std::vector<std::wstring>& arguments) {
    if (arguments.size() == 1 && arguments[0] == L"check") return RunCheck();
    if (arguments.size() == 1 && arguments[0] == L"generate") return RunGenerate(false);
    if (arguments.size() == 2 && arguments[0] == L"generate" && arguments[1] == L"--overwrite") {
        return RunGenerate(true);
    }
    if (arguments.size() == 2 && arguments[0] == L"import") return RunImport(arguments[1]);
    if (!arguments.empty() && arguments[0] == L"report") return RunReport({arguments.begin() + 1, arguments.end()});
    WriteStderr(kUsage);
    return kExitRefused;
}

}  // namespace velmora::cli
