// Faults planted for every stage at once: each run reports the earliest, and once
// that one is mended the next stage's message follows, to the checks after the
// fourteen stages and then to a pass.

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ValidationFixtures.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "validate/ValidateConfiguration.h"

namespace velmora::test {
namespace {

struct Link {
    const char* message;
    std::function<void(PartitionConfig&)> mend;
};

ProjectEntry& Row(PartitionConfig& c, std::size_t r) { return c.projects.rows[r]; }

TEST(ValidateStageChain, EveryStageInTurnThenTheChecksAfterThem) {
    BspTrees trees;
    PartitionConfig c = ValidConfiguration(trees.complete());
    // Rows 2 to 5: non-secure, 8 KB each, in the free flash above row 1.
    for (unsigned r = 0; r < 4; ++r)
        c.projects.rows.push_back(MakeRow(L"R" + std::to_wstring(r + 2), L"NS",
                                          FormatHex(0x10060000 + r * 0x2000), L"0x2000",
                                          L"0x30008000", L"", L""));
    Row(c, 2).name = L"Twin";
    Row(c, 3).name = L"Twin";                   // stage 1
    Row(c, 4).name = L"4th";                    // stage 2
    Row(c, 2).nextBoot = L"Nobody";             // stage 3
    c.xomRegions[2].size = L"0x7ff";            // stage 4
    Row(c, 2).roSize = L"0x7fc";                // stage 5
    Row(c, 0).nscSize = L"0x7fc";               // stage 6
    c.bspPath = trees.withoutCmsis();           // stage 8
    Row(c, 5).name = L"my-prj";                 // stage 9
    Row(c, 0).rwBase = L"0x20000004";           // stage 11
    Row(c, 4).roSize = L"0x1000";               // stage 12
    Row(c, 5).roBase = L"0x10060000";           // stage 13: on row 2's code
    Row(c, 4).stateText = L"s";                 // stage 14
    c.templatePath = fs::WithPlatformSeparators(L".\\ZQD\\out");  // after the stages

    const std::vector<Link> chain = {
        {"[Twin] project name cannot be the same.",
         [](PartitionConfig& x) { Row(x, 3).name = L"TWIN"; }},
        {"[4th] project first char must be '_', 'a'~'z' or 'A'~'Z'.",
         [](PartitionConfig& x) { Row(x, 4).name = L"Com4"; }},
        {"[Twin] project next boot [Nobody] is not existed.",
         [](PartitionConfig& x) { Row(x, 2).nextBoot.clear(); }},
        {" XOM 2 size must >= one page (2048 Bytes)",
         [](PartitionConfig& x) { x.xomRegions[2].size = L"0x800"; }},
        {"Twin RO size (2044 Bytes) must >= one page (2048 Bytes)",
         [](PartitionConfig& x) { Row(x, 2).roSize = L"0x2000"; }},
        {"Secure NSC size (2044 Bytes) must >= one page (2048 Bytes)",
         [](PartitionConfig& x) { Row(x, 0).nscSize = L"0x1000"; }},
        {" Worng BSP\\CMSIS path",
         [&trees](PartitionConfig& x) { x.bspPath = trees.complete(); }},
        {" Project name must be a-z,A-Z,0-9,_",
         [](PartitionConfig& x) { Row(x, 5).name = L"my_prj"; }},
        {"Secure RW base (0x20000004) must be 8 bytes alignment.",
         [](PartitionConfig& x) { Row(x, 0).rwBase = L"0x20000000"; }},
        {"Com4 RO region cannot smaller than 0x2000.",
         [](PartitionConfig& x) { Row(x, 4).roSize = L"0x2000"; }},
        {"Twin RO region cannot overlap with my_prj RO region",
         [](PartitionConfig& x) { Row(x, 5).roBase = L"0x10066000"; }},
        {"Com4 Secure/Non-secure attribution must be \"S\" or \"NS\".",
         [](PartitionConfig& x) { Row(x, 4).stateText = L"NS"; }},
        {"[Twin] and [TWIN] project names differ only in case; on Windows they would share one "
         "folder.",
         [](PartitionConfig& x) { Row(x, 3).name = L"Twin3"; }},
        {"[Com4] project name is reserved for a device on Windows (CON, PRN, AUX, NUL, COM1 to "
         "COM9, LPT1 to LPT9).",
         [](PartitionConfig& x) { Row(x, 4).name = L"Fourth"; }},
        {"Template path cannot be the template folder ZQD or lie inside it.",
         [](PartitionConfig& x) { x.templatePath = L"out"; }},
    };
    // Paths compared as written: the chain is about the order, not the file system.
    const PathResolver asWritten = [](const std::wstring& path) { return path; };
    for (const Link& link : chain) {
        const auto error = FindFirstValidationError(c, FileSystemPathQuery(), asWritten);
        ASSERT_TRUE(error.has_value()) << "expected: " << link.message;
        ASSERT_EQ(WideToUtf8(*error), link.message);
        link.mend(c);
    }
    EXPECT_EQ(FindFirstValidationError(c, FileSystemPathQuery(), asWritten), std::nullopt);
}

}  // namespace
}  // namespace velmora::test
