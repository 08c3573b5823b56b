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
//                  (BootChainAfter), empty when it boots nothing.

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
};

// Registers fail and warn, and for a secure run sauregions; reports must outlive
// the run.
void RegisterTemplateHostFunctions(ScriptHost& host, ScriptReports& reports, bool secure);

// Registers bootchain over chain, which must outlive the run.
void RegisterBootChain(ScriptHost& host, std::vector<BootImage>& chain);

}  // namespace velmora
