#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/CIniFile.h"
#include "config/ConfigurationFile.h"
#include "model/PartitionConfig.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

using test::ScriptedFrontend;
using test::TempDir;

// The file a first run writes when the dialog is closed at once.
const std::string kFirstRunFile =
    "[GENERAL]\r\n"
    "FNSBA=0x40000\r\n"
    "SRAMNSBA=0x30008000\r\n"
    "TEMPLATE_PATH=\r\n"
    "BSP_PATH=\r\n"
    "NSBA=0x10080000\r\n"
    "\r\n"
    "[PRJ0]\r\n"
    "NAME=Secure\r\n"
    "NS=0x0\r\n"
    "RO=0x0\r\n"
    "ROSIZE=0x20000\r\n"
    "RW=0x20000000\r\n"
    "NSC=0x3f000\r\n"
    "NSCSIZE=0x3ffff\r\n"
    "XOM=0x0\r\n"
    "NEXTBOOT=\r\n"
    "PATH=\r\n"
    "\r\n"
    "[XOM]\r\n"
    "XOM_BASE0=0x0\r\n"
    "XOM_SIZE0=0x0\r\n"
    "PRJ_NAME0=\r\n"
    "XOM_BASE1=0x0\r\n"
    "XOM_SIZE1=0x0\r\n"
    "PRJ_NAME1=\r\n"
    "XOM_BASE2=0x0\r\n"
    "XOM_SIZE2=0x0\r\n"
    "PRJ_NAME2=\r\n"
    "XOM_BASE3=0x0\r\n"
    "XOM_SIZE3=0x0\r\n"
    "PRJ_NAME3=\r\n"
    "\r\n"
    "[IP]\r\n"
    "CRPT=1\r\nTRNG=1\r\nPDMA0=0\r\nPDMA1=1\r\nTimer0=0\r\nTimer1=0\r\nTimer2=1\r\n"
    "Timer3=1\r\nCAN=1\r\nEBI=1\r\nSC0=1\r\nSC1=1\r\nSC2=1\r\nQEI0=1\r\nQEI1=1\r\n"
    "CRC=1\r\nI2C0=1\r\nI2C1=1\r\nI2C2=1\r\nUSCI0=1\r\nUSCI1=1\r\nECAP0=1\r\nECAP1=1\r\n"
    "UART0=1\r\nUART1=1\r\nUART2=1\r\nUART3=1\r\nUART4=1\r\nUART5=1\r\nSPI0=1\r\n"
    "SPI1=1\r\nSPI2=1\r\nSPI3=1\r\nSPI4=1\r\nBPWM0=1\r\nBPWM1=1\r\nEPWM0=1\r\n"
    "EPWM1=1\r\nACMP01=1\r\nEADC=1\r\nDAC=1\r\nRTC=1\r\nSDH0=1\r\nUSBH=1\r\nI2S0=1\r\n"
    "OTG=1\r\nUSBD=1\r\nWDT=0\r\nWWDT=0\r\nFMC=0\r\nSYS=0\r\nCLK=0\r\nGPA=1\r\nGPB=1\r\n"
    "GPC=1\r\nGPD=1\r\nGPE=1\r\nGPF=1\r\nGPG=1\r\nGPH=1\r\n"
    "\r\n";

// One project section with all ten values, in the file's CRLF form.
std::string ProjectSection(int n, const std::string& name, const std::string& ns = "0x0",
                           const std::string& xom = "0x0") {
    return "[PRJ" + std::to_string(n) + "]\r\nNAME=" + name + "\r\nNS=" + ns +
           "\r\nRO=0x0\r\nROSIZE=0x1000\r\nRW=0x20000000\r\nNSC=0x3f000\r\nNSCSIZE=0x800\r\n"
           "XOM=" + xom + "\r\nNEXTBOOT=\r\nPATH=\r\n\r\n";
}

// A working folder with a store and configuration as the dialog holds them.
struct Session {
    TempDir dir{TempDir::Enter};
    ScriptedFrontend ui;
    CIniFile store{&ui};
    PartitionConfig config;

    bool load() { return LoadPositionedConfiguration(store, config); }
    bool save() { return SaveConfiguration(store, config); }
    std::string file() const { return dir.readFile("default.kiv"); }
    void writeFile(const std::string& bytes) const { dir.writeFile("default.kiv", bytes); }
};

// Loads the current default.kiv in a fresh store and configuration, as a restart does.
struct Restart {
    ScriptedFrontend ui;
    CIniFile store{&ui};
    PartitionConfig config;
    Restart() { LoadPositionedConfiguration(store, config); }
};

std::vector<std::wstring> RowNames(const PartitionConfig& config) {
    std::vector<std::wstring> names;
    for (const auto& row : config.projects.rows) names.push_back(row.name);
    return names;
}

TEST(ConfigurationFile, FirstRunWritesTheDefaultFile) {
    Session s;
    EXPECT_FALSE(s.load());
    ASSERT_TRUE(s.save());
    EXPECT_EQ(s.file(), kFirstRunFile);
    EXPECT_TRUE(s.ui.messages.empty());
}

TEST(ConfigurationFile, FirstRunGivesTheFreshConfiguration) {
    Session s;
    s.load();
    EXPECT_EQ(s.config.nsba, 0x10080000u);
    EXPECT_EQ(s.config.sramNsba, 0x30008000u);
    ASSERT_EQ(s.config.projects.size(), 1);
    const ProjectEntry& row = s.config.projects.rows[0];
    EXPECT_EQ(row.name, L"Secure");
    EXPECT_EQ(row.stateText, L"S");
    EXPECT_EQ(row.roBase, L"0x0");
    EXPECT_EQ(row.roSize, L"0x20000");
    EXPECT_EQ(row.rwBase, L"0x20000000");
    EXPECT_EQ(row.nscBase, L"0x3f000");
    EXPECT_EQ(row.nscSize, L"0x3ffff");
    EXPECT_EQ(row.xomMask(), 0u);
    for (const XomRegion& region : s.config.xomRegions) {
        EXPECT_EQ(region.base, L"0x0");
        EXPECT_EQ(region.size, L"0x0");
        EXPECT_EQ(region.projectName, L"");
    }
    ASSERT_EQ(s.config.peripherals.size(), 60u);
    for (const PeripheralEntry& p : s.config.peripherals)
        EXPECT_EQ(p.state, p.nsSetCode == -1 ? 0 : 1) << "peripheral " << p.name;
}

TEST(ConfigurationFile, SavedFileLoadsBackAndSavesToTheSameBytes) {
    Session s;
    s.load();
    s.config.templatePath = L"C:\\out\\tpl";
    s.config.bspPath = L"D:\\bsp";
    ASSERT_TRUE(s.save());
    const std::string before = s.file();
    Restart again;
    EXPECT_EQ(again.config.templatePath, L"C:\\out\\tpl");
    EXPECT_EQ(again.config.bspPath, L"D:\\bsp");
    EXPECT_EQ(again.config.nsba, 0x10080000u);
    ASSERT_TRUE(SaveConfiguration(again.store, again.config));
    EXPECT_EQ(s.file(), before);
}

TEST(ConfigurationFile, LoadsValuesAsTheFileHoldsThem) {
    Session s;
    s.writeFile(
        "[GENERAL]\r\nTEMPLATE_PATH=C:\\t\r\nBSP_PATH=C:\\b\r\nNSBA=0x10040000\r\n"
        "SRAMNSBA=0x30010000\r\n\r\n"
        "[PRJ0]\r\nNAME=Boot\r\nNS=0x0\r\nRO=1000\r\nROSIZE=0X10\r\nRW=0x20000000\r\n"
        "NSC=0x3f000\r\nNSCSIZE=0x800\r\nXOM=0x5\r\nNEXTBOOT=App\r\nPATH=C:\\p\r\n\r\n"
        "[PRJ1]\r\nNAME=App\r\nNS=0x1\r\nRO=0x10040000\r\nROSIZE=0x40000\r\nRW=0x30010000\r\n"
        "NSC=0x1\r\nNSCSIZE=0x2\r\nXOM=0x0\r\n\r\n"
        "[XOM]\r\nXOM_BASE0=0x1000\r\nXOM_SIZE0=4096\r\nPRJ_NAME0=Boot\r\n\r\n"
        "[IP]\r\nCRPT=0\r\nTRNG= 1\r\nUART0=x\r\nUART1=-1\r\n\r\n");
    EXPECT_TRUE(s.load());
    EXPECT_EQ(s.config.templatePath, L"C:\\t");
    EXPECT_EQ(s.config.bspPath, L"C:\\b");
    EXPECT_EQ(s.config.nsba, 0x10040000u);
    EXPECT_EQ(s.config.sramNsba, 0x30010000u);
    ASSERT_EQ(s.config.projects.size(), 2);
    const ProjectEntry& boot = s.config.projects.rows[0];
    EXPECT_EQ(boot.roBase, L"0x3e8");  // decimal in the file, shown in hexadecimal
    EXPECT_EQ(boot.roSize, L"0x0");    // "0X10" is not hex and reads as decimal 0
    EXPECT_EQ(boot.nextBoot, L"App");
    EXPECT_EQ(boot.path, L"C:\\p");
    EXPECT_EQ(boot.xomMask(), 0x5u);
    const ProjectEntry& app = s.config.projects.rows[1];
    EXPECT_EQ(app.stateText, L"NS");
    EXPECT_EQ(app.nscBase, L"");
    EXPECT_EQ(app.nscSize, L"");
    EXPECT_EQ(app.nextBoot, L"");  // missing values read as empty
    EXPECT_EQ(app.xomCells[0], XomCellState::Taken);
    EXPECT_EQ(s.config.xomRegions[0].base, L"0x1000");
    EXPECT_EQ(s.config.xomRegions[0].size, L"0x1000");
    EXPECT_EQ(s.config.xomRegions[0].projectName, L"Boot");
    EXPECT_EQ(s.config.xomRegions[1].base, L"0x0");
    const auto stateOf = [&](const std::wstring& name) {
        for (const auto& p : s.config.peripherals)
            if (p.name == name) return p.state;
        ADD_FAILURE() << "no peripheral " << name;
        return -99;
    };
    EXPECT_EQ(stateOf(L"CRPT"), 0);
    EXPECT_EQ(stateOf(L"TRNG"), 1);
    EXPECT_EQ(stateOf(L"UART0"), 0);
    EXPECT_EQ(stateOf(L"UART1"), -1);
    EXPECT_EQ(stateOf(L"GPA"), 0);  // missing from IP: secure
    EXPECT_TRUE(s.ui.messages.empty());
}

TEST(ConfigurationFile, BoundariesAreNormalisedWhenPositioned) {
    Session s;
    s.writeFile("[GENERAL]\r\nNSBA=0x7ff\r\nSRAMNSBA=0x3001ffff\r\n\r\n" +
                ProjectSection(0, "A"));
    s.load();
    EXPECT_EQ(s.config.nsba, 0x10000800u);      // position clamped up to 1
    EXPECT_EQ(s.config.sramNsba, 0x30018000u);  // position clamped down to 12
}

TEST(ConfigurationFile, LaterOwnerOfAnXomRegionWins) {
    Session s;
    s.writeFile(ProjectSection(0, "A", "0x0", "0x1") + ProjectSection(1, "B", "0x0", "0x1"));
    s.load();
    ASSERT_EQ(s.config.projects.size(), 2);
    EXPECT_EQ(s.config.projects.rows[0].xomCells[0], XomCellState::Taken);
    EXPECT_EQ(s.config.projects.rows[1].xomCells[0], XomCellState::Owned);
}

TEST(ConfigurationFile, SkipsShortSectionsAndGapsWithoutEndingTheScan) {
    Session s;
    s.writeFile(ProjectSection(0, "A") +
                "[PRJ1]\r\nNAME=Short\r\nNS=0x0\r\nRO=0\r\nROSIZE=0\r\nRW=0\r\nNSC=0\r\nXOM=0\r\n\r\n" +
                ProjectSection(3, "D") + ProjectSection(99, "Last") + ProjectSection(100, "Beyond"));
    s.load();
    EXPECT_EQ(RowNames(s.config), (std::vector<std::wstring>{L"A", L"D", L"Last", L"Beyond"}));
}

// Numbered sections PRJ0..PRJ(n-1) of rows named R0, R1, ...
std::string ProjectRun(int first, int count) {
    std::string bytes;
    for (int n = first; n < first + count; ++n)
        bytes += ProjectSection(n, "R" + std::to_string(n));
    return bytes;
}

std::vector<std::wstring> RunNames(int first, int count) {
    std::vector<std::wstring> names;
    for (int n = first; n < first + count; ++n) names.push_back(L"R" + std::to_wstring(n));
    return names;
}

// Above PRJ99 the rows go on while the sections follow each other; a short section
// there still continues the run, a missing one ends it.
TEST(ConfigurationFile, SectionsBeyondPrj99LoadWhileTheyFollowWithoutAGap) {
    struct Case {
        const char* what;
        std::string file;
        std::vector<std::wstring> rows;
    };
    const std::string shortSection = "[PRJ101]\r\nNAME=Short\r\n\r\n";
    std::vector<std::wstring> upTo102 = RunNames(0, 101);
    upTo102.push_back(L"R102");
    const Case cases[] = {
        {"150 rows", ProjectRun(0, 150), RunNames(0, 150)},
        {"gap at 100", ProjectRun(0, 100) + ProjectRun(101, 5), RunNames(0, 100)},
        {"short 101 continues", ProjectRun(0, 101) + shortSection + ProjectRun(102, 1), upTo102},
        {"gaps below 100 only", ProjectRun(0, 1) + ProjectRun(99, 3),
         std::vector<std::wstring>{L"R0", L"R99", L"R100", L"R101"}},
    };
    for (const Case& c : cases) {
        Session s;
        s.writeFile(c.file);
        s.load();
        EXPECT_EQ(RowNames(s.config), c.rows) << c.what;
    }
}

TEST(ConfigurationFile, MoreThanAHundredRowsSurviveSaveAndRestart) {
    Session s;
    s.writeFile(ProjectRun(0, 130));
    s.load();
    ASSERT_EQ(s.config.projects.size(), 130);
    ASSERT_TRUE(s.save());
    Restart again;
    EXPECT_EQ(RowNames(again.config), RunNames(0, 130));
}

// A later, smaller table must not leave PRJ100... behind: they would come back on
// the next start after a later import overwrote only some of them.
TEST(ConfigurationFile, SaveRemovesStaleSectionsBeyondPrj99) {
    Session s;
    s.writeFile(ProjectRun(0, 120) + ProjectRun(200, 2) + "[PRJ0150]\r\nNAME=x\r\n\r\n" +
                "[PRJ-1]\r\nNAME=x\r\n\r\n[prj130]\r\nNAME=x\r\n\r\n");
    s.load();
    ASSERT_EQ(s.config.projects.size(), 120);
    s.config.projects.rows.resize(3);
    ASSERT_TRUE(s.save());
    Restart again;
    EXPECT_EQ(RowNames(again.config), RunNames(0, 3));
    for (int n = 3; n < 202; ++n)
        EXPECT_EQ(again.store.KeyIndexOf(L"PRJ" + std::to_wstring(n)), -1) << n;
    // Names that no row number gives are not project sections and stay.
    for (const wchar_t* kept : {L"PRJ0150", L"PRJ-1", L"prj130"})
        EXPECT_NE(again.store.KeyIndexOf(kept), -1) << kept;
}

TEST(ConfigurationFile, WideHexValuesLoadModulo32Bits) {
    Session s;
    s.writeFile("[PRJ0]\r\nNAME=A\r\nNS=0x0\r\nRO=0x123456789\r\nROSIZE=0x-800\r\n"
                "RW=0x20000000\r\nNSC=0x0\r\nNSCSIZE=0x0\r\nXOM=0x0\r\n\r\n");
    s.load();
    ASSERT_EQ(s.config.projects.size(), 1);
    EXPECT_EQ(s.config.projects.rows[0].roBase, L"0x23456789");
    EXPECT_EQ(s.config.projects.rows[0].roSize, L"0xfffff800");
}

TEST(ConfigurationFile, LoadsMoreThanTenProjects) {
    Session s;
    std::string bytes;
    for (int n = 0; n < 15; ++n) bytes += ProjectSection(n, std::string("P").append(std::to_string(n)));
    s.writeFile(bytes);
    s.load();
    ASSERT_EQ(s.config.projects.size(), 15);
    EXPECT_EQ(s.config.projects.rows[14].name, L"P14");
    ASSERT_TRUE(s.save());
    Restart again;
    EXPECT_EQ(RowNames(again.config), RowNames(s.config));
}

TEST(ConfigurationFile, NoPrj0FallsBackToTheDefaultsMergedIntoTheFile) {
    Session s;
    s.writeFile("[GENERAL]\r\nTEMPLATE_PATH=C:\\kept\r\nNSBA=0x10000800\r\n\r\n" +
                ProjectSection(0, "lower").replace(1, 4, "prj0") + "[MINE]\r\nx=1\r\n\r\n");
    EXPECT_FALSE(s.load());
    EXPECT_EQ(RowNames(s.config), (std::vector<std::wstring>{L"Secure"}));
    EXPECT_EQ(s.config.templatePath, L"");  // not loaded
    EXPECT_EQ(s.config.nsba, 0x10080000u);
    ASSERT_TRUE(s.save());
    Restart again;
    EXPECT_EQ(again.store.GetText(L"prj0", L"NAME"), L"lower");
    EXPECT_EQ(again.store.GetText(L"MINE", L"x"), L"1");
    EXPECT_EQ(again.store.GetText(L"GENERAL", L"TEMPLATE_PATH"), L"");
    EXPECT_EQ(again.store.keyNames,
              (std::vector<std::wstring>{L"GENERAL", L"prj0", L"MINE", L"PRJ0", L"XOM", L"IP"}));
}

TEST(ConfigurationFile, UnknownSectionsAndValuesStayInPlace) {
    // The first-run file with foreign content in front, between and inside sections.
    std::string original = kFirstRunFile;
    const auto insertAfter = [&](const std::string& anchor, const std::string& text) {
        const auto at = original.find(anchor);
        ASSERT_NE(at, std::string::npos) << anchor;
        original.insert(at + anchor.size(), text);
    };
    original.insert(0, "[FIRST]\r\nnote=kept first\r\n\r\n");
    insertAfter("FNSBA=0x40000\r\n", "UNKNOWN= spaced value \r\n");
    insertAfter("PATH=\r\n\r\n", "[CUSTOM]\r\na=1\r\n;c=2\r\n\r\n");
    insertAfter("PRJ_NAME1=\r\n", "XOM_EXTRA=0x9\r\n");
    insertAfter("GPH=1\r\n", "FOO=bar\r\n");
    original += "[LAST]\r\n=empty name\r\n\r\n";

    Session s;
    s.writeFile(original);
    EXPECT_TRUE(s.load());
    ASSERT_TRUE(s.save());
    EXPECT_EQ(s.file(), original);
    // And once more through a restart.
    Restart again;
    ASSERT_TRUE(SaveConfiguration(again.store, again.config));
    EXPECT_EQ(s.file(), original);
}

TEST(ConfigurationFile, SaveRemovesStaleSectionsAboveAGap) {
    Session s;
    s.writeFile(ProjectSection(0, "A") + ProjectSection(2, "B") + ProjectSection(4, "C"));
    s.load();
    EXPECT_EQ(RowNames(s.config), (std::vector<std::wstring>{L"A", L"B", L"C"}));
    ASSERT_TRUE(s.save());
    Restart again;
    EXPECT_EQ(RowNames(again.config), (std::vector<std::wstring>{L"A", L"B", L"C"}));
    EXPECT_EQ(again.store.KeyIndexOf(L"PRJ3"), -1);
    EXPECT_EQ(again.store.KeyIndexOf(L"PRJ4"), -1);
    EXPECT_EQ(again.store.GetText(L"PRJ1", L"NAME"), L"B");
    EXPECT_EQ(again.store.GetText(L"PRJ2", L"NAME"), L"C");
}

TEST(ConfigurationFile, SaveRemovesTheRunAfterTheLastRow) {
    Session s;
    s.writeFile(ProjectSection(0, "A") + ProjectSection(1, "B") + ProjectSection(3, "C") +
                ProjectSection(57, "Far"));
    s.load();
    ASSERT_EQ(s.config.projects.size(), 4);
    s.config.projects.rows.resize(2);
    ASSERT_TRUE(s.save());
    Restart again;
    EXPECT_EQ(RowNames(again.config), (std::vector<std::wstring>{L"A", L"B"}));
    for (const wchar_t* stale : {L"PRJ2", L"PRJ3", L"PRJ57"})
        EXPECT_EQ(again.store.KeyIndexOf(stale), -1) << stale;
}

TEST(ConfigurationFile, DeletingEveryRowFallsBackToDefaultsAtTheNextStart) {
    Session s;
    s.load();
    s.config.templatePath = L"C:\\kept";
    s.config.projects.rows.clear();
    ASSERT_TRUE(s.save());
    Restart again;
    EXPECT_EQ(RowNames(again.config), (std::vector<std::wstring>{L"Secure"}));
    EXPECT_EQ(again.config.templatePath, L"");
}

TEST(ConfigurationFile, NonSecureRowsSaveEmptyNscCells) {
    Session s;
    s.load();
    AddProjectRow(s.config.projects, L"Odd", 0, 0x1000, 0x2000, 0x20001000, 0x3e000, 0x800, 0,
                  L"", L"");
    s.config.projects.rows[1].stateText = L"secure?";
    s.config.projects.rows[1].roSize = L"1000";  // typed without 0x
    ASSERT_TRUE(s.save());
    EXPECT_EQ(s.store.GetText(L"PRJ1", L"NS"), L"0x1");
    EXPECT_EQ(s.store.GetText(L"PRJ1", L"NSC"), L"");
    EXPECT_EQ(s.store.GetText(L"PRJ1", L"NSCSIZE"), L"");
    EXPECT_EQ(s.store.GetText(L"PRJ1", L"ROSIZE"), L"1000");
    Restart again;
    ASSERT_EQ(again.config.projects.size(), 2);
    const ProjectEntry& row = again.config.projects.rows[1];
    EXPECT_EQ(row.stateText, L"NS");
    EXPECT_EQ(row.nscBase, L"");
    EXPECT_EQ(row.roSize, L"0x3e8");
}

TEST(ConfigurationFile, SaveWritesXomOwnershipAsAMask) {
    Session s;
    s.load();
    AddProjectRow(s.config.projects, L"X", 0, 0, 0, 0, 0, 0, 0xA, L"", L"");
    ASSERT_TRUE(s.save());
    EXPECT_EQ(s.store.GetText(L"PRJ0", L"XOM"), L"0x0");
    EXPECT_EQ(s.store.GetText(L"PRJ1", L"XOM"), L"0xa");
}

TEST(ConfigurationFile, FnsbaSurvivesLaterSaves) {
    Session s;
    s.load();
    ASSERT_TRUE(s.save());
    for (int i = 0; i < 2; ++i) {
        Restart again;
        again.config.nsba = 0x10001000;
        ASSERT_TRUE(SaveConfiguration(again.store, again.config));
    }
    Restart last;
    EXPECT_EQ(last.store.GetText(L"GENERAL", L"FNSBA"), L"0x40000");
    EXPECT_EQ(last.store.keys[0].names[0], L"FNSBA");
    EXPECT_EQ(last.config.nsba, 0x10001000u);
}

TEST(ConfigurationFile, LongPathsAreSavedWhole) {
    Session s;
    s.load();
    s.config.templatePath = L"C:\\" + std::wstring(5000, L'p');
    ASSERT_TRUE(s.save());
    Restart again;
    EXPECT_EQ(again.config.templatePath, s.config.templatePath);
}

TEST(ConfigurationFile, UnreadableFileIsReportedAndDefaultsAreBuilt) {
    Session s;
    std::filesystem::create_directory(s.dir.file("default.kiv"));
    EXPECT_FALSE(s.load());
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_EQ(s.ui.messages[0].text, L"Unable to open ini file.");
    EXPECT_EQ(RowNames(s.config), (std::vector<std::wstring>{L"Secure"}));
}

TEST(ConfigurationFile, SaveFailureIsReportedAndKeepsNothingHalfWritten) {
    Session s;
    s.load();
    s.store.path = (s.dir.path() / "missing" / "default.kiv").wstring();
    EXPECT_FALSE(s.save());
    ASSERT_EQ(s.ui.messages.size(), 1u);
    EXPECT_EQ(s.ui.messages[0].text, L"Unable to write ini file.");
    EXPECT_EQ(s.ui.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(s.ui.messages[0].buttons, MessageButtons::Ok);
    EXPECT_FALSE(std::filesystem::exists(s.dir.file("missing")));
}

TEST(ConfigurationFile, PathCanBeChosenByTheCaller) {
    TempDir dir;
    CIniFile store;
    PartitionConfig config;
    const std::wstring path = dir.file("other.kiv").wstring();
    EXPECT_FALSE(LoadConfiguration(store, config, path));
    EXPECT_EQ(store.path, path);
    ASSERT_TRUE(SaveConfiguration(store, config));
    EXPECT_FALSE(dir.readFile("other.kiv").empty());
}

}  // namespace
}  // namespace velmora
