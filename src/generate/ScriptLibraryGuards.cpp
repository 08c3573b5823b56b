#include "generate/ScriptLibraryGuards.h"

#include "platform/ConfinedFiles.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace velmora {
namespace {

constexpr const char* kEndsTheProgram = "it would end the program";
constexpr const char* kWaitsForInput = "it would wait for input that nobody types";
constexpr const char* kRemovesTheHook =
    "it would remove the hook that stops a script running too long";

// Upvalues of the replacements.
constexpr int kNameUpvalue = 1;      // what the error names
constexpr int kReasonUpvalue = 2;    // why it is not available
constexpr int kStdinUpvalue = 3;     // io.stdin
constexpr int kOriginalUpvalue = 4;  // the function guarded
constexpr int kInputUpvalue = 5;     // io.input

int RaiseUnavailable(lua_State* state) {
    return luaL_error(state, "%s is not available to the scripts: %s",
                      lua_tostring(state, lua_upvalueindex(kNameUpvalue)),
                      lua_tostring(state, lua_upvalueindex(kReasonUpvalue)));
}

// Calls the guarded function with this call's arguments; returns all its results.
int CallOriginal(lua_State* state) {
    lua_pushvalue(state, lua_upvalueindex(kOriginalUpvalue));
    lua_insert(state, 1);
    lua_call(state, lua_gettop(state) - 1, LUA_MULTRET);
    return lua_gettop(state);
}

bool DefaultInputIsStdin(lua_State* state) {
    lua_pushvalue(state, lua_upvalueindex(kInputUpvalue));
    lua_call(state, 0, 1);
    const bool isStdin = lua_rawequal(state, -1, lua_upvalueindex(kStdinUpvalue)) != 0;
    lua_pop(state, 1);
    return isStdin;
}

// io.read(...)
int GuardedIoRead(lua_State* state) {
    if (DefaultInputIsStdin(state)) return RaiseUnavailable(state);
    return CallOriginal(state);
}

// io.lines(name): only without a name does it read the default input.
int GuardedIoLines(lua_State* state) {
    if (lua_isnoneornil(state, 1) && DefaultInputIsStdin(state)) return RaiseUnavailable(state);
    return CallOriginal(state);
}

// file:read(...) and file:lines(), shared by every file.
int GuardedFileMethod(lua_State* state) {
    if (lua_rawequal(state, 1, lua_upvalueindex(kStdinUpvalue)) != 0) return RaiseUnavailable(state);
    return CallOriginal(state);
}

void ReplaceWithError(lua_State* state, int table, const char* field, const char* name,
                      const char* reason) {
    if (!lua_istable(state, table)) return;
    lua_pushstring(state, name);
    lua_pushstring(state, reason);
    lua_pushcclosure(state, &RaiseUnavailable, 2);
    lua_setfield(state, table, field);
}

struct StdinIndices {
    int stdinFile;
    int inputFunction;
};

void GuardStdinReader(lua_State* state, int table, const char* field, const char* name,
                      lua_CFunction guard, StdinIndices indices) {
    lua_pushstring(state, name);
    lua_pushstring(state, kWaitsForInput);
    lua_pushvalue(state, indices.stdinFile);
    lua_getfield(state, table, field);
    lua_pushvalue(state, indices.inputFunction);
    lua_pushcclosure(state, guard, 5);
    lua_setfield(state, table, field);
}

void GuardStandardInput(lua_State* state, int io) {
    const int top = lua_gettop(state);
    lua_getfield(state, io, "stdin");
    lua_getfield(state, io, "input");
    const StdinIndices indices{top + 1, top + 2};
    luaL_getmetatable(state, LUA_FILEHANDLE);
    const int fileMethods = top + 3;
    GuardStdinReader(state, io, "read", "io.read from standard input", &GuardedIoRead, indices);
    GuardStdinReader(state, io, "lines", "io.lines on standard input", &GuardedIoLines, indices);
    if (lua_istable(state, fileMethods)) {
        GuardStdinReader(state, fileMethods, "read", "io.stdin:read", &GuardedFileMethod, indices);
        GuardStdinReader(state, fileMethods, "lines", "io.stdin:lines", &GuardedFileMethod, indices);
    }
    lua_settop(state, top);
}

// Upvalues of the functions that see the disk: the function itself, and how many
// of its first arguments name files (none: it runs a command, which may read any).
constexpr int kDiskFunctionUpvalue = 1;
constexpr int kPathArgumentsUpvalue = 2;

// Calls the function once the files that a generation holds in memory for the
// paths it names (for a command: all of them) are on the disk.
int WithStagedFilesWritten(lua_State* state) {
    const auto paths = static_cast<int>(lua_tointeger(state, lua_upvalueindex(kPathArgumentsUpvalue)));
    if (paths == 0) fs::WriteStagedFiles();
    for (int i = 1; i <= paths; ++i) {
        if (lua_type(state, i) == LUA_TSTRING) {
            fs::WriteStagedFilesFor(fs::ToPath(ToWide(lua_tostring(state, i))));
        }
    }
    lua_pushvalue(state, lua_upvalueindex(kDiskFunctionUpvalue));
    lua_insert(state, 1);
    lua_call(state, lua_gettop(state) - 1, LUA_MULTRET);
    return lua_gettop(state);
}

void SeeStagedFiles(lua_State* state, int table, const char* field, int pathArguments) {
    if (!lua_istable(state, table)) return;
    lua_getfield(state, table, field);
    if (!lua_isfunction(state, -1)) {
        lua_pop(state, 1);
        return;
    }
    lua_pushinteger(state, pathArguments);
    lua_pushcclosure(state, &WithStagedFilesWritten, 2);
    lua_setfield(state, table, field);
}

}  // namespace

void GuardStandardLibrary(lua_State* state) {
    const int top = lua_gettop(state);
    lua_getglobal(state, "os");
    lua_getglobal(state, "debug");
    lua_getglobal(state, "io");
    const int os = top + 1;
    const int debug = top + 2;
    const int io = top + 3;
    ReplaceWithError(state, os, "exit", "os.exit", kEndsTheProgram);
    ReplaceWithError(state, debug, "debug", "debug.debug", kWaitsForInput);
    ReplaceWithError(state, debug, "sethook", "debug.sethook", kRemovesTheHook);
    // Under the stdin guards, whose errors name the script's line.
    for (const char* field : {"open", "lines"}) SeeStagedFiles(state, io, field, 1);
    if (lua_istable(state, io)) GuardStandardInput(state, io);
    SeeStagedFiles(state, io, "popen", 0);
    SeeStagedFiles(state, os, "remove", 1);
    SeeStagedFiles(state, os, "rename", 2);
    SeeStagedFiles(state, os, "execute", 0);
    SeeStagedFiles(state, LUA_GLOBALSINDEX, "loadfile", 1);
    lua_settop(state, top);
}

}  // namespace velmora
