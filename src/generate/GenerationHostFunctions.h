#pragma once
// The host functions a template script (tes.lua, tens.lua) gets besides its globals:
//   fail(text)     the generation ends with the "created with errors" report, this
//                  text one of its lines (a file the script could not edit, ...);
//   warn(text)     the generation ends with the "created with warnings" report
//                  unless it failed; the same line twice is listed once;
//   sauregions()   secure runs only: the SAU regions the partition header programs,
//                  an array of { base = n, limit = n, nsc = boolean } (limit is the
//                  last byte), or nil when they do not fit the SAU;
//   bootchain()    secure runs only: the images the project's boot reaches after
//                  it, in boot order, an array of { name = text, ns = boolean }
//                  (BootChainAfter), empty when it boots nothing;
//   readfile(path)  the whole text of a regular file, or nil and the reason (missing,
//                  a pipe or a device, a read that failed part-way); in the output
//                  folder no link is followed on the way;
//   writefile(path, text)  path, in the output folder, holds text: written through a
//                  temporary file beside it that replaces it once whole (unchanged
//                  content leaves it alone); true, or nil and the reason (outside the
//                  output folder, a link or special file in the way, a full disk, ...);
//   removefile(path)  removes a regular file in the output folder; true, or nil and
//                  the reason;
//   generated(name)  "S" or "NS" when this run has already generated the project of
//                  that name (so its files say so as well), else nil: a script that
//                  orders the workspaces need not read those projects' files again.

#include <map>
#include <string>
#include <vector>

#include "generate/BootChain.h"
#include "generate/FailedOperations.h"
#include "generate/SauPlan.h"
#include "generate/ScriptHost.h"

namespace velmora {

// What the scripts of one generation report back, collected across every run.
struct ScriptReports {
    FailedOperations& failures;
    std::vector<std::wstring>& warnings;
    const SauPlan& sau;
    const std::wstring& outputFolder;  // the only place writefile and removefile reach
};

// Registers fail and warn, for a secure run sauregions, then readfile, writefile and
// removefile; reports must outlive the run.
void RegisterTemplateHostFunctions(ScriptHost& host, ScriptReports& reports, bool secure);

// Registers bootchain over chain, which must outlive the run.
void RegisterBootChain(ScriptHost& host, std::vector<BootImage>& chain);

// Registers generated over the projects generated so far, which must outlive the run.
void RegisterGenerated(ScriptHost& host, std::map<std::wstring, bool>& generated);

// readfile for a script that reads only (the import): regular files, links followed.
void RegisterFileReader(ScriptHost& host);

}  // namespace velmora
