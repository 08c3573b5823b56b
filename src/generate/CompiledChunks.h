#pragma once
// Lua source files compiled once per process. A generation runs the same scripts
// (tes.lua, tens.lua and the helpers they load with dofile) once per project, each
// in a fresh state, and compiling them cost more than most of the edits. A file
// whose bytes are the ones compiled before loads from that compiled form; any
// change to it compiles it anew. Loading behaves as luaL_loadfile: the same chunk
// name ("@" and the file name), and the same messages when it fails.

#include <lua.hpp>

namespace velmora {

// luaL_loadfile(state, fileName) through the cache; fileName must not be null.
int LoadCompiledFile(lua_State* state, const char* fileName);

// Replaces dofile in a state with the standard libraries open by one that loads
// through the cache. dofile without a file name, which would read the program's
// standard input, raises an error instead.
void LoadDofileThroughCache(lua_State* state);

}  // namespace velmora
