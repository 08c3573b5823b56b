// The pass as a whole: reporting, boundaries, capacities and the BSP folder query.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ValidationFixtures.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "support/ScriptedFrontend.h"
#include "validate/BspRules.h"
#include "validate/PlacementRules.h"
#include "validate/ValidateConfiguration.h"

namespace velmora::test {
namespace {

class ValidatePass : public ::testing::Test {
protected:
    std::string firstError(const PartitionConfig& c) const {
        const auto error = FindFirstValidationError(c, FileSystemPathQuery());
        return error ? WideToUtf8(*error) : std::string("<none>");
    }
    BspTrees trees;
    PartitionConfig config = ValidConfiguration(trees.complete());
};

TEST_F(ValidatePass, PassingConfigurationReturnsZeroAndShowsNothing) {
    ScriptedFrontend ui;
    EXPECT_EQ(ValidateConfiguration(config, ui), 0);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ValidatePass, FailureIsShownOnceInTheErrorBoxAndReturnsOne) {
    config.projects.rows[0].roSize = L"0x1000";
    ScriptedFrontend ui;
    EXPECT_EQ(ValidateConfiguration(config, ui), 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(WideToUtf8(ui.messages[0].text), "Secure RO region cannot smaller than 0x2000.");
    EXPECT_EQ(WideToUtf8(ui.messages[0].caption), "ERROR");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Error);
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
}

TEST_F(ValidatePass, InjectedQueryDecidesTheBspCheck) {
    ScriptedFrontend ui;
    EXPECT_EQ(ValidateConfiguration(config, ui, [](const std::wstring&) { return false; }), 1);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(WideToUtf8(ui.messages[0].text), " Worng BSP path");
}

TEST_F(ValidatePass, EmptyProjectTablePasses) {
    config.projects.rows.clear();
    EXPECT_EQ(firstError(config), "<none>");
}

TEST_F(ValidatePass, FreshDefaultsFailOnTheFirstXomSize) {
    config.projects.rows = {
        MakeRow(L"Secure", L"S", L"0x0", L"0x20000", L"0x20000000", L"0x3f000", L"0x3ffff")};
    for (XomRegion& region : config.xomRegions) region = {L"0x0", L"0x0", L""};
    EXPECT_EQ(firstError(config), " XOM 0 size must >= one page (2048 Bytes)");
}

TEST_F(ValidatePass, NumbersAreReadWithOrWithoutPrefixInEitherCase) {
    config.projects.rows[0].roSize = L"20000";
    config.projects.rows[0].nscBase = L"0X3F000";
    config.xomRegions[3].base = L"10070000";
    config.xomRegions[1].size = L"0x123456789";  // only the last eight digits count
    EXPECT_EQ(firstError(config), "<none>");
}

TEST_F(ValidatePass, TextAfterTheDigitsIsIgnored) {
    config.projects.rows[0].roSize = L"2k";
    EXPECT_EQ(firstError(config), "Secure RO size (2 Bytes) must >= one page (2048 Bytes)");
}

TEST_F(ValidatePass, SecureCodeMayEndExactlyOnTheFlashBoundary) {
    ProjectEntry& row = config.projects.rows[0];
    row.roSize = L"0x40000";
    row.nscBase = L"0x40000";  // clear of the code; its end is past the boundary
    row.nscSize = L"0x800";
    FreeXom(config, 0);
    config.xomRegions[0].projectName.clear();
    EXPECT_EQ(firstError(config),
              "Secure NSC region cannot overlap with the region for Non-secure.");
    row.roSize = L"0x40800";
    row.nscBase = L"0x40800";
    EXPECT_EQ(firstError(config), "Secure RO region cannot overlap with the region for nonsecure.");
}

TEST_F(ValidatePass, SecureCodeBaseExactlyOnTheFlashBoundaryFailsOnlyByItsEnd) {
    config.projects.rows[0].roBase = L"0x40000";
    EXPECT_EQ(firstError(config), "Secure RO region cannot overlap with the region for nonsecure.");
}

TEST_F(ValidatePass, XomRegionsMayEndExactlyOnTheirWorldsBoundaries) {
    config.xomRegions[0] = {L"0x3f800", L"0x800", L""};  // secure: ends on nsba
    config.xomRegions[3] = {L"0x1007f800", L"0x800", L"NonSecure"};  // ends on the view's end
    EXPECT_EQ(firstError(config), "<none>");
    config.xomRegions[3] = {L"0x10080000", L"0x800", L"NonSecure"};  // base on the end passes
    EXPECT_EQ(firstError(config), "XOM3 region cannot out of Non-secure region.");
}

TEST_F(ValidatePass, NscRegionMayStartExactlyAtTheCodeEnd) {
    config.nsba = 0x10050000;
    config.projects.rows[0].roSize = L"0x3f000";
    config.projects.rows[1].roBase = L"0x10050000";
    config.xomRegions[0].base = L"0x40000";
    EXPECT_EQ(firstError(config), "<none>");
}

TEST_F(ValidatePass, NscInsideOwnCodeIsCaughtByTheOverlapStageFirst) {
    config.projects.rows[0].nscBase = L"0x10000";
    EXPECT_EQ(firstError(config), "Secure RO region cannot overlap with Secure NSC region");
    // The placement stage has the same rule of its own.
    const auto placement = CheckPlacements(TakeValidationSnapshot(config));
    ASSERT_TRUE(placement.has_value());
    EXPECT_EQ(WideToUtf8(*placement),
              "Secure NSC region cannot overlap with the region for RO region.");
}

TEST_F(ValidatePass, SecureRwAliasJustBelowTheSramBoundaryPasses) {
    config.projects.rows[0].rwBase = L"0x20007000";
    EXPECT_EQ(firstError(config), "<none>");
}

TEST_F(ValidatePass, NonSecureRwExactlyAtTheSramEndPasses) {
    config.projects.rows[1].rwBase = L"0x30018000";
    EXPECT_EQ(firstError(config), "<none>");
}

TEST_F(ValidatePass, NonSecureCodeJustBelowTheFlashBoundaryFails) {
    config.nsba = 0x10040800;
    EXPECT_EQ(firstError(config), "NonSecure RO base must located in Non-secure region.");
}

TEST_F(ValidatePass, SumsWrapAtThirtyTwoBits) {
    // 0xF0000000 + 0x10000000 wraps to 0, below the boundary, so placement accepts it.
    config.projects.rows[0].nscBase = L"0xF0000000";
    EXPECT_EQ(firstError(config), "<none>");
    // An NSC range whose end wraps below its base is empty under the half-open
    // test, so it meets no code region, and its wrapped sums pass placement too.
    config.projects.rows[0].nscBase = L"0xFFFFF800";
    config.projects.rows[0].nscSize = L"0x1000";
    EXPECT_EQ(firstError(config), "<none>");
}

PartitionConfig WithThirteenRows(PartitionConfig config) {
    auto& rows = config.projects.rows;
    rows.resize(1);
    rows[0].nextBoot.clear();
    for (unsigned i = 0; i < 12; ++i) {
        const std::uint32_t base = 0x10040000 + i * 0x2000;
        rows.push_back(MakeRow(L"Ns" + std::to_wstring(i), L"NS", FormatHex(base), L"0x2000",
                               L"0x30008000", L"", L""));
    }
    GiveXom(config, 0, 0);
    FreeXom(config, 3);
    config.xomRegions[3].projectName.clear();
    return config;
}

TEST_F(ValidatePass, MoreThanTenRowsAreAllJudged) {
    PartitionConfig many = WithThirteenRows(config);
    ASSERT_EQ(many.projects.rows.size(), 13u);
    EXPECT_EQ(firstError(many), "<none>");

    many.projects.rows[12].rwBase = L"0x30008004";
    EXPECT_EQ(firstError(many), "Ns11 RW base (0x30008004) must be 8 bytes alignment.");
    many.projects.rows[12].name = L"Ns0";
    EXPECT_EQ(firstError(many), "[Ns0] project name cannot be the same.");
}

TEST_F(ValidatePass, MoreThanTenRowsOverlapAcrossTheWholeTable) {
    PartitionConfig many = WithThirteenRows(config);
    many.projects.rows[12].roBase = L"0x10040000";
    EXPECT_EQ(firstError(many), "Ns0 RO region cannot overlap with Ns11 RO region");
}

TEST_F(ValidatePass, VeryLongNamesAreJudgedWhole) {
    const std::wstring longName(5000, L'a');
    config.projects.rows[1].name = longName;
    config.projects.rows[0].nextBoot = longName;
    EXPECT_EQ(firstError(config), "<none>");

    std::wstring dashed = longName;
    dashed[3000] = L'-';
    config.projects.rows[1].name = dashed;
    config.projects.rows[0].nextBoot = dashed;
    EXPECT_EQ(firstError(config), " Project name must be a-z,A-Z,0-9,_");

    const std::wstring accented = std::wstring(1100, L'b') + L"\u00e9";
    config.projects.rows[1].name = accented;
    config.projects.rows[0].nextBoot = accented;
    EXPECT_EQ(firstError(config), " Project name must be a-z,A-Z,0-9,_");
}

TEST_F(ValidatePass, VeryLongNameAppearsWholeInMessages) {
    const std::wstring longName = L"P" + std::wstring(3000, L'x');
    config.projects.rows[1].name = longName;
    config.projects.rows[0].nextBoot = longName;
    config.projects.rows[1].roSize = L"0x1000";
    EXPECT_EQ(firstError(config), WideToUtf8(longName) + " RO region cannot smaller than 0x2000.");
}

TEST_F(ValidatePass, BspPathWithTrailingSeparatorStillResolves) {
    config.bspPath = trees.complete() + fs::Separator();
    EXPECT_EQ(firstError(config), "<none>");
    config.bspPath = trees.withoutCmsis() + fs::Separator();
    EXPECT_EQ(firstError(config), " Worng BSP\\CMSIS path");
}

// Underscores anywhere, the first character included, pass the first-character and
// the character stages (and so the whole pass).
TEST_F(ValidatePass, NamesWithUnderscoresPass) {
    for (const wchar_t* name : {L"my_app", L"_boot", L"a_1_", L"_", L"__", L"A_B_C_9"}) {
        config.projects.rows[1].name = name;
        config.projects.rows[0].nextBoot = name;
        EXPECT_EQ(firstError(config), "<none>") << WideToUtf8(name);
    }
}

// The XOM base edges of a secure owner: 0x800 is the first address past the first
// page; a base exactly on the flash boundary passes the base test and fails by its end.
TEST_F(ValidatePass, SecureXomBaseEdges) {
    struct Case {
        const wchar_t* base;
        const char* message;
    };
    const Case cases[] = {
        {L"0x800", "<none>"},
        {L"0x7fc", "XOM0 base must not be located in first page of APROM."},
        {L"0x40000", "XOM0 region cannot overlap with the region for Non-secure."},
        {L"0x40800", "XOM0 base cannot overlap with the region for Non-secure."},
    };
    // Secure code moved up to leave the first two pages to XOM0.
    config.projects.rows[0].roBase = L"0x1000";
    config.projects.rows[0].roSize = L"0x1f000";
    ASSERT_EQ(config.nsba, 0x10040000u);
    for (const Case& c : cases) {
        config.xomRegions[0] = {c.base, L"0x800", L"Secure"};
        EXPECT_EQ(firstError(config), c.message) << WideToUtf8(c.base);
    }
}

TEST(ValidateBspFolder, AsksForThePathThenTheThreeFoldersAppendedVerbatim) {
    std::vector<std::wstring> asked;
    const PathQuery recordAll = [&asked](const std::wstring& path) {
        asked.push_back(path);
        return true;
    };
    const std::wstring bsp = std::wstring(L"bsp") + fs::Separator();
    EXPECT_EQ(CheckBspFolder(bsp, recordAll), std::nullopt);
    const std::wstring sep(1, fs::Separator());
    const std::vector<std::wstring> expected = {
        bsp,
        bsp + sep + L"Library" + sep + L"Device" + sep + L"Quorvex" + sep + L"V6048",
        bsp + sep + L"Library" + sep + L"CMSIS",
        bsp + sep + L"Library" + sep + L"StdDriver",
    };
    EXPECT_EQ(asked, expected);
}

TEST(ValidateBspFolder, StopsAtTheFirstMissingFolder) {
    std::vector<std::wstring> asked;
    const PathQuery cmsisMissing = [&asked](const std::wstring& path) {
        asked.push_back(path);
        return path.find(L"CMSIS") == std::wstring::npos;
    };
    EXPECT_EQ(CheckBspFolder(L"bsp", cmsisMissing), std::wstring(L" Worng BSP\\CMSIS path"));
    EXPECT_EQ(asked.size(), 3u);
}

TEST(ValidatePathQuery, FilesAndFoldersExistTheEmptyPathDoesNot) {
    TempDir dir;
    const auto file = dir.writeFile("marker.txt", "x");
    const PathQuery exists = FileSystemPathQuery();
    EXPECT_TRUE(exists(dir.path().wstring()));
    EXPECT_TRUE(exists(file.wstring()));
    EXPECT_FALSE(exists(dir.file("missing").wstring()));
    EXPECT_FALSE(exists(L""));
}

}  // namespace
}  // namespace velmora::test
