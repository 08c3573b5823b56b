#pragma once
// Importing a Keil project: "ldp.lua" reads the file and reports what it found
// through the host functions dbg, addprj, setxom and setnsba; it reads files with
// readfile (regular files only, so a pipe or a device cannot hang it).

#include <cstdint>
#include <optional>
#include <string>

#include "generate/ScriptHost.h"
#include "model/Frontend.h"
#include "model/PartitionConfig.h"

namespace velmora {

struct ImportResult {
    bool succeeded = false;            // false: load or run-time error, both boxes shown
    bool cancelled = false;            // stopped from the front end: a note, no error box
    int rowsAdded = 0;                 // rows added stay, also after an error or a cancel
    std::optional<std::int64_t> nsba;  // the last setnsba value; nothing reads it
    std::wstring scriptTraceback;      // a run-time error's Lua traceback, or empty
    std::wstring scriptOutput;         // what the script printed (dbg too), or empty
};

// Runs "ldp.lua" from the working folder with infname = path. addprj appends rows
// through AddProjectRow (no row limit) and setxom rewrites the Base and Size texts
// of XOM row 0..3; nothing else of the configuration changes. The run is the front
// end's work (beginWork); a cancel ends it and shows a note.
ImportResult ImportKeilProject(PartitionConfig& config, const std::wstring& path,
                               Frontend& frontend, ScriptTrace* trace = nullptr);

}  // namespace velmora
