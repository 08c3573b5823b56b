// One case per rule: the valid configuration, changed so that everything before the
// rule still holds and the rule fails, must give exactly the rule's message.

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "ValidationFixtures.h"
#include "platform/TextCodec.h"
#include "validate/ValidateConfiguration.h"

namespace velmora::test {
namespace {

struct RuleCase {
    const char* rule;
    std::function<void(PartitionConfig&, const BspTrees&)> breakRule;
    std::wstring message;
};

std::ostream& operator<<(std::ostream& out, const RuleCase& c) { return out << c.rule; }

ProjectEntry& SecureRow(PartitionConfig& c) { return c.projects.rows[0]; }
ProjectEntry& NonSecureRow(PartitionConfig& c) { return c.projects.rows[1]; }

// Renames the non-secure row and keeps the secure row's next boot pointing at it.
void RenameNonSecure(PartitionConfig& c, const std::wstring& name) {
    NonSecureRow(c).name = name;
    SecureRow(c).nextBoot = name;
}

using C = PartitionConfig;
using B = BspTrees;

const RuleCase kRuleCases[] = {
    // Unique names.
    {"DuplicateName",
     [](C& c, const B&) {
         RenameNonSecure(c, L"Secure");
         SecureRow(c).nextBoot.clear();
     },
     L"[Secure] project name cannot be the same."},
    // Name present and first character.
    {"EmptyName", [](C& c, const B&) { RenameNonSecure(c, L""); SecureRow(c).nextBoot.clear(); },
     L"project name cannot be empty."},
    {"NameStartsWithDigit", [](C& c, const B&) { RenameNonSecure(c, L"1st"); },
     L"[1st] project first char must be '_', 'a'~'z' or 'A'~'Z'."},
    {"NameStartsNonAscii", [](C& c, const B&) { RenameNonSecure(c, L"\u00c9cu"); },
     L"[\u00c9cu] project first char must be '_', 'a'~'z' or 'A'~'Z'."},
    // Next boot.
    {"NextBootNamesNoRow", [](C& c, const B&) { NonSecureRow(c).nextBoot = L"Missing"; },
     L"[NonSecure] project next boot [Missing] is not existed."},
    {"NextBootNamesItself", [](C& c, const B&) { NonSecureRow(c).nextBoot = L"NonSecure"; },
     L"[NonSecure] project next boot [NonSecure] is not existed."},
    {"NextBootCaseDiffers", [](C& c, const B&) { SecureRow(c).nextBoot = L"nonsecure"; },
     L"[Secure] project next boot [nonsecure] is not existed."},
    // XOM sizes, used or not, compared signed.
    {"XomSizeBelowPage", [](C& c, const B&) { c.xomRegions[2].size = L"0x7ff"; },
     L" XOM 2 size must >= one page (2048 Bytes)"},
    {"XomSizeNegativeWhenSigned", [](C& c, const B&) { c.xomRegions[1].size = L"0x80000000"; },
     L" XOM 1 size must >= one page (2048 Bytes)"},
    // Code sizes.
    {"RoSizeBelowPage", [](C& c, const B&) { SecureRow(c).roSize = L"0x7fc"; },
     L"Secure RO size (2044 Bytes) must >= one page (2048 Bytes)"},
    {"RoSizeLeadingBlankReadsZero", [](C& c, const B&) { SecureRow(c).roSize = L" 0x20000"; },
     L"Secure RO size (0 Bytes) must >= one page (2048 Bytes)"},
    {"RoSizeNotWordMultiple", [](C& c, const B&) { SecureRow(c).roSize = L"0x801"; },
     L"Secure RO size (0x801 Bytes) must word (32bits) alignment"},
    // NSC sizes.
    {"NscSizeBelowPage", [](C& c, const B&) { SecureRow(c).nscSize = L"0x7fc"; },
     L"Secure NSC size (2044 Bytes) must >= one page (2048 Bytes)"},
    {"NscSizeNotWordMultiple", [](C& c, const B&) { SecureRow(c).nscSize = L"0x3FFFF"; },
     L"Secure NSC size (262143 Bytes) must be word (32bits) alignment"},
    {"NscSizeShownSigned", [](C& c, const B&) { SecureRow(c).nscSize = L"0xFFFFFFFE"; },
     L"Secure NSC size (-2 Bytes) must be word (32bits) alignment"},
    // BSP folder.
    {"BspPathMissing", [](C& c, const B& b) { c.bspPath = b.absent(); }, L" Worng BSP path"},
    {"BspPathEmpty", [](C& c, const B&) { c.bspPath.clear(); }, L" Worng BSP path"},
    {"BspWithoutDevice", [](C& c, const B& b) { c.bspPath = b.withoutDevice(); },
     L" Worng BSP\\Device\\Quorvex\\V6048 path"},
    {"BspWithoutCmsis", [](C& c, const B& b) { c.bspPath = b.withoutCmsis(); },
     L" Worng BSP\\CMSIS path"},
    {"BspWithoutStdDriver", [](C& c, const B& b) { c.bspPath = b.withoutStdDriver(); },
     L" Worng BSP\\StdDriver path"},
    // Name characters.
    {"NameWithDash", [](C& c, const B&) { RenameNonSecure(c, L"my-prj"); },
     L" Project name must be a-z,A-Z,0-9,_"},
    {"NameWithBlank", [](C& c, const B&) { RenameNonSecure(c, L"My Prj"); },
     L" Project name must be a-z,A-Z,0-9,_"},
    {"NameWithNonAscii", [](C& c, const B&) { RenameNonSecure(c, L"Prj\u00e9"); },
     L" Project name must be a-z,A-Z,0-9,_"},
    // Alignment.
    {"RoBaseNotWordAligned", [](C& c, const B&) { SecureRow(c).roBase = L"0x2"; },
     L"Secure RO base (0x2) must be word alignment."},
    {"RwBaseNotEightAligned", [](C& c, const B&) { SecureRow(c).rwBase = L"0x20000004"; },
     L"Secure RW base (0x20000004) must be 8 bytes alignment."},
    {"NscBaseNotWordAligned", [](C& c, const B&) { SecureRow(c).nscBase = L"0x3f002"; },
     L"Secure NSC base (0x3f002) must be word alignment."},
    // Minimum code region.
    {"RoRegionBelow0x2000", [](C& c, const B&) { SecureRow(c).roSize = L"0x1000"; },
     L"Secure RO region cannot smaller than 0x2000."},
    // Overlaps.
    {"CodeBaseInNscRegion", [](C& c, const B&) { NonSecureRow(c).roBase = L"0x3f000"; },
     L"NonSecure RO region cannot overlap with Secure NSC region"},
    {"NscBaseInOwnCode", [](C& c, const B&) { SecureRow(c).nscBase = L"0x1f000"; },
     L"Secure RO region cannot overlap with Secure NSC region"},
    {"NscBaseInXomInUse",
     [](C& c, const B&) { c.xomRegions[1] = {L"0x3f000", L"0x800", L"Other"}; },
     L"Secure NSC base cannot overlap with XOM1 region"},
    {"XomInUseStartsInNsc",
     [](C& c, const B&) { c.xomRegions[1] = {L"0x3f800", L"0x800", L"Other"}; },
     L"Secure NSC region cannot overlap with XOM1 region"},
    {"CodeBaseInOtherCode", [](C& c, const B&) { NonSecureRow(c).roBase = L"0x10000"; },
     L"NonSecure RO region cannot overlap with Secure RO region"},
    {"SameCodeBase", [](C& c, const B&) { NonSecureRow(c).roBase = L"0x0"; },
     L"Secure RO region cannot overlap with NonSecure RO region"},
    {"CodeBaseInXomInUse",
     [](C& c, const B&) { c.xomRegions[1] = {L"0x10040000", L"0x800", L"Other"}; },
     L"NonSecure RO base cannot overlap with XOM1 region"},
    {"XomInUseInsideCode", [](C& c, const B&) { c.xomRegions[0].base = L"0x10000"; },
     L"Secure RO region cannot overlap with XOM0 region"},
    // Placement of a secure row.
    {"SecureRoBaseInAliasRange", [](C& c, const B&) { SecureRow(c).roBase = L"0x10000000"; },
     L"Secure RO base must < 0x10000000"},
    {"SecureRoBaseAboveBoundary", [](C& c, const B&) { SecureRow(c).roBase = L"0x40800"; },
     L"Secure RO base cannot overlap with the region for nonsecure."},
    {"SecureRoEndAboveBoundary", [](C& c, const B&) { c.nsba = 0x10010000; },
     L"Secure RO region cannot overlap with the region for nonsecure."},
    {"SecureRoBaseOffPage", [](C& c, const B&) { SecureRow(c).roBase = L"0x400"; },
     L"Secure RO base is not page alignment."},
    {"SecureRoEndOffPage", [](C& c, const B&) { SecureRow(c).roSize = L"0x20400"; },
     L"Secure RO region is not page alignment."},
    {"SecureRwBelowSram", [](C& c, const B&) { SecureRow(c).rwBase = L"0x10000000"; },
     L"Secure RW base must >= 0x20000000 and < 0x30000000"},
    {"SecureRwInNonSecureView", [](C& c, const B&) { SecureRow(c).rwBase = L"0x30000000"; },
     L"Secure RW base must >= 0x20000000 and < 0x30000000"},
    {"SecureRwAliasOnSramBoundary", [](C& c, const B&) { SecureRow(c).rwBase = L"0x20008000"; },
     L"Secure RW base cannot overlap with the region of Non-secure"},
    {"SecureNscBaseAboveBoundary", [](C& c, const B&) { SecureRow(c).nscBase = L"0x40800"; },
     L"[Secure] NSC base cannot overlap with the region for Non-secure (0x10040000)."},
    {"SecureNscBaseShowsBoundaryUpperCase", [](C& c, const B&) { c.nsba = 0x1003e800; },
     L"[Secure] NSC base cannot overlap with the region for Non-secure (0x1003E800)."},
    {"SecureNscEndAboveBoundary", [](C& c, const B&) { SecureRow(c).nscBase = L"0x3f800"; },
     L"Secure NSC region cannot overlap with the region for Non-secure."},
    // Secure row's XOM regions.
    {"SecureXomCoversOtherBase", [](C& c, const B&) { c.xomRegions[1].base = L"0x30000"; },
     L"XOM0 must not be overlapped with XOM1"},
    {"SecureXomInFirstPage", [](C& c, const B&) { c.xomRegions[0] = {L"0x400", L"0x800", L""}; },
     L"XOM0 base must not be located in first page of APROM."},
    {"SecureXomBaseAboveBoundary", [](C& c, const B&) { c.xomRegions[0].base = L"0x40800"; },
     L"XOM0 base cannot overlap with the region for Non-secure."},
    {"SecureXomEndAboveBoundary",
     [](C& c, const B&) { c.xomRegions[0] = {L"0x3f800", L"0x1000", L""}; },
     L"XOM0 region cannot overlap with the region for Non-secure."},
    {"SecureXomBaseOffPage", [](C& c, const B&) { c.xomRegions[0].base = L"0x30400"; },
     L"XOM0 base is not page alignment."},
    {"SecureXomEndOffPage", [](C& c, const B&) { c.xomRegions[0].size = L"0xc00"; },
     L"XOM0 region is not page alignment."},
    // Placement of a non-secure row.
    {"NonSecureRoBelowBoundary", [](C& c, const B&) { NonSecureRow(c).roBase = L"0x10030000"; },
     L"NonSecure RO base must located in Non-secure region."},
    {"NonSecureRoAboveView", [](C& c, const B&) { NonSecureRow(c).roBase = L"0x10080800"; },
     L"NonSecure RO base must located in Non-secure region."},
    {"NonSecureRoPastViewEnd", [](C& c, const B&) { NonSecureRow(c).roBase = L"0x10080000"; },
     L"NonSecure RO region cannot out of Non-secure region."},
    {"NonSecureRoBaseOffPage", [](C& c, const B&) { NonSecureRow(c).roBase = L"0x10040400"; },
     L"NonSecure RO base is not page alignment."},
    {"NonSecureRoEndOffPage", [](C& c, const B&) { NonSecureRow(c).roSize = L"0x20400"; },
     L"NonSecure RO region is not page alignment."},
    {"NonSecureRwBelowBoundary", [](C& c, const B&) { NonSecureRow(c).rwBase = L"0x30006000"; },
     L"NonSecure RW base must be in Non-secure region of SRAM."},
    {"NonSecureRwPastSramEnd", [](C& c, const B&) { NonSecureRow(c).rwBase = L"0x30018008"; },
     L"NonSecure RW base must be in Non-secure region of SRAM."},
    // Non-secure row's XOM regions.
    {"NonSecureXomCoversOtherBase", [](C& c, const B&) { c.xomRegions[2].base = L"0x10070000"; },
     L"XOM3 must not be overlapped with XOM2"},
    {"NonSecureXomInFirstPage", [](C& c, const B&) { c.xomRegions[3] = {L"0x0", L"0x800", L""}; },
     L"XOM3 base must not be located in first page of APROM."},
    {"NonSecureXomBelowBoundary", [](C& c, const B&) { c.xomRegions[3].base = L"0x34000"; },
     L"XOM3 base must in Non-secure region."},
    {"NonSecureXomAboveView", [](C& c, const B&) { c.xomRegions[3].base = L"0x10080800"; },
     L"XOM3 base must in Non-secure region."},
    {"NonSecureXomPastViewEnd",
     [](C& c, const B&) { c.xomRegions[3] = {L"0x1007f800", L"0x1000", L"NonSecure"}; },
     L"XOM3 region cannot out of Non-secure region."},
    {"NonSecureXomBaseOffPage", [](C& c, const B&) { c.xomRegions[3].base = L"0x10070400"; },
     L"XOM3 base is not page alignment."},
    {"NonSecureXomEndOffPage", [](C& c, const B&) { c.xomRegions[3].size = L"0xc00"; },
     L"XOM3 region is not page alignment."},
    // Neither "S" nor "NS".
    {"StateNeitherSecureNorNonSecure", [](C& c, const B&) { NonSecureRow(c).stateText = L"s"; },
     L"NonSecure Secure/Non-secure attribution must be \"S\" or \"NS\"."},
};

class ValidateRuleMessages : public ::testing::TestWithParam<RuleCase> {
protected:
    static void SetUpTestSuite() { trees_ = std::make_unique<BspTrees>(); }
    static void TearDownTestSuite() { trees_.reset(); }
    static std::unique_ptr<BspTrees> trees_;
};

std::unique_ptr<BspTrees> ValidateRuleMessages::trees_;

TEST_P(ValidateRuleMessages, FirstFailingRuleGivesItsExactMessage) {
    PartitionConfig config = ValidConfiguration(trees_->complete());
    ASSERT_EQ(FindFirstValidationError(config, FileSystemPathQuery()), std::nullopt);
    GetParam().breakRule(config, *trees_);
    const std::optional<std::wstring> error =
        FindFirstValidationError(config, FileSystemPathQuery());
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(WideToUtf8(*error), WideToUtf8(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(EveryRule, ValidateRuleMessages, ::testing::ValuesIn(kRuleCases),
                         [](const auto& caseInfo) { return std::string(caseInfo.param.rule); });

}  // namespace
}  // namespace velmora::test
