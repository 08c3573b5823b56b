#pragma once
// The globals a project's script receives, in the order they are set. Nothing
// else is set: the scripts find only these and the standard libraries.

#include "generate/GenerationContext.h"
#include "generate/ScriptHost.h"
#include "model/PartitionConfig.h"

namespace velmora {

// rpath, fpath, fmain, fscatter, fpartition, prjname, nsba, nssramba, bsppath,
// pnsset0..6, ionsset, intnsset0..3, ro, rosize, rw, rwsize, nsc, nscsize, all_nsc,
// all_nscsize, next_boot, next_boot_ns, str_next_boot. The security words come
// from the peripheral states as they are now.
void SetSecureProjectGlobals(ScriptHost& host, const PartitionConfig& config,
                             const GenerationContext& context, const ProjectEntry& project);

// rpath, fpath, fmain, prjname, sprjJ for each named secure project J, nsba,
// nssramba, ro, rosize, rw, next_boot, nsclibN for each NSC library.
void SetNonSecureProjectGlobals(ScriptHost& host, const PartitionConfig& config,
                                const GenerationContext& context, const ProjectEntry& project);

// xombaseK and xomsizeK from XOM row k.
void SetXomGlobals(ScriptHost& host, const XomRegion& region, int k);

}  // namespace velmora
