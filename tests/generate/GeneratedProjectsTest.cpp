// generated(name): what a run may know of the projects generated before it in the
// same Create Template, so the scripts can order the workspaces without reading
// those projects' files again.

#include <gtest/gtest.h>

#include "TemplateGeneratorFixture.h"

namespace velmora {
namespace {

class GeneratedProjectsTest : public test::TemplateGeneratorFixture {};

TEST_F(GeneratedProjectsTest, EachRunSeesTheProjectsGeneratedBeforeIt) {
    // Every run writes what generated() says of every row's name and of one no row has.
    const char* const script = R"lua(
local f = assert(io.open(prjname .. ".seen", "wb"))
for _, n in ipairs({ "Boot", "Loader", "App", "Nowhere" }) do f:write(n, "=", tostring(generated(n)), " ") end
f:close()
)lua";
    dir.writeFile("tes.lua", script);
    dir.writeFile("tens.lua", script);
    AddProjectRow(config.projects, L"App", 1, 0x10040000, 0x1000, 0x30008000, 0, 0, 0, L"", L"");
    AddProjectRow(config.projects, L"Boot", 0, 0, 0x1000, 0x20000000, 0x3f000, 0x800, 0, L"", L"");
    AddProjectRow(config.projects, L"Loader", 0, 0x1000, 0x1000, 0x20001000, 0x3e000, 0x800, 0, L"", L"");
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    // Secure rows run first, in row order; the project of the run itself is not yet done.
    EXPECT_EQ(dir.readFile("Boot.seen"), "Boot=nil Loader=nil App=nil Nowhere=nil ");
    EXPECT_EQ(dir.readFile("Loader.seen"), "Boot=S Loader=nil App=nil Nowhere=nil ");
    EXPECT_EQ(dir.readFile("App.seen"), "Boot=S Loader=S App=nil Nowhere=nil ");
    // A second Create Template starts afresh.
    ui.queueAnswer(MessageAnswer::Yes);  // the folder is no longer empty
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    EXPECT_EQ(dir.readFile("Boot.seen"), "Boot=nil Loader=nil App=nil Nowhere=nil ");
}

}  // namespace
}  // namespace velmora
