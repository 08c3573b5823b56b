#include "generate/ScriptOutput.h"

#include <string_view>

#include "platform/Console.h"
#include "platform/TextCodec.h"

namespace velmora {
namespace {

constexpr const char* kNotKeptLine = "(the script printed more; the rest is not kept here)\n";

// Upvalues of the capturing functions.
constexpr int kOutputUpvalue = 1;         // the ScriptOutput, a light userdata
constexpr int kStdoutUpvalue = 2;         // io.stdout
constexpr int kStderrUpvalue = 3;         // io.stderr
constexpr int kOriginalUpvalue = 4;       // the function replaced
constexpr int kDefaultOutputUpvalue = 5;  // io.output, io.write only

ScriptOutput& OutputOf(lua_State* state) {
    return *static_cast<ScriptOutput*>(lua_touserdata(state, lua_upvalueindex(kOutputUpvalue)));
}

bool IsStandardStream(lua_State* state, int index) {
    return lua_rawequal(state, index, lua_upvalueindex(kStdoutUpvalue)) != 0 ||
           lua_rawequal(state, index, lua_upvalueindex(kStderrUpvalue)) != 0;
}

// print(...): as Lua's own, every argument through the global tostring, a tab
// between two and a newline after the last; written to standard output and kept.
int CapturedPrint(lua_State* state) {
    const int count = lua_gettop(state);
    luaL_Buffer line;
    luaL_buffinit(state, &line);
    for (int i = 1; i <= count; ++i) {
        if (i > 1) luaL_addchar(&line, '\t');
        lua_getglobal(state, "tostring");
        lua_pushvalue(state, i);
        lua_call(state, 1, 1);
        if (!lua_isstring(state, -1))
            return luaL_error(state, "'tostring' must return a string to 'print'");
        luaL_addvalue(&line);
    }
    luaL_addchar(&line, '\n');
    luaL_pushresult(&line);
    std::size_t length = 0;
    const char* bytes = lua_tolstring(state, -1, &length);
    OutputOf(state).Append(bytes, length);
    WriteStdout(ToWide(std::string(bytes, length)));
    return 0;
}

// Calls the replaced function with this call's arguments, which stay below its
// results; returns the number of results.
int CallOriginalKeepingArguments(lua_State* state) {
    const int count = lua_gettop(state);
    lua_pushvalue(state, lua_upvalueindex(kOriginalUpvalue));
    for (int i = 1; i <= count; ++i) lua_pushvalue(state, i);
    lua_call(state, count, LUA_MULTRET);
    return lua_gettop(state) - count;
}

// After a write that succeeded, every argument was a string or a number.
void KeepWrittenArguments(lua_State* state, int first, int last) {
    for (int i = first; i <= last; ++i) {
        std::size_t length = 0;
        const char* bytes = lua_tolstring(state, i, &length);
        if (bytes != nullptr) OutputOf(state).Append(bytes, length);
    }
}

// io.write(...): kept while the default output is a standard stream.
int CapturedIoWrite(lua_State* state) {
    lua_pushvalue(state, lua_upvalueindex(kDefaultOutputUpvalue));
    lua_call(state, 0, 1);
    const bool standard = IsStandardStream(state, -1);
    lua_pop(state, 1);
    const int count = lua_gettop(state);
    const int results = CallOriginalKeepingArguments(state);
    if (standard) KeepWrittenArguments(state, 1, count);
    return results;
}

// file:write(...): kept for io.stdout and io.stderr.
int CapturedFileWrite(lua_State* state) {
    const bool standard = IsStandardStream(state, 1);
    const int count = lua_gettop(state);
    const int results = CallOriginalKeepingArguments(state);
    if (standard) KeepWrittenArguments(state, 2, count);
    return results;
}

// Stack: ... The first three upvalues of a capturing function.
void PushCaptureUpvalues(lua_State* state, ScriptOutput& output, int stdoutIndex, int stderrIndex) {
    lua_pushlightuserdata(state, &output);
    lua_pushvalue(state, stdoutIndex);
    lua_pushvalue(state, stderrIndex);
}

}  // namespace

void ScriptOutput::Append(const char* bytes, std::size_t length) {
    if (truncated_) return;
    const std::size_t room = kKeptBytes - kept_.size();
    if (length <= room) {
        kept_.append(bytes, length);
        return;
    }
    // Whole lines only, so that no character is cut in two.
    std::string_view fitting(bytes, room);
    const std::size_t lineEnd = fitting.rfind('\n');
    kept_.append(bytes, lineEnd == std::string_view::npos ? 0 : lineEnd + 1);
    if (!kept_.empty() && kept_.back() != '\n') kept_ += '\n';
    kept_ += kNotKeptLine;
    truncated_ = true;
}

void ScriptOutput::Clear() {
    kept_.clear();
    truncated_ = false;
}

std::wstring ScriptOutput::Text() const { return ToWide(kept_); }

void CaptureScriptOutput(lua_State* state, ScriptOutput& output) {
    const int top = lua_gettop(state);
    lua_getglobal(state, "io");
    const int io = top + 1;
    if (!lua_istable(state, io)) luaL_error(state, "the io library is missing");
    lua_getfield(state, io, "stdout");
    const int stdoutIndex = top + 2;
    lua_getfield(state, io, "stderr");
    const int stderrIndex = top + 3;
    luaL_getmetatable(state, LUA_FILEHANDLE);
    const int fileMethods = top + 4;

    lua_pushlightuserdata(state, &output);
    lua_pushcclosure(state, &CapturedPrint, 1);
    lua_setglobal(state, "print");

    PushCaptureUpvalues(state, output, stdoutIndex, stderrIndex);
    lua_getfield(state, io, "write");
    lua_getfield(state, io, "output");
    lua_pushcclosure(state, &CapturedIoWrite, 5);
    lua_setfield(state, io, "write");

    PushCaptureUpvalues(state, output, stdoutIndex, stderrIndex);
    lua_getfield(state, fileMethods, "write");
    lua_pushcclosure(state, &CapturedFileWrite, 4);
    lua_setfield(state, fileMethods, "write");
    lua_settop(state, top);
}

}  // namespace velmora
