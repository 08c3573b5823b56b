#include "generate/CompiledChunks.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/ConfinedFiles.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace velmora {
namespace {

struct CompiledChunk {
    std::string source;    // the file's bytes when it was compiled
    std::string bytecode;  // lua_dump of what they compiled to
};

std::mutex cacheMutex;
std::map<std::string, CompiledChunk>& Cache() {
    static std::map<std::string, CompiledChunk> cache;
    return cache;
}

std::optional<std::string> ReadBytes(const char* fileName) {
    std::FILE* file = std::fopen(fileName, "rb");
    if (file == nullptr) return std::nullopt;
    std::string bytes;
    char buffer[16384];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return std::nullopt;
    return bytes;
}

int AppendBytes(lua_State*, const void* data, std::size_t size, void* target) {
    static_cast<std::string*>(target)->append(static_cast<const char*>(data), size);
    return 0;
}

std::optional<std::string> CachedBytecode(const std::string& fileName, const std::string& source) {
    const std::lock_guard<std::mutex> lock(cacheMutex);
    const auto found = Cache().find(fileName);
    if (found == Cache().end() || found->second.source != source) return std::nullopt;
    return found->second.bytecode;
}

// Stack: the function just compiled from source, left in place.
void Remember(lua_State* state, const std::string& fileName, std::string source) {
    std::string bytecode;
    if (lua_dump(state, &AppendBytes, &bytecode) != 0) return;
    const std::lock_guard<std::mutex> lock(cacheMutex);
    Cache()[fileName] = CompiledChunk{std::move(source), std::move(bytecode)};
}

// dofile(name): runs the file's chunk and returns what it returns.
int CachedDofile(lua_State* state) {
    const char* fileName = luaL_optstring(state, 1, nullptr);
    if (fileName == nullptr) {
        return luaL_error(state, "dofile without a file name is not available to the scripts: "
                                 "it would wait for input that nobody types");
    }
    const int base = lua_gettop(state);
    fs::WriteStagedFilesFor(fs::ToPath(ToWide(fileName)));
    if (LoadCompiledFile(state, fileName) != 0) return lua_error(state);
    lua_call(state, 0, LUA_MULTRET);
    return lua_gettop(state) - base;
}

}  // namespace

int LoadCompiledFile(lua_State* state, const char* fileName) {
    const std::optional<std::string> before = ReadBytes(fileName);
    if (before) {
        if (const std::optional<std::string> bytecode = CachedBytecode(fileName, *before)) {
            const std::string chunkName = std::string("@") + fileName;
            return luaL_loadbuffer(state, bytecode->data(), bytecode->size(), chunkName.c_str());
        }
    }
    const int status = luaL_loadfile(state, fileName);
    // Only what the compiler certainly read is remembered: the bytes must be the
    // same before and after, and a precompiled file is left to the loader.
    if (status == 0 && before && !before->empty() && (*before)[0] != LUA_SIGNATURE[0]) {
        const std::optional<std::string> after = ReadBytes(fileName);
        if (after && *after == *before) Remember(state, fileName, std::move(*before));
    }
    return status;
}

void LoadDofileThroughCache(lua_State* state) {
    lua_pushcfunction(state, &CachedDofile);
    lua_setfield(state, LUA_GLOBALSINDEX, "dofile");
}

}  // namespace velmora
