#include "generate/GenerationHostFunctions.h"

#include <algorithm>

#include "platform/TextCodec.h"

namespace velmora {
namespace {

ScriptReports& ReportsOf(lua_State* state) {
    return *static_cast<ScriptReports*>(lua_touserdata(state, lua_upvalueindex(1)));
}

// A missing or non-text argument is a fault of the script: it raises an error.
std::wstring TextArgument(lua_State* state) {
    std::size_t length = 0;
    const char* bytes = luaL_checklstring(state, 1, &length);
    return ToWide(std::string(bytes, length));
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

}  // namespace

void RegisterBootChain(ScriptHost& host, std::vector<BootImage>& chain) {
    host.Register("bootchain", &ScriptBootChain, &chain);
}

void RegisterTemplateHostFunctions(ScriptHost& host, ScriptReports& reports, bool secure) {
    host.Register("fail", &ScriptFail, &reports);
    host.Register("warn", &ScriptWarn, &reports);
    if (secure) host.Register("sauregions", &ScriptSauRegions, &reports);
}

}  // namespace velmora
