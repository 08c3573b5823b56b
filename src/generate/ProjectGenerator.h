#pragma once
// Generation of one project into the output folder: the template copy, the files
// named after the project, and one run of the project's script in a fresh state.

#include <string>

#include "generate/GenerationContext.h"
#include "generate/GenerationHostFunctions.h"
#include "generate/ScriptHost.h"
#include "generate/TemplatePaths.h"
#include "generate/TemplateReads.h"
#include "model/Frontend.h"
#include "model/PartitionConfig.h"

namespace velmora {

class ProjectGenerator {
public:
    // Failed file operations and what the scripts report go to reports.
    ProjectGenerator(const PartitionConfig& config, GenerationContext& context, Frontend& frontend,
                     ScriptTrace* trace, ScriptReports& reports);

    // The files of WorkspaceFileNames() from ".\ZQD" into the output folder when the
    // table has a row: each one that is missing there, or damaged (empty or cut short,
    // with a warning); a whole one stays.
    void CopyWorkspaceFiles();

    // Nothing below O is written, renamed or removed through a link or a special
    // file (such a case is a failure); project-named files of an earlier run stay
    // when whole and are replaced by the template's copy when damaged.
    //
    // ".\ZQD\Secure" into O\P, its files named after P, the partition header, then
    // "tes.lua"; a project with an NSC size joins the NSC libraries. Returns false
    // when the script could not be loaded or failed (both error boxes shown), and
    // when the front end asked to cancel, before the copy, before the script or
    // while it ran (no box; cancelled() is true from then on).
    bool GenerateSecure(const ProjectEntry& project);

    // ".\ZQD\Nonsecure" into O\P, its files named after P, then "tens.lua".
    // Returns false as GenerateSecure does.
    bool GenerateNonSecure(const ProjectEntry& project);

    bool cancelled() const { return cancelled_; }

    // The traceback of the last failed script run, or empty.
    const std::wstring& lastTraceback() const { return lastTraceback_; }

    // What the scripts printed so far: for each run that printed, a line
    // "P (script):" and its text; empty when none printed.
    const std::wstring& scriptOutput() const { return scriptOutput_; }

private:
    // A file an earlier generation left: Damaged when empty or cut short (a warning
    // says it is replaced), InTheWay for a link or a special file.
    enum class EarlierFile { Absent, Whole, Damaged, Folder, InTheWay };
    EarlierFile Inspect(const std::wstring& path);
    void CopyTemplate(const wchar_t* templateFolder, const std::wstring& project);
    void MoveProjectFiles(const std::wstring& project, const std::wstring& templateName,
                          const std::wstring& mainFileName);
    void MoveProjectFile(const FileMove& move);
    void CopyReplacing(const std::wstring& from, const std::wstring& to);
    void SetXomRegions(ScriptHost& host, const ProjectEntry& project);
    bool OpenState(ScriptHost& host);
    bool RunAndClose(ScriptHost& host, const std::wstring& project, const wchar_t* script);
    bool StopRequested();
    void KeepScriptOutput(const std::wstring& project, const wchar_t* script,
                          const std::wstring& text);

    const PartitionConfig& config_;
    GenerationContext& context_;
    Frontend& frontend_;
    ScriptTrace* trace_;
    ScriptReports& reports_;
    FailedOperations& failures_;
    TemplateReads templateReads_;
    std::wstring lastTraceback_;
    std::wstring scriptOutput_;
    bool cancelled_ = false;
};

}  // namespace velmora
