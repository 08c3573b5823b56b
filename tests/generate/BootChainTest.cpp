// The images a project's boot reaches after it, as the debug set-ups load them,
// and how a secure script sees them through bootchain().

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TemplateGeneratorFixture.h"
#include "generate/BootChain.h"

namespace velmora {
namespace {

struct Image {
    const wchar_t* name;
    bool nonSecure;
    const wchar_t* nextBoot;
};

struct ChainCase {
    const char* what;
    std::vector<Image> table;
    std::vector<std::wstring> expected;  // from the first row; "-" marks a non-secure image
};

ProjectTable TableOf(const std::vector<Image>& images) {
    ProjectTable table;
    for (const Image& image : images) {
        AddProjectRow(table, image.name, image.nonSecure ? 1 : 0, 0, 0x800, 0x20000000, 0x3f000, 0x800,
                      0, image.nextBoot, L"");
    }
    return table;
}

const ChainCase kChainCases[] = {
    {"no next boot", {{L"A", false, L""}}, {}},
    {"through secure and non-secure images to the end",
     {{L"A", false, L"B"}, {L"B", false, L"C"}, {L"C", true, L"D"}, {L"D", true, L""}},
     {L"B", L"-C", L"-D"}},
    {"a name no row has ends it", {{L"A", false, L"B"}, {L"B", false, L"Nowhere"}}, {L"B"}},
    {"back to the first image ends it", {{L"A", false, L"B"}, {L"B", true, L"A"}}, {L"-B"}},
    {"a loop further on ends before the repeat",
     {{L"A", false, L"B"}, {L"B", true, L"C"}, {L"C", true, L"B"}}, {L"-B", L"-C"}},
    {"a non-secure image starts no secure one",
     {{L"A", false, L"B"}, {L"B", true, L"C"}, {L"C", false, L""}}, {L"-B"}},
    {"the first row of a name is the one booted",
     {{L"A", false, L"B"}, {L"B", true, L""}, {L"B", false, L"A"}}, {L"-B"}},
};

TEST(BootChain, FollowsNextBootUntilTheChainEnds) {
    for (const ChainCase& c : kChainCases) {
        const ProjectTable table = TableOf(c.table);
        std::vector<std::wstring> got;
        for (const BootImage& image : BootChainAfter(table.rows.front(), table)) {
            got.push_back((image.nonSecure ? L"-" : L"") + image.name);
        }
        EXPECT_EQ(got, c.expected) << c.what;
    }
}

class BootChainScriptTest : public test::TemplateGeneratorFixture {};

TEST_F(BootChainScriptTest, SecureScriptsGetTheirOwnChain) {
    dir.writeFile("tes.lua", R"lua(
local f = assert(io.open(prjname .. ".chain", "wb"))
for _, image in ipairs(bootchain()) do f:write(image.name, image.ns and " ns\n" or " s\n") end
f:close()
)lua");
    dir.writeFile("tens.lua", "assert(bootchain == nil, 'secure runs only')");
    AddProjectRow(config.projects, L"Boot", 0, 0, 0x1000, 0x20000000, 0x3f000, 0x800, 0, L"Loader", L"");
    AddProjectRow(config.projects, L"Loader", 0, 0x1000, 0x1000, 0x20001000, 0x3e000, 0x800, 0, L"App", L"");
    AddProjectRow(config.projects, L"App", 1, 0x10040000, 0x1000, 0x30008000, 0, 0, 0, L"", L"");
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    EXPECT_EQ(dir.readFile("Boot.chain"), "Loader s\nApp ns\n");
    EXPECT_EQ(dir.readFile("Loader.chain"), "App ns\n");
}

}  // namespace
}  // namespace velmora
