// velmora-bench [WORKING_FOLDER]
//
// Times "Create Template" for 10 projects (5 secure, 5 non-secure, all four XOM
// regions owned) against its floor: the same file work done with plain library
// calls and no traces, plus the same scripts run with the same globals in bare
// Lua states. WORKING_FOLDER supplies ZQD, tes.lua and tens.lua (for example the
// bundled workspace); without it a synthetic tree and scripts are made.
//
// It also times the validation of the same configuration, as the dialog's status
// line runs it after every edit: best of many runs, with the real BSP folder
// queries and with a query answered from memory.
//
// The copy traces go to standard output and the results to standard error, so
// run it as: velmora-bench workspace >/dev/null

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <lua.hpp>

#include "generate/TemplateGenerator.h"
#include "model/PartitionConfig.h"
#include "model/PeripheralTable.h"
#include "platform/TextCodec.h"
#include "validate/ValidateConfiguration.h"

namespace {

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;
using velmora::ScriptGlobal;

constexpr int kRounds = 5;

// --- Working folder ----------------------------------------------------------------

void WriteText(const stdfs::path& path, const std::string& text) {
    stdfs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string Filler(const std::string& name) {
    std::string text;
    for (int line = 0; line < 400; ++line)
        text += name + " line " + std::to_string(line) + " @VALUE@\n";
    return text;
}

// A script that edits the main file the way the shipped ones do: read, substitute, write.
const char* const kSyntheticScript = R"lua(
local f = assert(io.open(fmain, "rb")); local s = f:read("*a"); f:close()
s = s:gsub("@VALUE@", string.format("0x%08X", ro))
f = assert(io.open(fmain, "wb")); f:write(s); f:close()
)lua";

void WriteSyntheticTemplates(const stdfs::path& root) {
    const char* const files[] = {"Secure/KEIL/Secure.uvprojx",
                                 "Secure/KEIL/Secure.uvoptx",
                                 "Secure/KEIL/secure.sct",
                                 "Secure/IAR/Secure.eww",
                                 "Secure/IAR/Secure.ewd",
                                 "Secure/IAR/Secure.ewp",
                                 "Secure/main.c",
                                 "Nonsecure/KEIL/Nonsecure.uvprojx",
                                 "Nonsecure/KEIL/Nonsecure.uvoptx",
                                 "Nonsecure/IAR/Nonsecure.eww",
                                 "Nonsecure/IAR/Nonsecure.ewd",
                                 "Nonsecure/IAR/Nonsecure.ewp",
                                 "Nonsecure/main_ns.c",
                                 "partition_V6048.h",
                                 "xom/xom_func.c",
                                 "xom/xom_func.h",
                                 "TrustZone.uvmpw",
                                 "TrustZone.eww"};
    for (const char* file : files) WriteText(root / "ZQD" / file, Filler(file));
    WriteText(root / "tes.lua", kSyntheticScript);
    WriteText(root / "tens.lua", kSyntheticScript);
}

// Returns false when the source lacks the template tree or the scripts.
bool CopyWorkingFolder(const stdfs::path& source, const stdfs::path& root) {
    for (const char* needed : {"ZQD", "tes.lua", "tens.lua"}) {
        if (!stdfs::exists(source / needed)) return false;
    }
    stdfs::copy(source / "ZQD", root / "ZQD", stdfs::copy_options::recursive);
    stdfs::copy_file(source / "tes.lua", root / "tes.lua");
    stdfs::copy_file(source / "tens.lua", root / "tens.lua");
    return true;
}

void MakeBspFolder(const stdfs::path& bsp) {
    for (const char* folder :
         {"Library/Device/Quorvex/V6048", "Library/CMSIS", "Library/StdDriver"}) {
        stdfs::create_directories(bsp / folder);
    }
}

// --- Configuration -------------------------------------------------------------------

// Passes validation: secure code at 0x6000 steps with NSC at the top of the secure
// flash, non-secure code above the boundary, XOM0/1 secure and XOM2/3 non-secure.
velmora::PartitionConfig BenchConfiguration(const std::wstring& bsp) {
    velmora::PartitionConfig config;
    config.bspPath = bsp;
    config.nsba = 0x10040000;
    config.sramNsba = 0x30008000;
    for (velmora::PeripheralEntry& p : config.peripherals)
        p.state = velmora::IsAlwaysSecure(p.name) ? 0 : 1;
    const unsigned secureXom[] = {0b0001, 0b0010, 0, 0, 0};
    const unsigned nonSecureXom[] = {0b0100, 0b1000, 0, 0, 0};
    for (unsigned i = 0; i < 5; ++i) {
        velmora::AddProjectRow(config.projects, L"Secure" + std::to_wstring(i), 0, i * 0x6000,
                               0x4000, 0x20000000 + i * 0x1000, 0x3A000 + i * 0x1000, 0x800,
                               secureXom[i], i == 0 ? L"NonSecure0" : L"", L"");
    }
    for (unsigned i = 0; i < 5; ++i) {
        velmora::AddProjectRow(config.projects, L"NonSecure" + std::to_wstring(i), 1,
                               0x10040000 + i * 0x6000, 0x4000, 0x30008000 + i * 0x1000, 0, 0,
                               nonSecureXom[i], L"", L"");
    }
    const wchar_t* owners[] = {L"Secure0", L"Secure1", L"NonSecure0", L"NonSecure1"};
    const std::uint32_t bases[] = {0x20000, 0x22000, 0x10070000, 0x10072000};
    for (int k = 0; k < 4; ++k) {
        velmora::SetXomRow(config.xomRegions, k, bases[k], 0x800, owners[k]);
    }
    return config;
}

// --- Measured runs ------------------------------------------------------------------

class SilentFrontend : public velmora::Frontend {
public:
    velmora::MessageAnswer message(const std::wstring& text, const std::wstring&,
                                   velmora::MessageIcon, velmora::MessageButtons) override {
        messages.push_back(text);
        return velmora::MessageAnswer::Ok;
    }
    std::optional<std::wstring> pickFolder(const std::wstring&, const std::wstring&,
                                           bool) override {
        return std::nullopt;
    }
    std::optional<std::wstring> pickFile(const std::wstring&, const std::wstring&,
                                         const std::wstring&) override {
        return std::nullopt;
    }
    void openFolder(const std::wstring&) override {}
    std::vector<std::wstring> messages;
};

struct RecordedRun {
    std::wstring script;
    std::vector<ScriptGlobal> globals;
};

class RunRecorder : public velmora::ScriptTrace {
public:
    void scriptLoaded(const std::wstring& fileName) override { runs.push_back({fileName, {}}); }
    void globalSet(const ScriptGlobal& global) override { runs.back().globals.push_back(global); }
    std::vector<RecordedRun> runs;
};

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct GenerationTiming {
    double seconds = 0;
    bool completed = false;
    std::vector<RecordedRun> runs;
};

GenerationTiming TimeGeneration(velmora::PartitionConfig config, const std::wstring& out) {
    config.templatePath = out;
    SilentFrontend frontend;
    RunRecorder recorder;
    velmora::TemplateGenerator generator(config, frontend, &recorder);
    const Clock::time_point start = Clock::now();
    const velmora::GenerationResult result = generator.CreateTemplate();
    GenerationTiming timing{Seconds(start), result.outcome == velmora::GenerationOutcome::Completed,
                            std::move(recorder.runs)};
    if (!timing.completed) {
        for (const std::wstring& text : frontend.messages) {
            std::fprintf(stderr, "  %s\n", velmora::ToNarrow(text).c_str());
        }
    }
    return timing;
}

// --- The floor -----------------------------------------------------------------------

std::wstring Rebased(const std::wstring& text, const std::wstring& from, const std::wstring& to) {
    return text.compare(0, from.size(), from) == 0 ? to + text.substr(from.size()) : text;
}

// The same script with the same globals (paths moved to the floor's tree) in a bare state.
void RunBare(const RecordedRun& run, const std::wstring& from, const std::wstring& to) {
    lua_State* state = luaL_newstate();
    luaL_openlibs(state);
    if (luaL_loadfile(state, velmora::ToNarrow(run.script).c_str()) == 0) {
        for (const ScriptGlobal& global : run.globals) {
            if (global.kind == ScriptGlobal::Kind::Number) {
                lua_pushnumber(state, static_cast<lua_Number>(global.number));
            } else {
                lua_pushstring(state, velmora::ToNarrow(Rebased(global.text, from, to)).c_str());
            }
            lua_setfield(state, LUA_GLOBALSINDEX, global.name.c_str());
        }
        if (lua_pcall(state, 0, 0, 0) != 0)
            std::fprintf(stderr, "floor: %s\n", lua_tostring(state, -1));
    }
    lua_close(state);
}

std::wstring GlobalText(const RecordedRun& run, const char* name) {
    for (const ScriptGlobal& global : run.globals) {
        if (global.name == name) return global.text;
    }
    return {};
}

void RenameProjectFiles(const stdfs::path& project, const std::string& from, const std::string& to,
                        const std::string& mainFile) {
    for (const char* ext : {".uvprojx", ".uvoptx"})
        stdfs::rename(project / "KEIL" / (from + ext), project / "KEIL" / (to + ext));
    for (const char* ext : {".eww", ".ewd", ".ewp"})
        stdfs::rename(project / "IAR" / (from + ext), project / "IAR" / (to + ext));
    stdfs::rename(project / mainFile, project / ("main_" + to + ".c"));
}

void CopyXomFiles(const RecordedRun& run, const stdfs::path& project) {
    for (const ScriptGlobal& global : run.globals) {
        if (global.name.rfind("xombase", 0) != 0) continue;
        const std::string k = global.name.substr(7);
        for (const char* ext : {"c", "h"}) {
            stdfs::copy_file(stdfs::path("ZQD") / "xom" / (std::string("xom_func.") + ext),
                             project / ("xom" + k + "_func." + ext),
                             stdfs::copy_options::overwrite_existing);
        }
    }
}

double TimeFloor(const std::vector<RecordedRun>& runs, const std::wstring& generatedOut,
                 const stdfs::path& out) {
    const Clock::time_point start = Clock::now();
    stdfs::create_directory(out);
    for (const char* workspace : {"TrustZone.uvmpw", "TrustZone.eww"}) {
        stdfs::copy_file(stdfs::path("ZQD") / workspace, out / workspace);
    }
    for (const RecordedRun& run : runs) {
        const bool secure = run.script == L"tes.lua";
        const std::string name = velmora::ToNarrow(GlobalText(run, "prjname"));
        const stdfs::path project = out / name;
        stdfs::copy(stdfs::path("ZQD") / (secure ? "Secure" : "Nonsecure"), project,
                    stdfs::copy_options::recursive);
        RenameProjectFiles(project, secure ? "Secure" : "Nonsecure", name,
                           secure ? "main.c" : "main_ns.c");
        if (secure) {
            stdfs::copy_file(stdfs::path("ZQD") / "partition_V6048.h", out / "partition_V6048.h",
                             stdfs::copy_options::overwrite_existing);
        }
        CopyXomFiles(run, project);
        RunBare(run, generatedOut, out.wstring());
    }
    return Seconds(start);
}

// --- Validation ----------------------------------------------------------------------

constexpr int kValidationRuns = 2000;

// Best single run of the whole pass, in microseconds; -1 when the configuration
// does not pass (then not every stage ran).
double BestValidationMicroseconds(const velmora::PartitionConfig& config,
                                  const velmora::PathQuery& pathExists) {
    double best = -1;
    for (int run = 0; run < kValidationRuns; ++run) {
        const Clock::time_point start = Clock::now();
        const bool passes = !velmora::FindFirstValidationError(config, pathExists);
        const double micro = Seconds(start) * 1e6;
        if (!passes) return -1;
        if (best < 0 || micro < best) best = micro;
    }
    return best;
}

void ReportValidationTiming(const velmora::PartitionConfig& config) {
    const double onDisk = BestValidationMicroseconds(config, velmora::FileSystemPathQuery());
    const double inMemory =
        BestValidationMicroseconds(config, [](const std::wstring&) { return true; });
    if (onDisk < 0 || inMemory < 0) {
        std::fprintf(stderr, "validation: the configuration does not pass\n");
        return;
    }
    std::fprintf(stderr, "validate 10 projects: %.1f us with the BSP folder queries, %.1f us without "
                 "(best of %d)\n", onDisk, inMemory, kValidationRuns);
}

}  // namespace

int main(int argc, char** argv) {
    velmora::UseUserLocale();
    const stdfs::path root =
        stdfs::temp_directory_path() /
        ("velmora-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    stdfs::create_directories(root);
    const bool real = argc > 1 && CopyWorkingFolder(stdfs::absolute(argv[1]), root);
    if (!real) WriteSyntheticTemplates(root);
    MakeBspFolder(root / "BSP");
    stdfs::current_path(root);
    const velmora::PartitionConfig config = BenchConfiguration((root / "BSP").wstring());
    ReportValidationTiming(config);

    // A warm-up run records the script runs the floor replays; then the two are timed
    // in alternating order so that neither always meets the file system first.
    const std::wstring warmUpOut = (root / "warmup").wstring();
    const GenerationTiming warmUp = TimeGeneration(config, warmUpOut);
    if (!warmUp.completed || warmUp.runs.size() != 10) {
        std::fprintf(stderr, "generation did not complete with 10 script runs\n");
        return 1;
    }
    std::vector<double> generation, floor;
    for (int round = 0; round < kRounds; ++round) {
        const std::wstring out = (root / ("gen" + std::to_string(round))).wstring();
        const stdfs::path floorOut = root / ("floor" + std::to_string(round));
        if (round % 2 == 1) floor.push_back(TimeFloor(warmUp.runs, warmUpOut, floorOut));
        const GenerationTiming timing = TimeGeneration(config, out);
        if (!timing.completed) return 1;
        generation.push_back(timing.seconds);
        if (round % 2 == 0) floor.push_back(TimeFloor(warmUp.runs, warmUpOut, floorOut));
    }
    const double bestGeneration = *std::min_element(generation.begin(), generation.end());
    const double bestFloor = *std::min_element(floor.begin(), floor.end());
    std::fprintf(stderr, "templates: %s (%s)\n", real ? "given working folder" : "synthetic",
                 root.string().c_str());
    std::fprintf(stderr, "generate 10 projects: %.3f ms (best of %d)\n", bestGeneration * 1e3,
                 kRounds);
    std::fprintf(stderr, "floor (plain copy + bare Lua): %.3f ms (best of %d)\n", bestFloor * 1e3,
                 kRounds);
    std::fprintf(stderr, "ratio: %.3f\n", bestGeneration / bestFloor);
    std::error_code ec;
    stdfs::current_path(root.parent_path(), ec);
    stdfs::remove_all(root, ec);
    return 0;
}
