#include "generate/ProjectGenerator.h"

#include "generate/CopyDirectory.h"
#include "generate/GeneratorHex.h"
#include "generate/ProjectGlobals.h"
#include "generate/TemplatePaths.h"
#include "platform/FileSystem.h"

namespace velmora {

ProjectGenerator::ProjectGenerator(const PartitionConfig& config, GenerationContext& context,
                                   Frontend& frontend, ScriptTrace* trace,
                                   ScriptReports& reports)
    : config_(config),
      context_(context),
      frontend_(frontend),
      trace_(trace),
      reports_(reports),
      failures_(reports.failures) {}

void ProjectGenerator::CopyWorkspaceFiles() {
    const std::wstring& o = context_.outputFolder;
    // Only the multi-project workspace is looked at: once it exists, a second run
    // leaves both workspaces as the user may have edited them.
    if (config_.projects.rows.empty() ||
        fs::Exists(fs::ToPath(WorkspaceFile(o, L"TrustZone.uvmpw")))) {
        return;
    }
    CopyReplacing(TemplateSource(L".\\ZQD\\TrustZone.uvmpw"), WorkspaceFile(o, L"TrustZone.uvmpw"));
    CopyReplacing(TemplateSource(L".\\ZQD\\TrustZone.eww"), WorkspaceFile(o, L"TrustZone.eww"));
}

bool ProjectGenerator::GenerateSecure(const ProjectEntry& project) {
    if (StopRequested()) return false;
    ScriptHost host(frontend_, trace_);
    if (!OpenState(host)) return false;
    const std::wstring& o = context_.outputFolder;
    CopyTemplate(L".\\ZQD\\Secure", project.name);
    MoveProjectFiles(project.name, L"Secure", L"main.c");
    CopyReplacing(TemplateSource(L".\\ZQD\\partition_V6048.h"), PartitionHeader(o));
    if (StopRequested() || !host.LoadScript(L"tes.lua")) return false;
    SetSecureProjectGlobals(host, config_, context_, project);
    SetXomRegions(host, project);
    RegisterTemplateHostFunctions(host, reports_, true);
    if (!RunAndClose(host, project.name, L"tes.lua")) return false;
    if (ReadGeneratorHex(project.nscSize) != 0) context_.nscLibraries.push_back(project.name);
    return true;
}

bool ProjectGenerator::GenerateNonSecure(const ProjectEntry& project) {
    if (StopRequested()) return false;
    ScriptHost host(frontend_, trace_);
    if (!OpenState(host)) return false;
    CopyTemplate(L".\\ZQD\\Nonsecure", project.name);
    MoveProjectFiles(project.name, L"Nonsecure", L"main_ns.c");
    if (StopRequested() || !host.LoadScript(L"tens.lua")) return false;
    SetNonSecureProjectGlobals(host, config_, context_, project);
    SetXomRegions(host, project);
    RegisterTemplateHostFunctions(host, reports_, false);
    return RunAndClose(host, project.name, L"tens.lua");
}

void ProjectGenerator::CopyTemplate(const wchar_t* templateFolder, const std::wstring& project) {
    CopyDirectory(TemplateSource(templateFolder), ProjectFolder(context_.outputFolder, project),
                  &failures_);
}

void ProjectGenerator::MoveProjectFiles(const std::wstring& project,
                                        const std::wstring& templateName,
                                        const std::wstring& mainFileName) {
    for (const FileMove& move :
         ProjectFileMoves(context_.outputFolder, project, templateName, mainFileName)) {
        const fs::Path from = fs::ToPath(move.from);
        const fs::Path to = fs::ToPath(move.to);
        if (fs::MoveNoReplace(from, to)) continue;
        // An existing target is the second run's rule, and a file the template does
        // not have is the template's choice; anything else is a failure.
        if (fs::Exists(from) && !fs::Exists(to)) failures_.fileNotMoved(move.from, move.to);
    }
}

void ProjectGenerator::CopyReplacing(const std::wstring& from, const std::wstring& to) {
    if (!fs::CopyFileReplacing(fs::ToPath(from), fs::ToPath(to))) failures_.fileNotCopied(from, to);
}

void ProjectGenerator::SetXomRegions(ScriptHost& host, const ProjectEntry& project) {
    const std::wstring& o = context_.outputFolder;
    const unsigned mask = project.xomMask();
    for (int k = 0; k < kXomRegionCount; ++k) {
        if (((mask >> k) & 1u) == 0) continue;
        SetXomGlobals(host, config_.xomRegions[static_cast<std::size_t>(k)], k);
        CopyReplacing(TemplateSource(L".\\ZQD\\xom\\xom_func.c"),
                      XomFunctionFile(o, project.name, k, L"c"));
        CopyReplacing(TemplateSource(L".\\ZQD\\xom\\xom_func.h"),
                      XomFunctionFile(o, project.name, k, L"h"));
    }
}

bool ProjectGenerator::OpenState(ScriptHost& host) {
    if (host.Open()) return true;
    host.ReportError(L"not enough memory");
    return false;
}

bool ProjectGenerator::RunAndClose(ScriptHost& host, const std::wstring& project,
                                   const wchar_t* script) {
    const bool succeeded = host.Run();
    lastTraceback_ = host.lastTraceback();
    cancelled_ = host.cancelled();
    host.Close();
    // After the close: a finalizer may print too.
    KeepScriptOutput(project, script, host.printedText());
    return succeeded;
}

bool ProjectGenerator::StopRequested() {
    if (!cancelled_) cancelled_ = frontend_.cancelRequested();
    return cancelled_;
}

void ProjectGenerator::KeepScriptOutput(const std::wstring& project, const wchar_t* script,
                                        const std::wstring& text) {
    if (text.empty()) return;
    if (!scriptOutput_.empty()) scriptOutput_ += L"\n";
    scriptOutput_ += project + L" (" + script + L"):\n" + text;
    if (scriptOutput_.back() != L'\n') scriptOutput_ += L"\n";
}

}  // namespace velmora
