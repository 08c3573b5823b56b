#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GenerateTestSupport.h"
#include "generate/ScriptHost.h"
#include "platform/TextCodec.h"
#include "support/ScriptedFrontend.h"

namespace velmora {
namespace {

using test::RecordingTrace;
using test::ScriptedFrontend;
using test::TempDir;

// A test host function: report(...) appends tostring of each argument.
int Report(lua_State* state) {
    auto* seen = static_cast<std::vector<std::string>*>(lua_touserdata(state, lua_upvalueindex(1)));
    for (int i = 1; i <= lua_gettop(state); ++i) {
        lua_getglobal(state, "tostring");
        lua_pushvalue(state, i);
        lua_call(state, 1, 1);
        seen->push_back(lua_tostring(state, -1));
        lua_pop(state, 1);
    }
    return 0;
}

class ScriptHostTest : public ::testing::Test {
protected:
    ScriptHostTest() : dir(TempDir::Enter), host(ui, &trace) {}

    // Loads the script text as "s.lua" with report() registered, and runs it.
    bool RunScript(const std::string& text) {
        dir.writeFile("s.lua", text);
        if (!host.Open() || !host.LoadScript(L"s.lua")) return false;
        host.Register("report", &Report, &seen);
        const bool ok = host.Run();
        host.Close();
        return ok;
    }

    TempDir dir;
    ScriptedFrontend ui;
    RecordingTrace trace;
    ScriptHost host;
    std::vector<std::string> seen;
};

TEST_F(ScriptHostTest, NumberGlobalsArriveAsTheExactlyEqualDouble) {
    dir.writeFile("s.lua", "report(big, big == 4294967295, small, math.floor(big / 2))");
    ASSERT_TRUE(host.Open());
    ASSERT_TRUE(host.LoadScript(L"s.lua"));
    host.Register("report", &Report, &seen);
    host.SetNumber("big", 0xFFFFFFFFu);
    host.SetNumber("small", 0x10040000u);
    ASSERT_TRUE(host.Run());
    EXPECT_EQ(seen, (std::vector<std::string>{"4294967295", "true", "268697600", "2147483647"}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ScriptHostTest, TextGlobalsArriveWhole) {
    // Far beyond 1024 bytes, with characters that take two bytes each.
    std::wstring text;
    for (int i = 0; i < 1500; ++i) text += L"\u00e9";
    text += L"/end";
    dir.writeFile("s.lua", "report(#long, long:sub(-4))");
    ASSERT_TRUE(host.Open());
    ASSERT_TRUE(host.LoadScript(L"s.lua"));
    host.Register("report", &Report, &seen);
    host.SetString("long", text);
    ASSERT_TRUE(host.Run());
    EXPECT_EQ(seen, (std::vector<std::string>{std::to_string(ToNarrow(text).size()), "/end"}));
    EXPECT_EQ(ToNarrow(text).size(), 3004u);
}

TEST_F(ScriptHostTest, ScriptIsCompiledBeforeAnyGlobalIsSet) {
    ASSERT_TRUE(RunScript("report(1)"));
    ASSERT_EQ(trace.runs.size(), 1u);
    EXPECT_EQ(trace.runs[0].script, L"s.lua");
    EXPECT_EQ(trace.globalsBeforeAnyLoad, 0);
    EXPECT_EQ(test::NamesInOrder(trace.runs[0]), std::vector<std::string>{"report"});
}

TEST_F(ScriptHostTest, EveryRunHasAFreshState) {
    ASSERT_TRUE(RunScript("leftover = 1; report(leftover)"));
    ASSERT_TRUE(RunScript("report(leftover)"));
    EXPECT_EQ(seen, (std::vector<std::string>{"1", "nil"}));
}

// The collector waits while a state holds little, and wakes as soon as a script
// piles up garbage: a tight loop of large copies, shorter than one poll of the
// limit, stays within a few times the wait, in the main state and in a coroutine.
TEST_F(ScriptHostTest, GarbageIsCollectedOnceAStateHoldsMuch) {
    const std::string pile = R"lua(
local big = string.rep("x", 1048576)
local function pile()
  local peak = 0
  for i = 1, 400 do
    local copy = big .. i
    peak = math.max(peak, collectgarbage("count"))
  end
  return peak < 98304
end
)lua";
    ASSERT_TRUE(RunScript(pile + "report(pile())"));
    ASSERT_TRUE(RunScript(pile + "report(coroutine.wrap(pile)())"));
    EXPECT_EQ(seen, (std::vector<std::string>{"true", "true"}));
}

TEST_F(ScriptHostTest, RunTimeErrorShowsTheErrorThenPrintResult) {
    EXPECT_FALSE(RunScript("printResult = 'half done'\nerror('boom')"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].caption, L"ERROR");
    EXPECT_EQ(ui.messages[0].text, L"s.lua:2: boom");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(ui.messages[1].caption, L"Console");
    EXPECT_EQ(ui.messages[1].text, L"half done");
    EXPECT_EQ(ui.messages[1].buttons, MessageButtons::Ok);
    EXPECT_NE(host.lastTraceback().find(L"stack traceback:"), std::wstring::npos);
}

TEST_F(ScriptHostTest, ConsoleBoxTakesOnlyTextOrNumberPrintResult) {
    const struct {
        const char* assignment;
        const wchar_t* console;
    } cases[] = {{"", L""},
                 {"printResult = 42", L"42"},
                 {"printResult = {}", L""},
                 {"printResult = true", L""}};
    for (const auto& c : cases) {
        ui.clearRecords();
        EXPECT_FALSE(RunScript(std::string(c.assignment) + "\nundefined_function()"));
        ASSERT_EQ(ui.messages.size(), 2u) << c.assignment;
        EXPECT_NE(ui.messages[0].text.find(L"undefined_function"), std::wstring::npos);
        EXPECT_EQ(ui.messages[1].text, c.console) << c.assignment;
    }
}

TEST_F(ScriptHostTest, ErrorObjectThatIsNoTextIsNamed) {
    EXPECT_FALSE(RunScript("error({})"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text, L"(error object is a table value)");
}

TEST_F(ScriptHostTest, GlobalsMetatableDoesNotBreakTheReport) {
    // A second error while the first is being handled would replace its text.
    for (const char* before : {"", "debug = nil"}) {
        ui.clearRecords();
        EXPECT_FALSE(RunScript(std::string(before) +
                               "\nsetmetatable(_G, {__index = function() error('no') end})"
                               "\nerror('first')"));
        ASSERT_EQ(ui.messages.size(), 2u) << before;
        EXPECT_EQ(ui.messages[0].text, L"s.lua:3: first") << before;
        EXPECT_EQ(ui.messages[1].text, L"") << before;
    }
}

TEST_F(ScriptHostTest, MissingScriptReportsTheLoadFailure) {
    ASSERT_TRUE(host.Open());
    EXPECT_FALSE(host.LoadScript(L"missing.lua"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].caption, L"ERROR");
    EXPECT_EQ(
        ui.messages[0].text.rfind(L"cannot run configuration file: cannot open missing.lua", 0), 0u)
        << WideToUtf8(ui.messages[0].text);
    EXPECT_EQ(ui.messages[1].caption, L"Console");
    EXPECT_EQ(ui.messages[1].text, L"");
    EXPECT_FALSE(host.Run()) << "nothing was loaded";
    EXPECT_TRUE(trace.runs.empty());
}

TEST_F(ScriptHostTest, SyntaxErrorIsALoadFailure) {
    dir.writeFile("bad.lua", "if then");
    ASSERT_TRUE(host.Open());
    EXPECT_FALSE(host.LoadScript(L"bad.lua"));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(ui.messages[0].text.rfind(L"cannot run configuration file: bad.lua:1:", 0), 0u)
        << WideToUtf8(ui.messages[0].text);
}

TEST_F(ScriptHostTest, HostStaysUsableAfterAnError) {
    EXPECT_FALSE(RunScript("error('once')"));
    EXPECT_TRUE(RunScript("report('again')"));
    EXPECT_EQ(seen, std::vector<std::string>{"again"});
}

struct DbgCase {
    const char* call;
    const char* output;
};

class ScriptDbgOutput : public ::testing::TestWithParam<DbgCase> {};

TEST_P(ScriptDbgOutput, WritesArgumentsTabSeparatedWithANewline) {
    TempDir dir(TempDir::Enter);
    ScriptedFrontend ui;
    ScriptHost host(ui);
    dir.writeFile("d.lua", GetParam().call);
    ASSERT_TRUE(host.Open());
    ASSERT_TRUE(host.LoadScript(L"d.lua"));
    host.Register("dbg", &ScriptDbg);
    ::testing::internal::CaptureStdout();
    const bool ok = host.Run();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), GetParam().output);
    EXPECT_TRUE(ok);
}

INSTANTIATE_TEST_SUITE_P(Arguments, ScriptDbgOutput,
                         ::testing::Values(DbgCase{"dbg('a', 'b')", "a\tb\n"},
                                           DbgCase{"dbg()", "\n"},
                                           DbgCase{"dbg(1, 2.5)", "1\t2.5\n"},
                                           DbgCase{"dbg(nil, true, {})", "nil\ttrue\ttable\n"}));

}  // namespace
}  // namespace velmora
