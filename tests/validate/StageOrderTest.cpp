// Which rule is reported when several fail, and the two notions of XOM use.

#include <functional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "ValidationFixtures.h"
#include "platform/TextCodec.h"
#include "validate/ValidateConfiguration.h"

namespace velmora::test {
namespace {

class ValidateStageOrder : public ::testing::Test {
protected:
    std::string firstError(const PartitionConfig& c) const {
        const auto error = FindFirstValidationError(c, FileSystemPathQuery());
        return error ? WideToUtf8(*error) : std::string("<none>");
    }
    BspTrees trees;
    PartitionConfig config = ValidConfiguration(trees.complete());
};

TEST_F(ValidateStageOrder, DuplicateEmptyNamesAreReportedAsDuplicatesBeforeEmptiness) {
    config.projects.rows[0].name.clear();
    config.projects.rows[1].name.clear();
    config.projects.rows[0].nextBoot.clear();
    EXPECT_EQ(firstError(config), "[] project name cannot be the same.");
}

TEST_F(ValidateStageOrder, DuplicatesAreNamedByTheEarlierRowOfTheFirstPair) {
    config.projects.rows.push_back(config.projects.rows[1]);
    config.projects.rows.push_back(config.projects.rows[0]);
    EXPECT_EQ(firstError(config), "[Secure] project name cannot be the same.");
}

// Distinct names for the fourteen stages (the Next Boot "secure" names row 1 only),
// refused after them: Windows would give both one folder.
TEST_F(ValidateStageOrder, NamesDifferingOnlyInCaseAreDistinctUntilAfterTheStages) {
    config.projects.rows[1].name = L"secure";
    config.projects.rows[0].nextBoot = L"secure";
    EXPECT_EQ(firstError(config),
              "[Secure] and [secure] project names differ only in case; on Windows they would "
              "share one folder.");
    config.projects.rows[1].stateText = L"ns";  // a stage-14 fault comes first
    EXPECT_EQ(firstError(config), "secure Secure/Non-secure attribution must be \"S\" or \"NS\".");
}

// A name that passes the first-character test but holds a forbidden character.
void UseDashedName(PartitionConfig& c) {
    c.projects.rows[1].name = L"my-prj";
    c.projects.rows[0].nextBoot = L"my-prj";
}

struct EarlierFault {
    const char* stage;
    std::function<void(PartitionConfig&)> apply;
    const char* message;
};

std::ostream& operator<<(std::ostream& out, const EarlierFault& f) { return out << f.stage; }

class ValidateNameCharactersAfter : public ValidateStageOrder,
                                public ::testing::WithParamInterface<EarlierFault> {};

TEST_P(ValidateNameCharactersAfter, EarlierStages) {
    UseDashedName(config);
    EXPECT_EQ(firstError(config), " Project name must be a-z,A-Z,0-9,_");
    GetParam().apply(config);
    EXPECT_EQ(firstError(config), GetParam().message);
}

const EarlierFault kEarlierFaults[] = {
    {"NextBoot", [](PartitionConfig& c) { c.projects.rows[1].nextBoot = L"Missing"; },
     "[my-prj] project next boot [Missing] is not existed."},
    {"XomSize", [](PartitionConfig& c) { c.xomRegions[3].size = L"0x0"; },
     " XOM 3 size must >= one page (2048 Bytes)"},
    {"RoSize", [](PartitionConfig& c) { c.projects.rows[1].roSize = L"0x802"; },
     "my-prj RO size (0x802 Bytes) must word (32bits) alignment"},
    {"NscSize", [](PartitionConfig& c) { c.projects.rows[0].nscSize = L"0x3FFFF"; },
     "Secure NSC size (262143 Bytes) must be word (32bits) alignment"},
    {"Bsp", [](PartitionConfig& c) { c.bspPath.clear(); }, " Worng BSP path"},
};

INSTANTIATE_TEST_SUITE_P(Stages3To8, ValidateNameCharactersAfter,
                         ::testing::ValuesIn(kEarlierFaults),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.stage); });

TEST_F(ValidateStageOrder, NameCharactersComeBeforeAlignmentAndPlacement) {
    UseDashedName(config);
    config.projects.rows[0].roBase = L"0x2";
    config.projects.rows[1].stateText = L"x";
    EXPECT_EQ(firstError(config), " Project name must be a-z,A-Z,0-9,_");
}

TEST_F(ValidateStageOrder, LowerCaseStateTravelsAsNonSecureToPlacement) {
    ProjectEntry& row = config.projects.rows[1];
    row.stateText = L"s";
    // As a secure row these cells would fail the NSC size, NSC alignment and
    // NSC overlap rules; as a row that is not "S" they are never looked at.
    row.nscBase = L"0x3";
    row.nscSize = L"0x3";
    EXPECT_EQ(firstError(config),
              "NonSecure Secure/Non-secure attribution must be \"S\" or \"NS\".");
    row.stateText = L"S";
    EXPECT_EQ(firstError(config), "NonSecure NSC size (3 Bytes) must >= one page (2048 Bytes)");
}

TEST_F(ValidateStageOrder, CodeOfAnUnknownStateStillMeetsTheOverlapStage) {
    config.projects.rows[1].stateText = L"ns";
    config.projects.rows[1].roBase = L"0x10000";
    EXPECT_EQ(firstError(config), "NonSecure RO region cannot overlap with Secure RO region");
}

TEST_F(ValidateStageOrder, PlacementReportsRowsInTableOrder) {
    config.projects.rows[1].stateText = L"N S";
    config.projects.rows[0].rwBase = L"0x20008000";
    EXPECT_EQ(firstError(config), "Secure RW base cannot overlap with the region of Non-secure");
}

TEST_F(ValidateStageOrder, OverlapOfNscWithXomIsFoundBeforeCodeAgainstCode) {
    // Row 1's code starts inside row 0's code; row 0's NSC also meets XOM1.
    config.projects.rows[1].roBase = L"0x10000";
    config.xomRegions[1] = {L"0x3f800", L"0x800", L"Other"};
    EXPECT_EQ(firstError(config), "Secure NSC region cannot overlap with XOM1 region");
}

// XOM use: the overlap stage follows the XOM table's Project text, placement the
// rows' ownership cells.

TEST_F(ValidateStageOrder, RegionNamedInXomTableButOwnedByNoRowMeetsTheOverlapStage) {
    config.xomRegions[1] = {L"0x10000", L"0x800", L"Someone"};
    EXPECT_EQ(firstError(config), "Secure RO region cannot overlap with XOM1 region");
}

TEST_F(ValidateStageOrder, OwnedRegionWithEmptyProjectTextSkipsTheOverlapStage) {
    config.xomRegions[0] = {L"0x10000", L"0x800", L""};
    EXPECT_EQ(firstError(config), "<none>");
}

TEST_F(ValidateStageOrder, XomBaseInsideCodeBaseIsReportedAsBaseOverlap) {
    config.xomRegions[0] = {L"0x0", L"0x800", L"Secure"};
    EXPECT_EQ(firstError(config), "Secure RO base cannot overlap with XOM0 region");
}

TEST_F(ValidateStageOrder, XomOverlapTestLooksOnlyAtOtherRegionsBases) {
    // XOM1 (owned by nobody) covers XOM0's base, but XOM1's own base lies outside XOM0.
    config.xomRegions[1] = {L"0x2f800", L"0x1000", L""};
    EXPECT_EQ(firstError(config), "<none>");
}

TEST_F(ValidateStageOrder, XomOverlapTestIncludesRegionsNotInUse) {
    GiveXom(config, 0, 1);
    config.xomRegions[1] = {L"0x31000", L"0x1000", L"Secure"};
    config.xomRegions[3] = {L"0x31800", L"0x800", L""};
    FreeXom(config, 3);
    EXPECT_EQ(firstError(config), "XOM1 must not be overlapped with XOM3");
}

TEST_F(ValidateStageOrder, OwnedRegionsAreTestedInRegionOrder) {
    GiveXom(config, 0, 2);
    config.xomRegions[2] = {L"0x400", L"0x800", L""};  // first page
    config.xomRegions[0].size = L"0xc00";                // end off page
    EXPECT_EQ(firstError(config), "XOM0 region is not page alignment.");
}

}  // namespace
}  // namespace velmora::test
