// Scripts compiled once per process: a file loads from its compiled form only while
// its bytes are the ones compiled, and loads and fails as luaL_loadfile does.
#include <gtest/gtest.h>

#include <string>

#include <lua.hpp>

#include "generate/CompiledChunks.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

using test::TempDir;

class CompiledChunksTest : public ::testing::Test {
protected:
    CompiledChunksTest() : dir(TempDir::Enter), state(luaL_newstate()) {
        luaL_openlibs(state);
        LoadDofileThroughCache(state);
    }
    ~CompiledChunksTest() override { lua_close(state); }

    // What the chunk of file returns as text, or the load or run error.
    std::string RunFile(const char* file) {
        if (LoadCompiledFile(state, file) != 0 || lua_pcall(state, 0, 1, 0) != 0) {
            return std::string("error: ") + lua_tostring(state, -1);
        }
        const char* text = lua_tostring(state, -1);
        std::string result = text != nullptr ? text : "(not text)";
        lua_pop(state, 1);
        return result;
    }

    TempDir dir;
    lua_State* state;
};

TEST_F(CompiledChunksTest, ChangedBytesAreCompiledAnew) {
    // Each step changes the file, also to other bytes of the same length.
    const struct {
        const char* source;
        const char* result;
    } steps[] = {
        {"return 'first'", "first"},
        {"return 'first'", "first"},
        {"return 'other'", "other"},
        {"return 'first' .. '!'", "first!"},
        {"#!/usr/bin/lua\nreturn 'past the first line'", "past the first line"},
    };
    for (const auto& step : steps) {
        dir.writeFile("chunk.lua", step.source);
        EXPECT_EQ(RunFile("chunk.lua"), step.result) << step.source;
    }
}

TEST_F(CompiledChunksTest, FailuresAndPositionsReadAsTheLoaderGivesThem) {
    // luaL_loadfile itself is the measure: the tool's messages show Lua's words.
    const char* const sources[] = {"return (", "local x = = 1", "\n\nerror('raised')"};
    for (const char* source : sources) {
        dir.writeFile("bad.lua", source);
        std::string expected;
        if (luaL_loadfile(state, "bad.lua") != 0 || lua_pcall(state, 0, 0, 0) != 0) {
            expected = std::string("error: ") + lua_tostring(state, -1);
        }
        lua_settop(state, 0);
        ASSERT_FALSE(expected.empty()) << source;
        EXPECT_EQ(RunFile("bad.lua"), expected) << "first load of " << source;
        EXPECT_EQ(RunFile("bad.lua"), expected) << "second load of " << source;
    }
    EXPECT_EQ(RunFile("no-such-file.lua").rfind("error: cannot open no-such-file.lua", 0), 0u);
}

TEST_F(CompiledChunksTest, DofileRunsTheFileAndNeverReadsStandardInput) {
    dir.writeFile("helper.lua", "return { twice = function(n) return 2 * n end }, 'second result'");
    dir.writeFile("main.lua", "local h, extra = dofile('helper.lua')\n"
                              "local again = dofile('helper.lua')\n"
                              "return h.twice(21) .. ' ' .. again.twice(1) .. ' ' .. extra");
    EXPECT_EQ(RunFile("main.lua"), "42 2 second result");
    dir.writeFile("stdin.lua", "return dofile()");
    EXPECT_NE(RunFile("stdin.lua").find("dofile without a file name is not available to the scripts"),
              std::string::npos);
    dir.writeFile("missing.lua", "return dofile('nothing.lua')");
    EXPECT_NE(RunFile("missing.lua").find("cannot open nothing.lua"), std::string::npos);
}

}  // namespace
}  // namespace velmora
