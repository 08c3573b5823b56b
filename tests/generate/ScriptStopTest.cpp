// What keeps a script from ending or freezing the host: the standard-library calls
// that would end or block it, the instruction limit, and Cancel from the front end.

#include <gtest/gtest.h>

#include <string>

#include "generate/ScriptHost.h"
#include "platform/TextCodec.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

using test::ScriptedFrontend;
using test::TempDir;

class ScriptStopTest : public ::testing::Test {
protected:
    ScriptStopTest() : dir(TempDir::Enter), host(ui) {}

    bool RunScript(const std::string& text) {
        dir.writeFile("s.lua", text);
        if (!host.Open() || !host.LoadScript(L"s.lua")) return false;
        const bool ok = host.Run();
        host.Close();
        return ok;
    }

    std::string FirstBox() const {
        return ui.messages.empty() ? std::string() : WideToUtf8(ui.messages[0].text);
    }

    TempDir dir;
    ScriptedFrontend ui;
    ScriptHost host;
};

struct GuardCase {
    const char* script;
    const char* named;
};

TEST_F(ScriptStopTest, CallsThatWouldEndOrBlockTheHostFailNamingThemselves) {
    const GuardCase cases[] = {
        {"os.exit()", "os.exit"},
        {"os.exit(0, true)", "os.exit"},
        {"debug.debug()", "debug.debug"},
        {"io.read()", "io.read from standard input"},
        {"io.read('*l')", "io.read from standard input"},
        {"io.input(io.stdin) io.read('*n')", "io.read from standard input"},
        {"for line in io.lines() do end", "io.lines on standard input"},
        {"io.stdin:read('*a')", "io.stdin:read"},
        {"io.input():read()", "io.stdin:read"},
        {"for line in io.stdin:lines() do end", "io.stdin:lines"},
        {"debug.sethook()", "debug.sethook"},
        {"debug.sethook(print, 'l')", "debug.sethook"},
    };
    for (const GuardCase& c : cases) {
        ui.clearRecords();
        EXPECT_FALSE(RunScript(c.script)) << c.script;
        ASSERT_EQ(ui.messages.size(), 2u) << c.script;
        EXPECT_EQ(ui.messages[0].caption, L"ERROR");
        EXPECT_EQ(FirstBox().rfind(std::string("s.lua:1: ") + c.named +
                                       " is not available to the scripts: ", 0),
                  0u)
            << FirstBox();
    }
}

TEST_F(ScriptStopTest, FilesAndTheRestOfIoOsAndDebugStayAvailable) {
    dir.writeFile("in.txt", "one\ntwo\n");
    const char* const uses[] = {
        "local f = assert(io.open('in.txt')) assert(f:read('*l') == 'one') f:close()",
        "local f = assert(io.open('in.txt')) local n = 0 for l in f:lines() do n = n + 1 end"
        " f:close() assert(n == 2)",
        "local n = 0 for l in io.lines('in.txt') do n = n + 1 end assert(n == 2)",
        "io.input('in.txt') assert(io.read('*l') == 'one') assert(io.read('*l') == 'two')"
        " io.input():close()",
        "io.input('in.txt') local n = 0 for l in io.lines() do n = n + 1 end assert(n == 2)",
        "io.output('out.txt') io.write('x') io.close() io.output(io.stdout)"
        " assert(io.open('out.txt'):read('*a') == 'x')",
        "assert(os.rename('in.txt', 'moved.txt')) assert(os.remove('moved.txt'))",
        "assert(type(os.time()) == 'number' and type(os.getenv('PATH')) == 'string')",
        "assert(debug.traceback('t'):find('stack traceback'))",
        "assert(pcall(os.exit) == false)",
    };
    for (const char* use : uses) {
        ui.clearRecords();
        EXPECT_TRUE(RunScript(use)) << use << "\n" << FirstBox();
        EXPECT_TRUE(ui.messages.empty()) << use;
    }
}

// Endless in the ways a script can be: plainly, catching the stop with pcall or
// xpcall, in a coroutine, by a tail call.
const char* const kEndlessScripts[] = {
    "while true do end",
    "while true do pcall(function() while true do end end) end",
    "while true do xpcall(function() while true do end end, function(e) return e end) end",
    "local run = coroutine.wrap(function() while true do end end) run()",
    "local function again() return again() end again()",
};

TEST_F(ScriptStopTest, ARunPastItsLimitIsAScriptErrorThatTheScriptCannotCatch) {
    host.SetInstructionLimit(200'000);
    for (const char* script : kEndlessScripts) {
        ui.clearRecords();
        EXPECT_FALSE(RunScript(script)) << script;
        EXPECT_FALSE(host.cancelled());
        ASSERT_EQ(ui.messages.size(), 2u) << script;
        EXPECT_EQ(ui.messages[0].caption, L"ERROR");
        EXPECT_EQ(FirstBox().rfind("s.lua:1: the script ran past its limit of 200000 instructions", 0),
                  0u)
            << FirstBox();
        EXPECT_EQ(ui.messages[1].caption, L"Console");
    }
}

TEST_F(ScriptStopTest, TheLimitCountsInstructions) {
    // About 300,000 instructions: each turn of a numeric for loop is one.
    const char* const script = "local n = 0 for i = 1, 300000 do end n = 1";
    const struct {
        std::uint64_t limit;
        bool completes;
    } cases[] = {{250'000, false}, {400'000, true}, {kDefaultScriptInstructionLimit, true}};
    for (const auto& c : cases) {
        ui.clearRecords();
        host.SetInstructionLimit(c.limit);
        EXPECT_EQ(RunScript(script), c.completes) << c.limit;
        EXPECT_EQ(ui.messages.empty(), c.completes) << c.limit;
    }
}

TEST_F(ScriptStopTest, CancelEndsTheRunWithoutABoxWhateverTheScriptCatches) {
    for (const char* script : kEndlessScripts) {
        ui.clearRecords();
        ui.cancelAtPoll = 3;
        EXPECT_FALSE(RunScript(script)) << script;
        EXPECT_TRUE(host.cancelled()) << script;
        EXPECT_TRUE(ui.messages.empty()) << script << "\n" << FirstBox();
        EXPECT_EQ(ui.polls, 3) << "one poll every " << kScriptPollInstructions << " instructions";
    }
}

TEST_F(ScriptStopTest, TheNextStateStartsWithoutTheStop) {
    ui.cancelAtPoll = 1;
    EXPECT_FALSE(RunScript("while true do end"));
    ASSERT_TRUE(host.cancelled());
    ui.cancelAtPoll = 0;
    EXPECT_TRUE(RunScript("for i = 1, 100000 do end"));
    EXPECT_FALSE(host.cancelled());
    host.SetInstructionLimit(50'000);
    EXPECT_FALSE(RunScript("while true do end"));
    ui.clearRecords();
    host.SetInstructionLimit(kDefaultScriptInstructionLimit);
    EXPECT_TRUE(RunScript("for i = 1, 100000 do end"));
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace velmora
