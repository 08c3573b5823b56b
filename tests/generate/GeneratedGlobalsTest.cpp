// The globals each project's script receives: exactly these, in this order, and
// nothing else, seen from the host and from inside the script.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TemplateGeneratorFixture.h"

namespace velmora {
namespace {

using test::Expected;
using test::Function;
using test::Number;
using test::Text;

class GeneratedGlobalsTest : public test::TemplateGeneratorFixture {
protected:
    void SetXom(int k, std::uint32_t base, std::uint32_t size) {
        SetXomRow(config.xomRegions, k, base, size, L"");
    }
    std::vector<test::FoundGlobals> runs() const { return test::ReadRecordedRuns(dir); }
};

std::vector<Expected> FreshSecurityWords() {
    return {Number("pnsset0", 0x1012200),    Number("pnsset1", 0x60000),
            Number("pnsset2", 0xF0221AA),    Number("pnsset3", 0x3F001F),
            Number("pnsset4", 0x70007),      Number("pnsset5", 0x2330001),
            Number("pnsset6", 0x30001),      Number("ionsset", 0xFF),
            Number("intnsset0", 0x11FF0040), Number("intnsset1", 0x5DFB16F4),
            Number("intnsset2", 0x1F0FD99),  Number("intnsset3", 0x24)};
}

TEST_F(GeneratedGlobalsTest, SecureAndNonSecureProjectsGetExactlyTheirGlobals) {
    AddProjectRow(config.projects, L"Sec", 0, 0x0, 0x3f000, 0x20000000, 0x3f000, 0x800, 0b1010,
                  L"App", L"");
    AddProjectRow(config.projects, L"App", 1, 0x10040000, 0x40000, 0x30008000, 0, 0, 0b0001, L"",
                  L"");
    SetXom(0, 0x10070000, 0x1000);
    SetXom(1, 0x10000, 0x800);
    SetXom(2, 0x20000, 0x800);
    SetXom(3, 0x12000, 0x1000);

    const GenerationResult result = Generate();
    ASSERT_EQ(result.outcome, GenerationOutcome::Completed);
    const std::wstring o = Out();
    const std::wstring bspReference = config.bspPath + test::P(L"/");

    std::vector<Expected> secure = {Text("rpath", bspReference),
                                    Text("fpath", o),
                                    Text("fmain", Out(L"Sec/main_Sec.c")),
                                    Text("fscatter", Out(L"Sec/KEIL/secure.sct")),
                                    Text("fpartition", Out(L"partition_V6048.h")),
                                    Text("prjname", L"Sec"),
                                    Number("nsba", 0x10040000),
                                    Number("nssramba", 0x30008000),
                                    Text("bsppath", config.bspPath)};
    for (const Expected& word : FreshSecurityWords()) secure.push_back(word);
    const std::vector<Expected> secureRest = {
        Number("ro", 0x0),          Number("rosize", 0x3f000),     Number("rw", 0x20000000),
        Number("rwsize", 0x8000),   Number("nsc", 0x3f000),        Number("nscsize", 0x800),
        Number("all_nsc", 0x3f000), Number("all_nscsize", 0x800),  Number("next_boot", 0x10040000),
        Number("next_boot_ns", 1),  Text("str_next_boot", L"App"), Number("xombase1", 0x10000),
        Number("xomsize1", 0x800),  Number("xombase3", 0x12000),   Number("xomsize3", 0x1000),
        Function("fail"),           Function("warn"),              Function("sauregions"),
        Function("readfile"),       Function("isfile"),            Function("writefile"),
        Function("removefile"),     Function("bootchain"),         Function("generated")};
    secure.insert(secure.end(), secureRest.begin(), secureRest.end());

    const std::vector<Expected> nonSecure = {Text("rpath", bspReference),
                                             Text("fpath", o),
                                             Text("fmain", Out(L"App/main_App.c")),
                                             Text("prjname", L"App"),
                                             Text("sprj0", L"Sec"),
                                             Number("nsba", 0x10040000),
                                             Number("nssramba", 0x30008000),
                                             Number("ro", 0x10040000),
                                             Number("rosize", 0x40000),
                                             Number("rw", 0x30008000),
                                             Number("next_boot", 4294967295),
                                             Text("nsclib0", L"Sec"),
                                             Number("xombase0", 0x10070000),
                                             Number("xomsize0", 0x1000),
                                             Function("fail"),
                                             Function("warn"),
                                             Function("readfile"),
                                             Function("isfile"),
                                             Function("writefile"),
                                             Function("removefile"),
                                             Function("generated")};

    ASSERT_EQ(trace.runs.size(), 2u);
    ASSERT_EQ(runs().size(), 2u);
    EXPECT_EQ(trace.runs[0].script, L"tes.lua");
    EXPECT_EQ(trace.runs[1].script, L"tens.lua");
    test::ExpectRunGlobals(trace.runs[0], runs()[0], secure);
    test::ExpectRunGlobals(trace.runs[1], runs()[1], nonSecure);
    EXPECT_EQ(trace.globalsBeforeAnyLoad, 0);
}

TEST_F(GeneratedGlobalsTest, SummaryAndListsCoverAllSecureProjectsWhateverTheRowOrder) {
    AddProjectRow(config.projects, L"N", 1, 0x10040000, 0x1000, 0x30008000, 0, 0, 0, L"", L"");
    AddProjectRow(config.projects, L"A", 0, 0x0, 0x1000, 0x20000000, 0x3F000, 0x800, 0, L"", L"");
    AddProjectRow(config.projects, L"B", 0, 0x1000, 0x1000, 0x20001000, 0x3E000, 0x1000, 0, L"N",
                  L"");
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);

    const auto found = runs();
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].at("prjname").second, "A");
    EXPECT_EQ(found[1].at("prjname").second, "B");
    EXPECT_EQ(found[2].at("prjname").second, "N") << "non-secure rows come after every secure one";
    for (int secureRun = 0; secureRun < 2; ++secureRun) {
        EXPECT_EQ(found[static_cast<std::size_t>(secureRun)].at("all_nsc").second,
                  std::to_string(0x3E000));
        EXPECT_EQ(found[static_cast<std::size_t>(secureRun)].at("all_nscsize").second,
                  std::to_string(0x1800));
    }
    EXPECT_EQ(found[0].at("next_boot").second, "4294967295");
    EXPECT_EQ(found[0].at("next_boot_ns").second, "0");
    EXPECT_EQ(found[0].at("str_next_boot").second, "");
    EXPECT_EQ(found[1].at("next_boot").second, std::to_string(0x10040000));
    EXPECT_EQ(found[1].at("next_boot_ns").second, "1");

    const std::vector<std::string> order = test::NamesInOrder(trace.runs[2]);
    const std::vector<std::string> expectedOrder = {
        "rpath",    "fpath", "fmain",  "prjname", "sprj0",     "sprj1",   "nsba",
        "nssramba", "ro",    "rosize", "rw",      "next_boot", "nsclib0", "nsclib1",
        "fail",     "warn",  "readfile", "isfile", "writefile", "removefile", "generated"};
    EXPECT_EQ(order, expectedOrder);
    EXPECT_EQ(found[2].at("sprj1").second, "B");
    EXPECT_EQ(found[2].at("nsclib1").second, "B");
    EXPECT_EQ(found[2].count("sprj2"), 0u);
}

TEST_F(GeneratedGlobalsTest, NextBootToASecureProjectIsNotNonSecure) {
    AddProjectRow(config.projects, L"Boot", 0, 0x0, 0x1000, 0x20000000, 0x3F000, 0x800, 0,
                  L"Second", L"");
    AddProjectRow(config.projects, L"Second", 0, 0x2000, 0x1000, 0x20001000, 0x3E000, 0x800, 0, L"",
                  L"");
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    const auto found = runs();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].at("next_boot").second, std::to_string(0x2000));
    EXPECT_EQ(found[0].at("next_boot_ns").second, "0");
}

TEST_F(GeneratedGlobalsTest, MoreThanTenSecureProjectsAreAllListed) {
    for (int i = 0; i < 11; ++i) {
        AddProjectRow(config.projects, L"S" + std::to_wstring(i), 0,
                      0x1000u * static_cast<unsigned>(i), 0x800, 0x20000000, 0x3F000, 0x800, 0, L"",
                      L"");
    }
    AddProjectRow(config.projects, L"NS", 1, 0x10040000, 0x1000, 0x30008000, 0, 0, 0, L"", L"");
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    const auto found = runs();
    ASSERT_EQ(found.size(), 12u);
    EXPECT_EQ(found[11].at("sprj10").second, "S10");
    EXPECT_EQ(found[11].at("nsclib10").second, "S10");
    EXPECT_EQ(found[0].at("all_nscsize").second, std::to_string(11 * 0x800));
}

TEST_F(GeneratedGlobalsTest, SecureProjectWithoutNscIsNoLibrary) {
    AddProjectRow(config.projects, L"Lib", 0, 0x0, 0x1000, 0x20000000, 0x3F000, 0x800, 0, L"", L"");
    AddProjectRow(config.projects, L"Plain", 0, 0x2000, 0x1000, 0x20001000, 0x3E000, 0, 0, L"",
                  L"");
    AddProjectRow(config.projects, L"App", 1, 0x10040000, 0x1000, 0x30008000, 0, 0, 0, L"", L"");
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    const auto found = runs();
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[2].at("sprj1").second, "Plain");
    EXPECT_EQ(found[2].at("nsclib0").second, "Lib");
    EXPECT_EQ(found[2].count("nsclib1"), 0u);
}

TEST_F(GeneratedGlobalsTest, CellsAreReadWithTheGeneratorsOwnHexReading) {
    AddProjectRow(config.projects, L"Odd", 0, 0, 0, 0, 0, 0, 0, L"", L"");
    ProjectEntry& row = config.projects.rows[0];
    row.roBase = L"  0x2000";    // leading blanks are skipped
    row.roSize = L"0xFFFFFFFF";  // saturates
    row.rwBase = L"20000000zz";  // stops at the first non-digit
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    const auto found = runs();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].at("ro").second, std::to_string(0x2000));
    EXPECT_EQ(found[0].at("rosize").second, std::to_string(0x7FFFFFFF));
    EXPECT_EQ(found[0].at("rw").second, std::to_string(0x20000000));
}

TEST_F(GeneratedGlobalsTest, SecurityWordsFollowThePeripheralStates) {
    for (PeripheralEntry& peripheral : config.peripherals)
        peripheral.state = peripheral.name == L"UART0" ? 1 : 0;
    AddProjectRow(config.projects, L"Sec", 0, 0, 0x1000, 0x20000000, 0x3F000, 0x800, 0, L"", L"");
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    const auto found = runs();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].at("pnsset3").second, std::to_string(0x10000));
    EXPECT_EQ(found[0].at("intnsset1").second, std::to_string(0x10));
    EXPECT_EQ(found[0].at("pnsset0").second, "0");
    EXPECT_EQ(found[0].at("ionsset").second, "0");
}

}  // namespace
}  // namespace velmora
