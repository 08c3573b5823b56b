#include "GenerateTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace velmora::test {

void WriteTemplateTree(const TempDir& dir) {
    const char* const files[] = {
        "ZQD/Secure/KEIL/Secure.uvprojx",
        "ZQD/Secure/KEIL/Secure.uvoptx",
        "ZQD/Secure/KEIL/secure.sct",
        "ZQD/Secure/IAR/Secure.eww",
        "ZQD/Secure/IAR/Secure.ewd",
        "ZQD/Secure/IAR/Secure.ewp",
        "ZQD/Secure/GCC/CMakeLists.txt.in",
        "ZQD/Secure/GCC/secure.ld",
        "ZQD/Secure/GCC/debug.gdb",
        "ZQD/Secure/main.c",
        "ZQD/Nonsecure/KEIL/Nonsecure.uvprojx",
        "ZQD/Nonsecure/KEIL/Nonsecure.uvoptx",
        "ZQD/Nonsecure/IAR/Nonsecure.eww",
        "ZQD/Nonsecure/IAR/Nonsecure.ewd",
        "ZQD/Nonsecure/IAR/Nonsecure.ewp",
        "ZQD/Nonsecure/GCC/CMakeLists.txt.in",
        "ZQD/Nonsecure/GCC/nonsecure.ld",
        "ZQD/Nonsecure/main_ns.c",
        "ZQD/partition_V6048.h",
        "ZQD/xom/xom_func.c",
        "ZQD/xom/xom_func.h",
        "ZQD/TrustZone.uvmpw",
        "ZQD/TrustZone.eww",
        "ZQD/CMakeLists.txt",
        "ZQD/CMakePresets.json",
        "ZQD/arm-none-eabi-gcc.cmake",
    };
    // Project and workspace files are whole documents of their kind, as a later run checks.
    for (const std::string file : files) {
        const bool xml = file.find(".uv") != std::string::npos || file.find(".ew") != std::string::npos;
        const bool json = file.find(".json") != std::string::npos;
        dir.writeFile(file, xml    ? "<template file=\"" + file + "\"/>\n"
                            : json ? "{\"template\": \"" + file + "\"}\n"
                                   : "template " + file + "\n");
    }
}

const char* const kRecordingScript = R"lua(
local names = {}
for name in pairs(_G) do names[#names + 1] = name end
table.sort(names)
local log = assert(io.open("globals.log", "ab"))
log:write("run\n")
for _, name in ipairs(names) do
  local value = _G[name]
  local kind = type(value)
  local text = ""
  if kind == "number" then text = string.format("%.17g", value)
  elseif kind == "string" then text = value end
  log:write(name, "\t", kind, "\t", text, "\n")
end
log:close()
)lua";

std::set<std::string> StandardGlobalNames() {
    std::set<std::string> names;
    lua_State* state = luaL_newstate();
    luaL_openlibs(state);
    lua_pushnil(state);
    while (lua_next(state, LUA_GLOBALSINDEX) != 0) {
        lua_pop(state, 1);
        names.insert(lua_tostring(state, -1));
    }
    lua_close(state);
    return names;
}

std::vector<FoundGlobals> ReadRecordedRuns(const TempDir& dir) {
    const std::set<std::string> standard = StandardGlobalNames();
    std::vector<FoundGlobals> runs;
    std::istringstream log(dir.readFile("globals.log"));
    std::string line;
    while (std::getline(log, line)) {
        if (line == "run") {
            runs.emplace_back();
            continue;
        }
        const std::size_t tab1 = line.find('\t');
        const std::size_t tab2 = line.find('\t', tab1 + 1);
        const std::string name = line.substr(0, tab1);
        if (runs.empty() || standard.count(name) != 0) continue;
        runs.back()[name] = {line.substr(tab1 + 1, tab2 - tab1 - 1), line.substr(tab2 + 1)};
    }
    return runs;
}

void RecordingTrace::globalSet(const ScriptGlobal& global) {
    if (runs.empty()) {
        ++globalsBeforeAnyLoad;
        return;
    }
    runs.back().globals.push_back(global);
}

std::vector<std::string> NamesInOrder(const RecordingTrace::Run& run) {
    std::vector<std::string> names;
    for (const ScriptGlobal& global : run.globals) names.push_back(global.name);
    return names;
}

Expected Text(const std::string& name, const std::wstring& value) {
    return {name, "string", WideToUtf8(value)};
}

Expected Number(const std::string& name, unsigned long long value) {
    return {name, "number", std::to_string(value)};
}

Expected Function(const std::string& name) { return {name, "function", ""}; }

namespace {

Expected AsExpected(const ScriptGlobal& global) {
    if (global.kind == ScriptGlobal::Kind::Number) return Number(global.name, global.number);
    if (global.kind == ScriptGlobal::Kind::Text) return Text(global.name, global.text);
    return Function(global.name);
}

std::string Describe(const Expected& e) { return e.name + " " + e.type + " " + e.value; }

}  // namespace

void ExpectRunGlobals(const RecordingTrace::Run& hostRun, const FoundGlobals& scriptRun,
                      const std::vector<Expected>& expected) {
    std::vector<std::string> wanted;
    for (const Expected& e : expected) wanted.push_back(Describe(e));
    std::vector<std::string> setByHost;
    for (const ScriptGlobal& global : hostRun.globals)
        setByHost.push_back(Describe(AsExpected(global)));
    EXPECT_EQ(setByHost, wanted) << "globals set by the host, in order";

    std::vector<std::string> foundByScript;
    for (const auto& [name, found] : scriptRun)
        foundByScript.push_back(name + " " + found.first + " " + found.second);
    std::vector<std::string> wantedSorted = wanted;
    std::sort(wantedSorted.begin(), wantedSorted.end());
    EXPECT_EQ(foundByScript, wantedSorted) << "globals the script found besides the standard ones";
}

std::wstring P(const std::wstring& slashed) {
    std::wstring text = slashed;
    std::replace(text.begin(), text.end(), L'/', fs::Separator());
    return text;
}

}  // namespace velmora::test
