#include "generate/ScriptHost.h"

#include "platform/Console.h"
#include "platform/TextCodec.h"

namespace velmora {
namespace {

// Its address is the registry key under which a state finds its host.
char hostRegistryKey;

std::string NarrowAt(lua_State* state, int index) {
    std::size_t length = 0;
    const char* bytes = lua_tolstring(state, index, &length);
    return bytes != nullptr ? std::string(bytes, length) : std::string();
}

// Error objects need not be text; say what was raised instead of showing nothing.
std::wstring ErrorText(lua_State* state) {
    if (lua_isstring(state, -1)) return ToWide(NarrowAt(state, -1));
    return ToWide(std::string("(error object is a ") + luaL_typename(state, -1) + " value)");
}

int OpenStandardLibraries(lua_State* state) {
    luaL_openlibs(state);
    return 0;
}

}  // namespace

ScriptHost::ScriptHost(Frontend& frontend, ScriptTrace* trace)
    : frontend_(frontend), trace_(trace) {}

ScriptHost::~ScriptHost() { Close(); }

bool ScriptHost::Open() {
    Close();
    state_ = luaL_newstate();
    if (state_ == nullptr) return false;
    lua_atpanic(state_, &PanicHandler);
    lua_pushlightuserdata(state_, &hostRegistryKey);
    lua_pushlightuserdata(state_, this);
    lua_rawset(state_, LUA_REGISTRYINDEX);
    // Protected, so that even running out of memory here is an ordinary failure.
    if (lua_cpcall(state_, &OpenStandardLibraries, nullptr) != 0) {
        Close();
        return false;
    }
    return true;
}

bool ScriptHost::LoadScript(const std::wstring& fileName) {
    if (state_ == nullptr) return false;
    if (luaL_loadfile(state_, ToNarrow(fileName).c_str()) != 0) {
        const std::wstring text = L"cannot run configuration file: " + ErrorText(state_);
        lua_pop(state_, 1);
        ReportError(text);
        return false;
    }
    chunkLoaded_ = true;
    if (trace_ != nullptr) trace_->scriptLoaded(fileName);
    return true;
}

void ScriptHost::SetString(const std::string& name, const std::wstring& text) {
    if (state_ == nullptr) return;
    const std::string narrow = ToNarrow(text);
    lua_pushlstring(state_, narrow.data(), narrow.size());
    lua_setfield(state_, LUA_GLOBALSINDEX, name.c_str());
    if (trace_ != nullptr) trace_->globalSet({name, ScriptGlobal::Kind::Text, text, 0});
}

void ScriptHost::SetNumber(const std::string& name, std::uint32_t value) {
    if (state_ == nullptr) return;
    lua_pushnumber(state_, static_cast<lua_Number>(value));
    lua_setfield(state_, LUA_GLOBALSINDEX, name.c_str());
    if (trace_ != nullptr) trace_->globalSet({name, ScriptGlobal::Kind::Number, {}, value});
}

void ScriptHost::Register(const std::string& name, lua_CFunction function, void* context) {
    if (state_ == nullptr) return;
    lua_pushlightuserdata(state_, context);
    lua_pushcclosure(state_, function, 1);
    lua_setfield(state_, LUA_GLOBALSINDEX, name.c_str());
    if (trace_ != nullptr) trace_->globalSet({name, ScriptGlobal::Kind::Function, {}, 0});
}

bool ScriptHost::Run() {
    if (!Ready()) return false;
    chunkLoaded_ = false;
    lastTraceback_.clear();
    // Stack: chunk. Put the message handler below it: handler, chunk.
    lua_pushlightuserdata(state_, this);
    lua_pushcclosure(state_, &MessageHandler, 1);
    lua_insert(state_, -2);
    const int handlerIndex = lua_gettop(state_) - 1;
    const int status = lua_pcall(state_, 0, 0, handlerIndex);
    if (status != 0) {
        const std::wstring text = ErrorText(state_);
        ReportError(text);
    }
    lua_settop(state_, handlerIndex - 1);
    return status == 0;
}

void ScriptHost::Close() {
    if (state_ != nullptr) lua_close(state_);
    state_ = nullptr;
    chunkLoaded_ = false;
}

void ScriptHost::ReportError(const std::wstring& errorText) {
    frontend_.message(errorText, L"ERROR", MessageIcon::None, MessageButtons::Ok);
    frontend_.message(PrintResultText(), L"Console", MessageIcon::None, MessageButtons::Ok);
}

std::wstring ScriptHost::PrintResultText() const {
    if (state_ == nullptr) return {};
    // Raw access: a script's metatable on the globals must not raise a second error here.
    lua_pushliteral(state_, "printResult");
    lua_rawget(state_, LUA_GLOBALSINDEX);
    const int type = lua_type(state_, -1);
    std::wstring text;
    if (type == LUA_TSTRING || type == LUA_TNUMBER) text = ToWide(NarrowAt(state_, -1));
    lua_pop(state_, 1);
    return text;
}

// Stack: error object (1). Keeps it as the result and notes the traceback beside it.
int ScriptHost::MessageHandler(lua_State* state) {
    auto* host = static_cast<ScriptHost*>(lua_touserdata(state, lua_upvalueindex(1)));
    if (!lua_isstring(state, 1)) return 1;
    // Raw access: an error raised by a script's metatable here would replace the
    // script's own error with "error in error handling".
    lua_pushliteral(state, "debug");
    lua_rawget(state, LUA_GLOBALSINDEX);
    if (lua_istable(state, -1)) {
        lua_pushliteral(state, "traceback");
        lua_rawget(state, -2);
        if (lua_isfunction(state, -1)) {
            lua_pushvalue(state, 1);
            lua_pushinteger(state, 2);
            if (lua_pcall(state, 2, 1, 0) == 0) host->lastTraceback_ = ToWide(NarrowAt(state, -1));
        }
    }
    lua_settop(state, 1);
    return 1;
}

// Reached only by an error outside every protected call (memory exhausted while
// setting a global); Lua ends the process when this returns.
int ScriptHost::PanicHandler(lua_State* state) {
    const std::wstring text = ErrorText(state);
    lua_pushlightuserdata(state, &hostRegistryKey);
    lua_rawget(state, LUA_REGISTRYINDEX);
    auto* host = static_cast<ScriptHost*>(lua_touserdata(state, -1));
    lua_pop(state, 1);
    if (host != nullptr) host->ReportError(text);
    return 0;
}

namespace {

std::string DbgArgumentText(lua_State* state, int index) {
    switch (lua_type(state, index)) {
        case LUA_TSTRING:
        case LUA_TNUMBER: return NarrowAt(state, index);
        case LUA_TBOOLEAN: return lua_toboolean(state, index) ? "true" : "false";
        default: return luaL_typename(state, index);
    }
}

}  // namespace

int ScriptDbg(lua_State* state) {
    const int count = lua_gettop(state);
    std::string line;
    for (int i = 1; i <= count; ++i) {
        if (i > 1) line += '\t';
        line += DbgArgumentText(state, i);
    }
    line += '\n';
    WriteStdout(ToWide(line));
    return 0;
}

}  // namespace velmora
