// The documents every generation leaves beside the projects: MemoryMap.html and
// README.md, what the README says about the generated tree, and how an existing
// file of the user's or a file that cannot be written is treated.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TemplateGeneratorFixture.h"
#include "generate/GeneratedDocuments.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

namespace velmora {
namespace {

namespace stdfs = std::filesystem;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class GeneratedDocumentsTest : public test::TemplateGeneratorFixture {
protected:
    // A non-secure row above two secure ones: the order of building is not the row order.
    void AddProjects() {
        AddProjectRow(config.projects, L"App", 1, 0x10040000, 0x1000, 0x30008000, 0, 0, 0b100, L"", L"");
        AddProjectRow(config.projects, L"Boot", 0, 0, 0x2000, 0x20000000, 0x3F000, 0x800, 0, L"Sec", L"");
        AddProjectRow(config.projects, L"Sec", 0, 0x4000, 0x2000, 0x20001000, 0x3F800, 0x800, 0b001,
                      L"App", L"");
        SetXomRow(config.xomRegions, 0, 0x10000, 0x800, L"Sec");
        SetXomRow(config.xomRegions, 2, 0x10070000, 0x800, L"App");
    }
    std::string Readme() const { return dir.readFile("out/README.md"); }
};

TEST_F(GeneratedDocumentsTest, BothAreWrittenAfterTheProjects) {
    AddProjects();
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    const std::string map = dir.readFile("out/MemoryMap.html");
    EXPECT_EQ(map.rfind(kGeneratedDocumentMarker, 0), 0u);
    EXPECT_TRUE(Has(map, "<svg"));
    for (const char* label : {">Boot code</text>", ">Sec NSC</text>", ">App data</text>", ">XOM2 of App</text>"})
        EXPECT_TRUE(Has(map, label)) << label;
    EXPECT_EQ(Readme().rfind(kGeneratedDocumentMarker, 0), 0u);
}

TEST_F(GeneratedDocumentsTest, ReadmeDescribesTheTree) {
    AddProjects();
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    const std::string readme = Readme();
    for (const char* part : {
             "[MemoryMap.html](MemoryMap.html)",
             // Every project's file of each flavour, and the files beside them.
             "| Boot | secure | `Boot/KEIL/Boot.uvprojx` | `Boot/IAR/Boot.ewp` | `Boot/GCC/CMakeLists.txt` | "
             "`Boot/main_Boot.c`, "
             "`Boot/KEIL/secure.sct` |",
             "| Sec | secure | `Sec/KEIL/Sec.uvprojx` | `Sec/IAR/Sec.ewp` | `Sec/GCC/CMakeLists.txt` | "
             "`Sec/main_Sec.c`, "
             "`Sec/KEIL/secure.sct`, `Sec/xom0_func.c`, `Sec/xom0_func.h` |",
             "| App | non-secure | `App/KEIL/App.uvprojx` | `App/IAR/App.ewp` | `App/GCC/CMakeLists.txt` | "
             "`App/main_App.c`, "
             "`App/xom2_func.c`, `App/xom2_func.h` |",
             "| Keil MDK | `TrustZone.uvmpw` |",
             "| IAR EWARM | `TrustZone.eww` |",
             "| GCC and CMake | `CMakeLists.txt` | In this folder run `cmake --preset default`, then "
             "`cmake --build --preset default`",
             // Secure before non-secure, each with its import libraries.
             "1. Boot (secure), writes `Boot/nsclib/Boot_CMSE_Lib.o` (Keil MDK), "
             "`Boot/nsclib/Boot_CMSE_Lib_IAR.o` (IAR EWARM), `build/default/Boot/Boot_CMSE_Lib.o` "
             "(GCC and CMake)\n"
             "2. Sec (secure), writes `Sec/nsclib/Sec_CMSE_Lib.o` (Keil MDK), "
             "`Sec/nsclib/Sec_CMSE_Lib_IAR.o` (IAR EWARM), `build/default/Sec/Sec_CMSE_Lib.o` "
             "(GCC and CMake)\n"
             "3. App (non-secure), links the import libraries of Boot, Sec\n",
             "- Boot -> Sec -> App\n",
             // What the user brings.
             "\"Update Target before Debugging\" and flash download are off",
             "Options for Target \xE2\x86\x92 Debug \xE2\x86\x92 Settings \xE2\x86\x92 Flash Download",
             "no flash loader, unless the BSP provides one",
             "Options \xE2\x86\x92 Debugger \xE2\x86\x92 Download \xE2\x86\x92 Use flash loader",
             "a device pack or a flash algorithm for the V6048",
             "CMSIS-DAP, J-Link or ULINK", "CMSIS-DAP, J-Link or I-jet",
             "a GDB server for your probe"}) {
        EXPECT_TRUE(Has(readme, part)) << part;
    }
    EXPECT_TRUE(Has(readme, "`" + WideToUtf8(config.bspPath) + "`"));
}

TEST_F(GeneratedDocumentsTest, NamesAreEscapedForMarkdown) {
    struct {
        const wchar_t* name;
        const char* row;
        bool windowsFileName;  // '|' and '*' cannot name a folder on Windows
    } const cases[] = {
        {L"A_B_1", "| A\\_B\\_1 | secure | `A_B_1/KEIL/A_B_1.uvprojx` |", true},
        {L"A|B_*", "| A\\|B\\_\\* | secure | `A\\|B_*/KEIL/A\\|B_*.uvprojx` |", false},
    };
    for (const auto& c : cases) {
#ifdef _WIN32
        if (!c.windowsFileName) continue;
#endif
        config.projects.rows.clear();
        stdfs::remove_all(dir.file("out"));
        AddProjectRow(config.projects, c.name, 0, 0, 0x2000, 0x20000000, 0x3F000, 0x800, 0, L"", L"");
        ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed) << c.row;
        EXPECT_TRUE(Has(Readme(), c.row)) << c.row;
    }
}

TEST_F(GeneratedDocumentsTest, OursAreReplacedTheUsersAreKept) {
    AddProjects();
    ASSERT_EQ(Generate().outcome, GenerationOutcome::Completed);
    config.projects.rows[0].name = L"Renamed";
    dir.writeFile("out/README.md", "my own notes\n");
    ui.queueAnswer(MessageAnswer::Yes);  // the folder is no longer empty
    const GenerationResult second = Generate();
    EXPECT_EQ(second.outcome, GenerationOutcome::CompletedWithWarnings);
    EXPECT_EQ(dir.readFile("out/README.md"), "my own notes\n");
    EXPECT_TRUE(Has(dir.readFile("out/MemoryMap.html"), ">Renamed code</text>"));
    ASSERT_EQ(second.warnings.size(), 1u);
    EXPECT_EQ(second.warnings[0], Out(L"README.md") + L" was not written by Velmora and was left as it is");
}

TEST_F(GeneratedDocumentsTest, ADocumentThatCannotBeWrittenIsAFailedOperation) {
    AddProjects();
    stdfs::create_directories(dir.file("out/MemoryMap.html"));
    ui.queueAnswer(MessageAnswer::Yes);  // the folder is not empty
    const GenerationResult result = Generate();
    EXPECT_EQ(result.outcome, GenerationOutcome::CompletedWithErrors);
    EXPECT_EQ(result.failedOperations, std::vector<std::wstring>{L"Unable to write " + Out(L"MemoryMap.html")});
    EXPECT_TRUE(Has(Readme(), "[MemoryMap.html]"));
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_TRUE(ui.messages.back().text.find(L"Unable to write " + Out(L"MemoryMap.html")) != std::wstring::npos);
}

// A link in the output folder is never written through, whatever it points at.
TEST_F(GeneratedDocumentsTest, ALinkInTheirPlaceIsRefusedAndWhatItNamesStays) {
    AddProjects();
    const std::string outside = std::string(kGeneratedDocumentMarker) + "outside\n";
    dir.writeFile("outside.html", outside);
    stdfs::create_directories(dir.file("out"));
    std::error_code ec;
    stdfs::create_symlink(dir.file("outside.html"), dir.file("out/MemoryMap.html"), ec);
    if (ec) GTEST_SKIP() << "no symbolic links here: " << ec.message();
    ui.queueAnswer(MessageAnswer::Yes);  // the folder is not empty
    const GenerationResult result = Generate();
    EXPECT_EQ(result.outcome, GenerationOutcome::CompletedWithErrors);
    EXPECT_EQ(dir.readFile("outside.html"), outside);
    ASSERT_EQ(result.failedOperations.size(), 1u);
    EXPECT_EQ(result.failedOperations[0].rfind(L"Refused to write " + Out(L"MemoryMap.html"), 0), 0u);
    EXPECT_TRUE(Has(Readme(), "[MemoryMap.html]")) << "the README is still written";
}

}  // namespace
}  // namespace velmora
