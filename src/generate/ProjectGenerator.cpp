#include "generate/ProjectGenerator.h"

#include "generate/BootChain.h"
#include "generate/CopyDirectory.h"
#include "generate/GeneratorHex.h"
#include "generate/ProjectGlobals.h"
#include "generate/TemplatePaths.h"
#include "generate/WholeFile.h"
#include "platform/ConfinedFiles.h"
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
    if (config_.projects.rows.empty()) return;
    // Each file is looked at: one that is missing or damaged (a killed earlier copy)
    // is copied, one that is whole stays as the user may have edited it.
    for (const std::wstring& name : WorkspaceFileNames()) {
        const std::wstring target = WorkspaceFile(context_.outputFolder, name);
        const EarlierFile earlier = Inspect(target);
        if (earlier == EarlierFile::Whole) continue;
        if (earlier == EarlierFile::InTheWay) {
            failures_.notWrittenThroughLink(target);
            continue;
        }
        CopyReplacing(TemplateSource(L".\\ZQD\\" + name), target);
    }
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
    std::vector<BootImage> chain = BootChainAfter(project, config_.projects);
    RegisterBootChain(host, chain);
    RegisterGenerated(host, context_.generated);
    if (!RunAndClose(host, project.name, L"tes.lua")) return false;
    if (ReadGeneratorHex(project.nscSize) != 0) context_.nscLibraries.push_back(project.name);
    context_.generated[project.name] = true;
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
    RegisterGenerated(host, context_.generated);
    if (!RunAndClose(host, project.name, L"tens.lua")) return false;
    context_.generated[project.name] = false;
    return true;
}

void ProjectGenerator::CopyTemplate(const wchar_t* templateFolder, const std::wstring& project) {
    CopyDirectory(TemplateSource(templateFolder), ProjectFolder(context_.outputFolder, project),
                  &failures_, context_.outputFolder, &templateReads_);
}

ProjectGenerator::EarlierFile ProjectGenerator::Inspect(const std::wstring& path) {
    const fs::Path root = fs::ToPath(context_.outputFolder);
    switch (fs::KindBelow(root, fs::ToPath(path))) {
        case fs::ConfinedKind::Missing: return EarlierFile::Absent;
        case fs::ConfinedKind::Directory: return EarlierFile::Folder;
        case fs::ConfinedKind::Other: return EarlierFile::InTheWay;
        case fs::ConfinedKind::RegularFile: break;
    }
    std::string bytes;
    // A file that cannot be read cannot be judged: it is kept, and the script that
    // edits it reports it.
    if (fs::ReadBelow(root, fs::ToPath(path), bytes) != fs::Confined::Done ||
        LooksWhole(fs::ToText(fs::ToPath(path).filename()), bytes)) {
        return EarlierFile::Whole;
    }
    reports_.warnings.push_back(L"Replaced " + path +
                                L" with the template's copy: it was empty or cut short");
    return EarlierFile::Damaged;
}

void ProjectGenerator::MoveProjectFiles(const std::wstring& project,
                                        const std::wstring& templateName,
                                        const std::wstring& mainFileName) {
    for (const FileMove& move :
         ProjectFileMoves(context_.outputFolder, project, templateName, mainFileName)) {
        MoveProjectFile(move);
    }
}

void ProjectGenerator::MoveProjectFile(const FileMove& move) {
    const fs::Path root = fs::ToPath(context_.outputFolder);
    // A project named like the template keeps the copy; a file the template does not
    // have is the template's choice.
    if (move.from == move.to) return;
    if (fs::KindBelow(root, fs::ToPath(move.from)) == fs::ConfinedKind::Missing) return;
    const EarlierFile earlier = Inspect(move.to);
    // The second run's rule: the project's own file stays and its script edits it.
    if (earlier == EarlierFile::Whole) return;
    if (earlier == EarlierFile::InTheWay) {
        failures_.notWrittenThroughLink(move.to);
        return;
    }
    const bool replace = earlier == EarlierFile::Damaged;
    switch (fs::MoveBelow(root, fs::ToPath(move.from), fs::ToPath(move.to), replace)) {
        case fs::Confined::Done: break;
        case fs::Confined::Refused: failures_.notWrittenThroughLink(move.from); break;
        case fs::Confined::Missing:
        case fs::Confined::Failed: failures_.fileNotMoved(move.from, move.to); break;
    }
}

void ProjectGenerator::CopyReplacing(const std::wstring& from, const std::wstring& to) {
    failures_.copied(CopyTemplateFile(&templateReads_, from, context_.outputFolder, to), from, to);
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
