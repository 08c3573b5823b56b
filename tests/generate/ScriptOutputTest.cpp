// What the scripts print: it reaches standard output as before and is kept for
// the dialog, by one run, by a generation (per project) and by an import; the
// directory copy's trace lines are not part of it.

#include <gtest/gtest.h>

#include <string>

#include "TemplateGeneratorFixture.h"
#include "generate/ImportKeilProject.h"
#include "generate/ScriptHost.h"
#include "platform/TextCodec.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

using test::ScriptedFrontend;
using test::TempDir;

class ScriptOutputTest : public ::testing::Test {
protected:
    ScriptOutputTest() : dir(TempDir::Enter), host(ui) {}

    // A fresh state with the script loaded and dbg registered, ready to run.
    bool Load(const std::string& script) {
        dir.writeFile("p.lua", script);
        if (!host.Open() || !host.LoadScript(L"p.lua")) return false;
        host.Register("dbg", &ScriptDbg);
        return true;
    }

    TempDir dir;
    ScriptedFrontend ui;
    ScriptHost host;
};

struct PrintCase {
    const char* script;
    const char* stdoutText;  // what standard output shows
    const char* kept;        // what the host keeps
};

TEST_F(ScriptOutputTest, PrintedTextReachesStandardOutputAndIsKept) {
    const PrintCase cases[] = {
        {"print('a', 1, nil, true)", "a\t1\tnil\ttrue\n", "a\t1\tnil\ttrue\n"},
        {"print()", "\n", "\n"},
        {"print(setmetatable({}, {__tostring = function() return 'T' end}))", "T\n", "T\n"},
        {"tostring = function() return 'Z' end print(1, 2)", "Z\tZ\n", "Z\tZ\n"},
        {"io.write('x', 2.5, '\\n')", "x2.5\n", "x2.5\n"},
        {"io.stdout:write('o', 7) io.stderr:write('e')", "o7", "o7e"},
        {"dbg('d', 1)", "d\t1\n", "d\t1\n"},
        {"local f = io.open('f.txt', 'w') f:write('to a file') f:close()", "", ""},
        {"io.output('g.txt') io.write('to a file') io.close() io.output(io.stdout) io.write('back')",
         "back", "back"},
        {"print('caf\xc3\xa9')", "caf\xc3\xa9\n", "caf\xc3\xa9\n"},
    };
    for (const PrintCase& c : cases) {
        ASSERT_TRUE(Load(c.script));
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const bool ok = host.Run();
        ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.stdoutText) << c.script;
        host.Close();
        EXPECT_TRUE(ok) << c.script;
        EXPECT_EQ(WideToUtf8(host.printedText()), c.kept) << c.script;
    }
}

TEST_F(ScriptOutputTest, PrintReportsATostringThatGivesNoText) {
    ASSERT_TRUE(Load("print(setmetatable({}, {__tostring = function() return {} end}))"));
    EXPECT_FALSE(host.Run());
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_NE(ui.messages[0].text.find(L"'tostring' must return a string to 'print'"),
              std::wstring::npos);
}

TEST_F(ScriptOutputTest, EndlessOutputIsKeptUpToItsBoundInWholeLines) {
    // 1100 lines of 1000 bytes: more than the bound.
    ASSERT_TRUE(Load("local line = ('x'):rep(999) for i = 1, 1100 do print(line) end"));
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(host.Run());
    EXPECT_EQ(::testing::internal::GetCapturedStdout().size(), 1100u * 1000u);
    const std::string kept = ToNarrow(host.printedText());
    const std::string note = "(the script printed more; the rest is not kept here)\n";
    ASSERT_GT(kept.size(), note.size());
    EXPECT_LE(kept.size(), ScriptOutput::kKeptBytes + note.size());
    EXPECT_EQ(kept.substr(kept.size() - note.size()), note);
    const std::string lines = kept.substr(0, kept.size() - note.size());
    EXPECT_EQ(lines.size() % 1000, 0u) << "whole lines only";
    EXPECT_EQ(lines.size() / 1000, ScriptOutput::kKeptBytes / 1000);
}

class GenerationOutputTest : public test::TemplateGeneratorFixture {
protected:
    void AddSecure(const std::wstring& name) {
        AddProjectRow(config.projects, name, 0, 0, 0x1000, 0x20000000, 0x3F000, 0x800, 0, L"", L"");
    }
    void AddNonSecure(const std::wstring& name) {
        AddProjectRow(config.projects, name, 1, 0x10040000, 0x1000, 0x30008000, 0, 0, 0, L"", L"");
    }
};

TEST_F(GenerationOutputTest, EachProjectsPrintedLinesAreKeptUnderItsName) {
    dir.writeFile("tes.lua", "print('secure note', prjname)");
    dir.writeFile("tens.lua", "if prjname == 'App' then io.write('no newline') end");
    AddSecure(L"Sec");
    AddNonSecure(L"Quiet");
    AddNonSecure(L"App");
    const GenerationResult result = Generate();
    EXPECT_EQ(result.outcome, GenerationOutcome::Completed);
    EXPECT_EQ(result.scriptOutput,
              L"Sec (tes.lua):\nsecure note\tSec\n\nApp (tens.lua):\nno newline\n");
    // Standard output has both, as before: the copy's trace and the script's lines.
    EXPECT_NE(stdoutText.find("secure note\tSec\n"), std::string::npos);
    EXPECT_NE(stdoutText.find("Flolder name Secure\n"), std::string::npos);
}

TEST_F(GenerationOutputTest, ScriptsThatPrintNothingLeaveNoOutput) {
    AddSecure(L"Sec");
    AddNonSecure(L"App");
    const GenerationResult result = Generate();
    EXPECT_EQ(result.outcome, GenerationOutcome::Completed);
    EXPECT_EQ(result.scriptOutput, L"");
    EXPECT_FALSE(stdoutText.empty()) << "the copy's trace still goes to standard output";
}

TEST_F(GenerationOutputTest, LinesPrintedBeforeAScriptErrorAreKept) {
    dir.writeFile("tes.lua", "print('checking ' .. prjname)\nerror('broken')");
    AddSecure(L"Sec");
    const GenerationResult result = Generate();
    EXPECT_EQ(result.outcome, GenerationOutcome::ScriptFailed);
    EXPECT_EQ(result.scriptOutput, L"Sec (tes.lua):\nchecking Sec\n");
}

TEST(ImportOutput, DbgAndPrintOfTheImportAreKept) {
    TempDir dir(TempDir::Enter);
    ScriptedFrontend ui;
    PartitionConfig config;
    dir.writeFile("ldp.lua",
                  "dbg('ldp.lua: no scatter file of its own, NSC region unknown')\n"
                  "print('read', 1, 'target')\n"
                  "addprj('P', 0, 0, 0x1000, 0x20000000, 0, 0, 0, 0, 0, 0, '', infname)\n"
                  "error('late')");
    ::testing::internal::CaptureStdout();
    const ImportResult result = ImportKeilProject(config, L"/p/x.uvprojx", ui);
    const std::string stdoutText = ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(result.succeeded);
    EXPECT_EQ(result.scriptOutput,
              L"ldp.lua: no scatter file of its own, NSC region unknown\nread\t1\ttarget\n");
    EXPECT_EQ(stdoutText, WideToUtf8(result.scriptOutput));
}

}  // namespace
}  // namespace velmora
