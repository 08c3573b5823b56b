#include "generate/ImportKeilProject.h"

#include <cmath>

#include "generate/GenerationHostFunctions.h"
#include "platform/TextCodec.h"

namespace velmora {
namespace {

struct ImportSession {
    PartitionConfig& config;
    ImportResult& result;
};

ImportSession& SessionOf(lua_State* state) {
    return *static_cast<ImportSession*>(lua_touserdata(state, lua_upvalueindex(1)));
}

// A missing or non-text argument reads as the empty text.
std::wstring TextArgument(lua_State* state, int index) {
    std::size_t length = 0;
    const char* bytes = lua_isstring(state, index) ? lua_tolstring(state, index, &length) : nullptr;
    return bytes != nullptr ? ToWide(std::string(bytes, length)) : std::wstring();
}

// A missing or non-numeric argument reads as 0; a fraction is truncated toward zero.
// Values beyond 64 bits, and NaN, read as 0 so that no conversion overflows.
std::int64_t IntegerArgument(lua_State* state, int index) {
    const double value = std::trunc(static_cast<double>(lua_tonumber(state, index)));
    if (!(value > -9.2e18 && value < 9.2e18)) return 0;
    return static_cast<std::int64_t>(value);
}

// Modulo 2^32, as a 32-bit register would take it.
std::uint32_t WordArgument(lua_State* state, int index) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(IntegerArgument(state, index)));
}

unsigned XomMaskArguments(lua_State* state, int first) {
    unsigned mask = 0;
    for (int k = 0; k < kXomRegionCount; ++k) {
        if (IntegerArgument(state, first + k) == 1) mask |= 1u << k;
    }
    return mask;
}

// addprj(name, ns, ro, rosize, rw, nsc, nscsize, xom0, xom1, xom2, xom3, nextboot, path)
int AddProject(lua_State* state) {
    ImportSession& session = SessionOf(state);
    AddProjectRow(session.config.projects, TextArgument(state, 1),
                  IntegerArgument(state, 2) != 0 ? 1 : 0, WordArgument(state, 3),
                  WordArgument(state, 4), WordArgument(state, 5), WordArgument(state, 6),
                  WordArgument(state, 7), XomMaskArguments(state, 8), TextArgument(state, 12),
                  TextArgument(state, 13));
    ++session.result.rowsAdded;
    return 0;
}

// setxom(k, baseText, sizeText): texts stored as given; k outside 0..3 changes nothing.
int SetXom(lua_State* state) {
    ImportSession& session = SessionOf(state);
    const std::int64_t k = IntegerArgument(state, 1);
    if (k < 0 || k >= kXomRegionCount) return 0;
    XomRegion& region = session.config.xomRegions[static_cast<std::size_t>(k)];
    region.base = TextArgument(state, 2);
    region.size = TextArgument(state, 3);
    return 0;
}

// setnsba(value): kept, not applied.
int SetNsba(lua_State* state) {
    SessionOf(state).result.nsba = IntegerArgument(state, 1);
    return 0;
}

void RunImportScript(ScriptHost& host, ImportResult& result, Frontend& frontend) {
    const FrontendWork work(frontend, L"Importing the Keil project...");
    result.succeeded = host.Run();
    result.cancelled = host.cancelled();
    result.scriptTraceback = host.lastTraceback();
}

void ShowImportCancelled(const ImportResult& result, Frontend& frontend) {
    const std::wstring kept = result.rowsAdded == 0
                                  ? L"No project row was added."
                                  : L"The " + std::to_wstring(result.rowsAdded) +
                                        L" project row(s) read before it stay in the table.";
    frontend.message(L"The import was cancelled. " + kept, kApplicationName,
                     MessageIcon::Information, MessageButtons::Ok);
}

}  // namespace

ImportResult ImportKeilProject(PartitionConfig& config, const std::wstring& path,
                               Frontend& frontend, ScriptTrace* trace) {
    ImportResult result;
    ImportSession session{config, result};
    ScriptHost host(frontend, trace);
    if (!host.Open()) {
        host.ReportError(L"not enough memory");
        return result;
    }
    if (!host.LoadScript(L"ldp.lua")) return result;
    host.Register("dbg", &ScriptDbg);
    host.Register("addprj", &AddProject, &session);
    host.Register("setxom", &SetXom, &session);
    host.Register("setnsba", &SetNsba, &session);
    host.SetString("infname", path);
    RegisterFileReader(host);
    RunImportScript(host, result, frontend);
    host.Close();
    result.scriptOutput = host.printedText();
    if (result.cancelled) ShowImportCancelled(result, frontend);
    return result;
}

}  // namespace velmora
