#include "generate/GenerationHostFunctions.h"

#include <algorithm>

#include "platform/ConfinedFiles.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace velmora {
namespace {

ScriptReports& ReportsOf(lua_State* state) {
    return *static_cast<ScriptReports*>(lua_touserdata(state, lua_upvalueindex(1)));
}

std::string BytesArgument(lua_State* state, int index) {
    std::size_t length = 0;
    const char* bytes = luaL_checklstring(state, index, &length);
    return std::string(bytes, length);
}

// A missing or non-text argument is a fault of the script: it raises an error.
std::wstring TextArgument(lua_State* state) { return ToWide(BytesArgument(state, 1)); }

const char* ReasonOf(fs::Confined result) {
    switch (result) {
        case fs::Confined::Done: break;
        case fs::Confined::Missing: return "no such file or folder";
        case fs::Confined::Refused: return "a symbolic link or a special file is in the way";
        case fs::Confined::Failed:
            return "the system refused it (full disk, no permission, read-only file or I/O error)";
    }
    return "";
}

// Stack effect: nil and the reason. Returns the number of results.
int PushFailure(lua_State* state, const char* reason) {
    lua_pushnil(state);
    lua_pushstring(state, reason);
    return 2;
}

// Stack effect: true, or nil and the reason. Returns the number of results.
int PushOutcome(lua_State* state, fs::Confined result) {
    if (result != fs::Confined::Done) return PushFailure(state, ReasonOf(result));
    lua_pushboolean(state, 1);
    return 1;
}

constexpr const char* kOutside = "the path lies outside the output folder";

fs::Confined ReadOutside(const fs::Path& path, std::string& bytes) {
    switch (fs::ReadRegularFile(path, bytes)) {
        case fs::FileRead::Whole: return fs::Confined::Done;
        case fs::FileRead::Interrupted: return fs::Confined::Failed;
        case fs::FileRead::Refused: break;
    }
    return fs::Exists(path) ? fs::Confined::Refused : fs::Confined::Missing;
}

// readfile(path): the whole text, or nil and the reason. Upvalue: the reports of a
// template run, or none for the import.
int ScriptReadFile(lua_State* state) {
    const fs::Path path = fs::ToPath(TextArgument(state));
    const auto* reports = static_cast<const ScriptReports*>(lua_touserdata(state, lua_upvalueindex(1)));
    std::string bytes;
    fs::Confined result;
    if (reports != nullptr && fs::LiesBelow(fs::ToPath(reports->outputFolder), path)) {
        result = fs::ReadBelow(fs::ToPath(reports->outputFolder), path, bytes);
    } else {
        result = ReadOutside(path, bytes);
    }
    if (result != fs::Confined::Done) return PushOutcome(state, result);
    lua_pushlstring(state, bytes.data(), bytes.size());
    return 1;
}

// isfile(path): true when readfile would find a regular file there, false
// otherwise; it reads nothing, so asking costs no copy of a large file.
int ScriptIsFile(lua_State* state) {
    const fs::Path path = fs::ToPath(TextArgument(state));
    const auto* reports = static_cast<const ScriptReports*>(lua_touserdata(state, lua_upvalueindex(1)));
    const fs::Path root = fs::ToPath(reports->outputFolder);
    const bool regular = fs::LiesBelow(root, path)
                             ? fs::KindBelow(root, path) == fs::ConfinedKind::RegularFile
                             : fs::IsRegularFile(path);
    lua_pushboolean(state, regular ? 1 : 0);
    return 1;
}

// writefile(path, text): true, or nil and the reason.
int ScriptWriteFile(lua_State* state) {
    const fs::Path path = fs::ToPath(TextArgument(state));
    const std::string bytes = BytesArgument(state, 2);
    const fs::Path root = fs::ToPath(ReportsOf(state).outputFolder);
    if (!fs::LiesBelow(root, path)) return PushFailure(state, kOutside);
    return PushOutcome(state, fs::WriteBelow(root, path, bytes));
}

// removefile(path): true, or nil and the reason.
int ScriptRemoveFile(lua_State* state) {
    const fs::Path path = fs::ToPath(TextArgument(state));
    const fs::Path root = fs::ToPath(ReportsOf(state).outputFolder);
    if (!fs::LiesBelow(root, path)) return PushFailure(state, kOutside);
    return PushOutcome(state, fs::RemoveBelow(root, path));
}

// fail(text): no results.
int ScriptFail(lua_State* state) {
    ReportsOf(state).failures.reported(TextArgument(state));
    return 0;
}

// warn(text): no results.
int ScriptWarn(lua_State* state) {
    std::vector<std::wstring>& warnings = ReportsOf(state).warnings;
    std::wstring line = TextArgument(state);
    if (std::find(warnings.begin(), warnings.end(), line) == warnings.end()) {
        warnings.push_back(std::move(line));
    }
    return 0;
}

void SetNumberField(lua_State* state, const char* name, std::uint32_t value) {
    lua_pushnumber(state, static_cast<lua_Number>(value));
    lua_setfield(state, -2, name);
}

// sauregions(): one result, the array of regions or nil.
int ScriptSauRegions(lua_State* state) {
    const SauPlan& plan = ReportsOf(state).sau;
    if (!plan.Fits()) {
        lua_pushnil(state);
        return 1;
    }
    lua_createtable(state, static_cast<int>(plan.regions.size()), 0);
    int index = 0;
    for (const SauRegion& region : plan.regions) {
        lua_createtable(state, 0, 3);
        SetNumberField(state, "base", region.base);
        SetNumberField(state, "limit", region.limit);
        lua_pushboolean(state, region.nonSecureCallable ? 1 : 0);
        lua_setfield(state, -2, "nsc");
        lua_rawseti(state, -2, ++index);
    }
    return 1;
}

// bootchain(): one result, the array of images.
int ScriptBootChain(lua_State* state) {
    const auto& chain =
        *static_cast<const std::vector<BootImage>*>(lua_touserdata(state, lua_upvalueindex(1)));
    lua_createtable(state, static_cast<int>(chain.size()), 0);
    int index = 0;
    for (const BootImage& image : chain) {
        lua_createtable(state, 0, 2);
        const std::string name = ToNarrow(image.name);
        lua_pushlstring(state, name.data(), name.size());
        lua_setfield(state, -2, "name");
        lua_pushboolean(state, image.nonSecure ? 1 : 0);
        lua_setfield(state, -2, "ns");
        lua_rawseti(state, -2, ++index);
    }
    return 1;
}

// generated(name): one result, "S", "NS" or nil.
int ScriptGenerated(lua_State* state) {
    const auto& generated = *static_cast<const std::map<std::wstring, bool>*>(
        lua_touserdata(state, lua_upvalueindex(1)));
    const auto found = generated.find(TextArgument(state));
    if (found == generated.end()) {
        lua_pushnil(state);
    } else {
        lua_pushstring(state, found->second ? "S" : "NS");
    }
    return 1;
}

}  // namespace

void RegisterGenerated(ScriptHost& host, std::map<std::wstring, bool>& generated) {
    host.Register("generated", &ScriptGenerated, &generated);
}

void RegisterBootChain(ScriptHost& host, std::vector<BootImage>& chain) {
    host.Register("bootchain", &ScriptBootChain, &chain);
}

void RegisterTemplateHostFunctions(ScriptHost& host, ScriptReports& reports, bool secure) {
    host.Register("fail", &ScriptFail, &reports);
    host.Register("warn", &ScriptWarn, &reports);
    if (secure) host.Register("sauregions", &ScriptSauRegions, &reports);
    host.Register("readfile", &ScriptReadFile, &reports);
    host.Register("isfile", &ScriptIsFile, &reports);
    host.Register("writefile", &ScriptWriteFile, &reports);
    host.Register("removefile", &ScriptRemoveFile, &reports);
}

void RegisterFileReader(ScriptHost& host) { host.Register("readfile", &ScriptReadFile, nullptr); }

}  // namespace velmora
