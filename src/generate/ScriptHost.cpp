#include "generate/ScriptHost.h"

#include <string>

#include "generate/CompiledChunks.h"
#include "generate/ScriptLibraryGuards.h"
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

ScriptHost* HostOf(lua_State* state) {
    lua_pushlightuserdata(state, &hostRegistryKey);
    lua_rawget(state, LUA_REGISTRYINDEX);
    auto* host = static_cast<ScriptHost*>(lua_touserdata(state, -1));
    lua_pop(state, 1);
    return host;
}

}  // namespace

ScriptHost::ScriptHost(Frontend& frontend, ScriptTrace* trace)
    : frontend_(frontend), trace_(trace) {}

ScriptHost::~ScriptHost() { Close(); }

bool ScriptHost::Open() {
    Close();
    arena_.Release();
    collectorWaiting_ = false;
    state_ = lua_newstate(&ScriptHost::Allocate, this);
    if (state_ == nullptr) return false;
    lua_atpanic(state_, &PanicHandler);
    lua_pushlightuserdata(state_, &hostRegistryKey);
    lua_pushlightuserdata(state_, this);
    lua_rawset(state_, LUA_REGISTRYINDEX);
    output_.Clear();
    instructionsRun_ = 0;
    stop_ = Stop::None;
    stopText_.clear();
    // Protected, so that even running out of memory here is an ordinary failure.
    if (lua_cpcall(state_, &OpenLibraries, this) != 0) {
        Close();
        return false;
    }
    lua_sethook(state_, &CountHook, LUA_MASKCOUNT, kScriptPollInstructions);
    // A template run edits whole files and leaves copies of them behind, and
    // collecting them cost more than the edits; most runs end long before
    // kScriptCollectorWaitBytes, and lua_close frees everything at once.
    lua_gc(state_, LUA_GCSTOP, 0);
    collectorWaiting_ = true;
    return true;
}

// Stack: the host as a light userdata (the lua_cpcall argument).
int ScriptHost::OpenLibraries(lua_State* state) {
    auto* host = static_cast<ScriptHost*>(lua_touserdata(state, 1));
    luaL_openlibs(state);
    GuardStandardLibrary(state);
    LoadDofileThroughCache(state);
    CaptureScriptOutput(state, host->output_);
    return 0;
}

bool ScriptHost::LoadScript(const std::wstring& fileName) {
    if (state_ == nullptr) return false;
    if (LoadCompiledFile(state_, ToNarrow(fileName).c_str()) != 0) {
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
    // A stop cannot be caught by the script (KeepStopping), so it always fails the
    // call; its own text stands, whatever the script made of the error on its way.
    if (stop_ == Stop::LimitPassed) {
        ReportError(ToWide(stopText_));
    } else if (status != 0 && stop_ != Stop::Cancelled) {
        const std::wstring text = ErrorText(state_);
        ReportError(text);
    }
    lua_settop(state_, handlerIndex - 1);
    return status == 0 && stop_ == Stop::None;
}

void ScriptHost::Close() {
    if (state_ != nullptr) {
        lua_close(state_);
        arena_.Release();
        if (trace_ != nullptr) trace_->scriptClosed(instructionsRun_);
    }
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
    ScriptHost* host = HostOf(state);
    if (host != nullptr) host->ReportError(text);
    return 0;
}

// Every kScriptPollInstructions instructions, in whichever coroutine runs. Raises
// the stop as a Lua error; nothing with a destructor may live here (Lua's errors
// jump over C++ frames).
void ScriptHost::CountHook(lua_State* state, lua_Debug*) {
    ScriptHost* host = HostOf(state);
    if (host == nullptr || !host->ShouldStop(state)) return;
    host->KeepStopping(state);
    lua_pushlstring(state, host->stopText_.data(), host->stopText_.size());
    lua_error(state);
}

// The allocator of the state: its arena, which wakes the collector once it is
// filled, in whichever coroutine allocates. Lua 5.1's LUA_GCRESTART only lowers
// the collector's threshold (no allocation, no collection), so it may be asked
// for in here.
void* ScriptHost::Allocate(void* host, void* block, std::size_t oldSize, std::size_t newSize) {
    auto* self = static_cast<ScriptHost*>(host);
    void* resized = self->arena_.Reallocate(block, oldSize, newSize);
    if (self->collectorWaiting_ && self->arena_.Filled() && self->state_ != nullptr) {
        self->collectorWaiting_ = false;
        lua_gc(self->state_, LUA_GCRESTART, 0);
    }
    return resized;
}

bool ScriptHost::ShouldStop(lua_State* state) {
    if (stop_ != Stop::None) return true;
    instructionsRun_ += kScriptPollInstructions;
    if (instructionsRun_ > instructionLimit_) {
        stop_ = Stop::LimitPassed;
        luaL_where(state, 0);
        stopText_ = NarrowAt(state, -1) + "the script ran past its limit of " +
                    std::to_string(instructionLimit_) + " instructions and was stopped";
        lua_pop(state, 1);
        return true;
    }
    if (!frontend_.cancelRequested()) return false;
    stop_ = Stop::Cancelled;
    stopText_ = "cancelled by the user";
    return true;
}

// A script may catch the stop with pcall: from now on every instruction raises it
// again, so it reaches the host's own protected call.
void ScriptHost::KeepStopping(lua_State* state) {
    lua_sethook(state, &CountHook, LUA_MASKCOUNT, 1);
    if (state != state_) lua_sethook(state_, &CountHook, LUA_MASKCOUNT, 1);
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
    if (ScriptHost* host = HostOf(state)) host->output_.Append(line.data(), line.size());
    WriteStdout(ToWide(line));
    return 0;
}

}  // namespace velmora
