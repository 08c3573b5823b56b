// The shipped working folder end to end: "Create Template" over the bundled ZQD
// tree and scripts with a rich configuration, every generated file parsed and each
// value of the configuration looked up at its place, the generated uVision
// projects imported back with ldp.lua, and a second generation over the first.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "MiniXml.h"
#include "config/CIniFile.h"
#include "config/ConfigurationFile.h"
#include "generate/ImportKeilProject.h"
#include "generate/TemplateGenerator.h"
#include "model/PeripheralAttribution.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "validate/ValidateConfiguration.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"

namespace velmora::test {
namespace {

namespace stdfs = std::filesystem;

// Made absolute before any test changes the working folder: on Windows a path that
// starts with '/' would otherwise follow the drive of the temporary folder.
const stdfs::path kSource = stdfs::absolute(VELMORA_SOURCE_DIR);
const stdfs::path kShared = stdfs::absolute(VELMORA_SHARED_DIR);
constexpr std::uint32_t kNoBoot = 0xFFFFFFFFu;

std::string ReadBytes(const stdfs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::uint32_t HexNumber(const std::string& text) {
    std::size_t used = 0;
    const unsigned long value = std::stoul(text, &used, 16);
    return static_cast<std::uint32_t>(value);
}

std::uint32_t CellNumber(const std::wstring& cell) { return HexNumber(WideToUtf8(cell)); }

std::string Hex8(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

// A path written inside a Keil or IAR file, seen from the folder of that file.
stdfs::path Resolve(const stdfs::path& folder, std::string text) {
    const std::string projDir = "$PROJ_DIR$\\";
    if (text.rfind(projDir, 0) == 0) text = text.substr(projDir.size());
    std::replace(text.begin(), text.end(), '\\', '/');
    const stdfs::path path(text);
    return (path.is_absolute() ? path : folder / path).lexically_normal();
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> items;
    std::string item;
    std::istringstream in(text);
    while (std::getline(in, item, separator)) {
        if (!item.empty()) items.push_back(item);
    }
    return items;
}

// "#define NAME VALUE" lines of a C header or a preprocessed scatter file.
std::map<std::string, std::string> Defines(const std::string& text) {
    std::map<std::string, std::string> defines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string hash, name, value;
        if (words >> hash >> name >> value && hash == "#define") defines[name] = value;
    }
    return defines;
}

// "define symbol NAME = VALUE;" lines of an IAR linker configuration.
std::map<std::string, std::uint32_t> IcfSymbols(const std::string& text) {
    std::map<std::string, std::uint32_t> symbols;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string define, symbol, name, equals, value;
        if (words >> define >> symbol >> name >> equals >> value && define == "define" &&
            symbol == "symbol" && equals == "=" && value.rfind("0x", 0) == 0) {
            symbols[name] = HexNumber(value);
        }
    }
    return symbols;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

XmlDocument ParseFile(const stdfs::path& path) {
    XmlDocument doc = ParseXml(ReadBytes(path));
    EXPECT_TRUE(doc.ok) << path << ": " << doc.error;
    return doc;
}

// The states of an IAR option in the (first) configuration of a project file.
std::vector<std::string> IarOption(const XmlElement& project, const std::string& name) {
    std::vector<std::string> states;
    const XmlElement* configuration = project.child("configuration");
    if (!configuration) return states;
    for (const XmlElement* settings : configuration->all("settings")) {
        const XmlElement* data = settings->child("data");
        if (!data) continue;
        for (const XmlElement* option : data->all("option")) {
            if (option->textAt("name") != name) continue;
            for (const XmlElement* state : option->all("state")) states.push_back(state->text);
            return states;
        }
    }
    ADD_FAILURE() << "no IAR option " << name;
    return states;
}

std::string IarOptionText(const XmlElement& project, const std::string& name) {
    const std::vector<std::string> states = IarOption(project, name);
    return states.empty() ? std::string() : states.front();
}

// The Keil files of a group, as {FileName, FilePath}.
std::vector<std::pair<std::string, std::string>> KeilGroupFiles(const XmlElement& target, const std::string& group) {
    std::vector<std::pair<std::string, std::string>> files;
    const XmlElement* groups = target.child("Groups");
    if (!groups) return files;
    for (const XmlElement* g : groups->all("Group")) {
        if (g->textAt("GroupName") != group) continue;
        if (const XmlElement* list = g->child("Files")) {
            for (const XmlElement* f : list->all("File")) files.emplace_back(f->textAt("FileName"), f->textAt("FilePath"));
        }
    }
    return files;
}

std::vector<std::string> IarGroupFiles(const XmlElement& project, const std::string& group) {
    std::vector<std::string> files;
    for (const XmlElement* g : project.all("group")) {
        if (g->textAt("name") != group) continue;
        for (const XmlElement* f : g->all("file")) files.push_back(f->textAt("name"));
    }
    return files;
}

// Start and size of one uVision memory row.
std::pair<std::uint32_t, std::uint32_t> MemoryRow(const XmlElement& target, const std::string& row) {
    const XmlElement* r = target.at("TargetOption/TargetArmAds/ArmAdsMisc/OnChipMemories/" + row);
    if (!r) {
        ADD_FAILURE() << "no memory row " << row;
        return {0, 0};
    }
    return {HexNumber(r->textAt("StartAddress")), HexNumber(r->textAt("Size"))};
}

struct Row {
    std::string name;
    bool secure = false;
    std::uint32_t ro = 0, roSize = 0, rw = 0, nsc = 0, nscSize = 0;
    unsigned xomMask = 0;
    std::string nextBoot;
};

class TemplateTree : public ::testing::Test {
protected:
    TemplateTree() : dir(TempDir::Enter) {
        for (const char* entry : {"ZQD", "BSP", "tes.lua", "tens.lua", "ldp.lua"}) {
            stdfs::copy(kSource / "workspace" / entry, dir.path() / entry, stdfs::copy_options::recursive);
        }
        stdfs::copy_file(kSource / "tests" / "data" / "templates" / "rich.kiv", dir.file("default.kiv"));
        CIniFile store;
        EXPECT_TRUE(LoadPositionedConfiguration(store, config));
        const std::wstring sep(1, fs::Separator());
        config.templatePath = L"BSP" + sep + L"SampleCode" + sep + L"Rich";
        config.bspPath = L"BSP";
        for (const ProjectEntry& entry : config.projects.rows) rows.push_back(RowOf(entry));
    }

    static Row RowOf(const ProjectEntry& entry) {
        Row row;
        row.name = WideToUtf8(entry.name);
        row.secure = !entry.nonSecure();
        row.ro = CellNumber(entry.roBase);
        row.roSize = CellNumber(entry.roSize);
        row.rw = CellNumber(entry.rwBase);
        if (row.secure) {
            row.nsc = CellNumber(entry.nscBase);
            row.nscSize = CellNumber(entry.nscSize);
        }
        row.xomMask = entry.xomMask();
        row.nextBoot = WideToUtf8(entry.nextBoot);
        return row;
    }

    void Generate() {
        TemplateGenerator generator(config, ui);
        ::testing::internal::CaptureStdout();
        const GenerationResult result = generator.CreateTemplate();
        ::testing::internal::GetCapturedStdout();
        ASSERT_EQ(result.outcome, GenerationOutcome::Completed) << WideToUtf8(result.scriptTraceback);
    }

    stdfs::path Out() const { return dir.path() / "BSP" / "SampleCode" / "Rich"; }
    stdfs::path Project(const Row& row) const { return Out() / row.name; }

    const Row* Find(const std::string& name) const {
        for (const Row& row : rows) {
            if (row.name == name) return &row;
        }
        return nullptr;
    }

    std::uint32_t NextBootAddress(const Row& row) const {
        const Row* next = Find(row.nextBoot);
        return next ? next->ro : kNoBoot;
    }

    std::uint32_t XomBase(int k) const { return CellNumber(config.xomRegions[static_cast<std::size_t>(k)].base); }
    std::uint32_t XomSize(int k) const { return CellNumber(config.xomRegions[static_cast<std::size_t>(k)].size); }

    std::vector<std::string> SecureNames() const {
        std::vector<std::string> names;
        for (const Row& row : rows) {
            if (row.secure) names.push_back(row.name);
        }
        return names;
    }

    // Every file of the output tree, by relative path.
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : stdfs::recursive_directory_iterator(Out())) {
            if (entry.is_regular_file()) {
                files[entry.path().lexically_relative(Out()).generic_string()] = ReadBytes(entry.path());
            }
        }
        return files;
    }

    void ExpectIncludeFoldersExist(const stdfs::path& folder, const std::vector<std::string>& includes) {
        bool device = false, core = false, driver = false;
        for (const std::string& include : includes) {
            const stdfs::path path = Resolve(folder, include);
            EXPECT_TRUE(stdfs::is_directory(path)) << include << " from " << folder;
            device = device || stdfs::exists(path / "V6048.h");
            core = core || stdfs::exists(path / "core_cm23.h");
            driver = driver || stdfs::exists(path / "sys.h");
        }
        EXPECT_TRUE(device && core && driver) << "the BSP headers are not all on the include path of " << folder;
    }

    void ExpectXomFiles(const Row& row) {
        for (int k = 0; k < 4; ++k) {
            const std::string stem = "xom" + std::to_string(k) + "_func";
            const bool owned = (row.xomMask >> k) & 1u;
            EXPECT_EQ(stdfs::exists(Project(row) / (stem + ".c")), owned) << row.name << " " << stem;
            if (!owned) continue;
            const std::string header = ReadBytes(Project(row) / (stem + ".h"));
            const auto defines = Defines(header);
            const std::string region = "XOM" + std::to_string(k);
            EXPECT_EQ(defines.at(region + "_BASE"), Hex8(XomBase(k)) + "UL");
            EXPECT_EQ(defines.at(region + "_SIZE"), Hex8(XomSize(k)) + "UL");
            EXPECT_TRUE(Contains(header, region + "_Function(")) << header;
            const std::string source = ReadBytes(Project(row) / (stem + ".c"));
            EXPECT_TRUE(Contains(source, "#include \"" + stem + ".h\""));
            EXPECT_TRUE(Contains(source, region + "_Function("));
        }
    }

    // Scatter file: the #defines at the region values, and one load region per owned XOM.
    void ExpectScatterXom(const std::string& scatter, const Row& row) {
        for (int k = 0; k < 4; ++k) {
            const std::string region = "XOM" + std::to_string(k) + " " + Hex8(XomBase(k)) + " " + Hex8(XomSize(k)) + " {";
            EXPECT_EQ(Contains(scatter, region), ((row.xomMask >> k) & 1u) != 0) << row.name << " " << region;
            if ((row.xomMask >> k) & 1u) {
                EXPECT_TRUE(Contains(scatter, "xom" + std::to_string(k) + "_func.o (+XO)"));
            }
        }
    }

    void ExpectIcfXom(const std::string& icf, const Row& row) {
        for (int k = 0; k < 4; ++k) {
            const std::string region = "XOM" + std::to_string(k) + "_region = mem:[from " + Hex8(XomBase(k)) +
                                       " size " + Hex8(XomSize(k)) + "];";
            EXPECT_EQ(Contains(icf, region), ((row.xomMask >> k) & 1u) != 0) << row.name << " " << region;
        }
    }

    void ExpectKeilXomGroup(const XmlElement& target, const Row& row) {
        const auto files = KeilGroupFiles(target, "XOM");
        std::vector<std::string> names;
        for (const auto& f : files) {
            names.push_back(f.first);
            EXPECT_TRUE(stdfs::exists(Resolve(Project(row) / "KEIL", f.second))) << f.second;
        }
        std::vector<std::string> expected;
        for (int k = 0; k < 4; ++k) {
            if ((row.xomMask >> k) & 1u) expected.push_back("xom" + std::to_string(k) + "_func.c");
        }
        EXPECT_EQ(names, expected) << row.name;
    }

    TempDir dir;
    PartitionConfig config;
    ScriptedFrontend ui;
    std::vector<Row> rows;
};

TEST_F(TemplateTree, EveryProjectAndWorkspaceFileIsWellFormedXml) {
    Generate();
    int files = 0;
    for (const auto& entry : stdfs::recursive_directory_iterator(Out())) {
        const std::string ext = entry.path().extension().string();
        if (ext == ".uvprojx" || ext == ".uvoptx" || ext == ".uvmpw" || ext == ".ewp" || ext == ".ewd" || ext == ".eww") {
            ParseFile(entry.path());
            ++files;
        }
    }
    // Five tool-chain files per project and the two workspaces.
    EXPECT_EQ(files, 5 * static_cast<int>(rows.size()) + 2);
}

TEST_F(TemplateTree, OnlyProjectNamedFilesRemainInEachProject) {
    Generate();
    for (const Row& row : rows) {
        const std::string base = row.secure ? "Secure" : "Nonsecure";
        for (const char* ext : {".uvprojx", ".uvoptx"}) {
            EXPECT_TRUE(stdfs::exists(Project(row) / "KEIL" / (row.name + ext)));
            EXPECT_FALSE(stdfs::exists(Project(row) / "KEIL" / (base + ext)));
        }
        for (const char* ext : {".ewp", ".ewd", ".eww"}) {
            EXPECT_TRUE(stdfs::exists(Project(row) / "IAR" / (row.name + ext)));
            EXPECT_FALSE(stdfs::exists(Project(row) / "IAR" / (base + ext)));
        }
        EXPECT_TRUE(stdfs::exists(Project(row) / ("main_" + row.name + ".c")));
        EXPECT_FALSE(stdfs::exists(Project(row) / (row.secure ? "main.c" : "main_ns.c")));
    }
}

TEST_F(TemplateTree, SecureUvisionProjectCarriesItsRow) {
    Generate();
    const std::uint32_t sramEnd = 0x20000000u + (config.sramNsba - 0x30000000u);
    for (const Row& row : rows) {
        if (!row.secure) continue;
        SCOPED_TRACE(row.name);
        const stdfs::path keil = Project(row) / "KEIL";
        const XmlDocument doc = ParseFile(keil / (row.name + ".uvprojx"));
        const auto targets = doc.root.child("Targets")->all("Target");
        ASSERT_EQ(targets.size(), 1u);
        const XmlElement& t = *targets[0];
        EXPECT_EQ(t.textAt("TargetName"), row.name);
        EXPECT_EQ(t.textAt("TargetOption/TargetCommonOption/OutputName"), row.name);
        EXPECT_EQ(t.textAt("TargetOption/TargetCommonOption/Device"), "V6048");
        const std::string cpu = t.textAt("TargetOption/TargetCommonOption/Cpu");
        EXPECT_TRUE(Contains(cpu, "CPUTYPE(\"Cortex-M23\")") && Contains(cpu, " TZ")) << cpu;
        EXPECT_EQ(t.textAt("TargetOption/TargetArmAds/ArmAdsMisc/nSecure"), "1");
        EXPECT_EQ(t.textAt("TargetOption/TargetArmAds/Cads/VariousControls/MiscControls"), "-mcmse");
        EXPECT_EQ(MemoryRow(t, "OCR_RVCT4"), std::make_pair(row.ro, row.roSize));
        EXPECT_EQ(MemoryRow(t, "OCR_RVCT5"), std::make_pair(row.nsc, row.nscSize));
        EXPECT_EQ(MemoryRow(t, "OCR_RVCT9"), std::make_pair(row.rw, sramEnd - row.rw));
        const XmlElement* ld = t.at("TargetOption/TargetArmAds/LDads");
        ASSERT_NE(ld, nullptr);
        EXPECT_EQ(ld->textAt("umfTarg"), "0");
        EXPECT_EQ(ld->textAt("ScatterFile"), ".\\secure.sct");
        EXPECT_EQ(HexNumber(ld->textAt("TextAddressRange")), row.ro);
        EXPECT_EQ(HexNumber(ld->textAt("DataAddressRange")), row.rw);
        EXPECT_TRUE(Contains(ld->textAt("Misc"), "--import_cmse_lib_out=..\\nsclib\\" + row.name + "_CMSE_Lib.o"))
            << ld->textAt("Misc");
        ExpectIncludeFoldersExist(keil, Split(t.textAt("TargetOption/TargetArmAds/Cads/VariousControls/IncludePath"), ';'));
        const auto source = KeilGroupFiles(t, "Source");
        ASSERT_EQ(source.size(), 1u);
        EXPECT_EQ(source[0].first, "main_" + row.name + ".c");
        EXPECT_TRUE(stdfs::exists(Resolve(keil, source[0].second)));
        for (const auto& f : KeilGroupFiles(t, "Device")) EXPECT_TRUE(stdfs::exists(Resolve(keil, f.second))) << f.second;
        ExpectKeilXomGroup(t, row);
    }
}

TEST_F(TemplateTree, SecureScatterFileAndDebugSetUpCarryTheRow) {
    Generate();
    const std::uint32_t sramEnd = 0x20000000u + (config.sramNsba - 0x30000000u);
    for (const Row& row : rows) {
        if (!row.secure) continue;
        SCOPED_TRACE(row.name);
        const stdfs::path keil = Project(row) / "KEIL";
        const std::string scatter = ReadBytes(keil / "secure.sct");
        EXPECT_EQ(scatter.rfind("#! armclang", 0), 0u) << "the preprocessor line must come first";
        const auto defines = Defines(scatter);
        EXPECT_EQ(defines.at("S_ROM_BASE"), Hex8(row.ro));
        EXPECT_EQ(defines.at("S_ROM_SIZE"), Hex8(row.roSize));
        EXPECT_EQ(defines.at("S_NSC_BASE"), Hex8(row.nsc));
        EXPECT_EQ(defines.at("S_NSC_SIZE"), Hex8(row.nscSize));
        EXPECT_EQ(defines.at("S_RAM_BASE"), Hex8(row.rw));
        EXPECT_EQ(defines.at("S_RAM_SIZE"), Hex8(sramEnd - row.rw));
        EXPECT_TRUE(Contains(scatter, "ER_S_NSC S_NSC_BASE S_NSC_SIZE {\n    *(Veneer$$CMSE)"));
        ExpectScatterXom(scatter, row);

        const XmlDocument options = ParseFile(keil / (row.name + ".uvoptx"));
        EXPECT_EQ(options.root.textAt("Target/TargetName"), row.name);
        EXPECT_EQ(options.root.textAt("Target/TargetOption/DebugOpt/tLdApp"), "0");
        EXPECT_EQ(options.root.textAt("Target/TargetOption/DebugOpt/tIfile"), ".\\Debug.ini");
        const std::string ini = ReadBytes(keil / "Debug.ini");
        const std::string own = "LOAD \".\\Objects\\" + row.name + ".axf\" incremental";
        ASSERT_TRUE(Contains(ini, own)) << ini;
        ASSERT_FALSE(row.nextBoot.empty());
        const std::string next = "LOAD \"..\\..\\" + row.nextBoot + "\\KEIL\\Objects\\" + row.nextBoot + ".axf\" incremental";
        ASSERT_TRUE(Contains(ini, next)) << ini;
        EXPECT_LT(ini.find(next), ini.find(own));
        EXPECT_LT(ini.find(own), ini.find("RESET"));
    }
}

TEST_F(TemplateTree, SecureIarProjectCarriesItsRow) {
    Generate();
    const std::uint32_t sramEnd = 0x20000000u + (config.sramNsba - 0x30000000u);
    for (const Row& row : rows) {
        if (!row.secure) continue;
        SCOPED_TRACE(row.name);
        const stdfs::path iar = Project(row) / "IAR";
        const XmlDocument doc = ParseFile(iar / (row.name + ".ewp"));
        const XmlElement& p = doc.root;
        EXPECT_EQ(IarOptionText(p, "TrustZone"), "1");
        EXPECT_EQ(IarOptionText(p, "TrustZoneModes"), "0");
        EXPECT_EQ(IarOptionText(p, "IlinkOutputFile"), row.name + ".out");
        EXPECT_EQ(IarOptionText(p, "IlinkIcfOverride"), "1");
        EXPECT_EQ(IarOptionText(p, "IlinkIcfFile"), "$PROJ_DIR$\\secure.icf");
        EXPECT_EQ(IarOptionText(p, "IlinkTrustzoneImportLibraryOut"), row.name + "_CMSE_Lib_IAR.o");
        EXPECT_EQ(Resolve(iar, IarOptionText(p, "ExePath")), (Project(row) / "nsclib").lexically_normal());
        ExpectIncludeFoldersExist(iar, IarOption(p, "CCIncludePath2"));
        EXPECT_EQ(IarGroupFiles(p, "Source"), std::vector<std::string>{"$PROJ_DIR$\\..\\main_" + row.name + ".c"});
        for (const std::string& f : IarGroupFiles(p, "Device")) EXPECT_TRUE(stdfs::exists(Resolve(iar, f))) << f;
        std::vector<std::string> xom;
        for (int k = 0; k < 4; ++k) {
            if ((row.xomMask >> k) & 1u) xom.push_back("$PROJ_DIR$\\..\\xom" + std::to_string(k) + "_func.c");
        }
        EXPECT_EQ(IarGroupFiles(p, "XOM"), xom);

        const auto symbols = IcfSymbols(ReadBytes(iar / "secure.icf"));
        EXPECT_EQ(symbols.at("__S_ROM_start"), row.ro);
        EXPECT_EQ(symbols.at("__S_ROM_end"), row.ro + row.roSize - 1);
        EXPECT_EQ(symbols.at("__NSC_start"), row.nsc);
        EXPECT_EQ(symbols.at("__NSC_end"), row.nsc + row.nscSize - 1);
        EXPECT_EQ(symbols.at("__S_RAM_start"), row.rw);
        EXPECT_EQ(symbols.at("__S_RAM_end"), sramEnd - 1);
        ExpectIcfXom(ReadBytes(iar / "secure.icf"), row);

        const XmlDocument workspace = ParseFile(iar / (row.name + ".eww"));
        EXPECT_EQ(workspace.root.textAt("project/path"), "$WS_DIR$\\" + row.name + ".ewp");

        // The image it boots is downloaded with it.
        const XmlDocument debug = ParseFile(iar / (row.name + ".ewd"));
        const Row* next = Find(row.nextBoot);
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(IarOptionText(debug.root, "OCImagesUse1"), "1");
        const stdfs::path image = Resolve(iar, IarOptionText(debug.root, "OCImagesPath1"));
        const stdfs::path expected = next->secure ? Project(*next) / "nsclib" / (next->name + ".out")
                                                  : Project(*next) / "IAR" / "Debug" / "Exe" / (next->name + ".out");
        EXPECT_EQ(image, expected.lexically_normal());
    }
}

TEST_F(TemplateTree, SecureMainSetsUpThePartitionAndBootsTheNextImage) {
    Generate();
    for (const Row& row : rows) {
        if (!row.secure) continue;
        SCOPED_TRACE(row.name);
        const std::string main = ReadBytes(Project(row) / ("main_" + row.name + ".c"));
        const auto defines = Defines(main);
        const Row* next = Find(row.nextBoot);
        ASSERT_NE(next, nullptr);
        EXPECT_EQ(defines.at("NEXT_BOOT_BASE"), Hex8(next->ro) + "UL");
        EXPECT_EQ(defines.at("NEXT_BOOT_NS"), next->secure ? "0" : "1");
        EXPECT_TRUE(Contains(main, "#include \"../partition_V6048.h\""));
        EXPECT_TRUE(Contains(main, "Partition_Setup();"));
        EXPECT_TRUE(Contains(main, "__NONSECURE_ENTRY\nint32_t " + row.name + "_NscEntry("));
        EXPECT_TRUE(Contains(main, "cmse_check_address_range("));
        EXPECT_TRUE(Contains(main, "SCB_NS->VTOR = NEXT_BOOT_BASE;"));
        EXPECT_TRUE(Contains(main, "__TZ_set_MSP_NS(vectors[0]);"));
        EXPECT_TRUE(Contains(main, "SealSecureStack();"));
        EXPECT_TRUE(Contains(main, "cmse_nsfptr_create("));
        for (int k = 0; k < 4; ++k) {
            const std::string include = "#include \"xom" + std::to_string(k) + "_func.h\"";
            EXPECT_EQ(Contains(main, include), ((row.xomMask >> k) & 1u) != 0) << include;
        }
        EXPECT_FALSE(Contains(main, "Secure_NscEntry")) << "template name left";

        const std::string header = ReadBytes(Project(row) / "nsclib" / (row.name + "_nsc.h"));
        EXPECT_TRUE(Contains(header, "int32_t " + row.name + "_NscEntry(const uint8_t *buffer, uint32_t length);"));
        EXPECT_TRUE(Contains(header, "#ifndef " + row.name + "_NSC_H"));
        EXPECT_FALSE(stdfs::exists(Project(row) / "nsclib" / "Secure_nsc.h"));
        ExpectXomFiles(row);
    }
}

TEST_F(TemplateTree, NonSecureProjectsLinkEverySecureImportLibrary) {
    Generate();
    const std::vector<std::string> secure = SecureNames();
    for (const Row& row : rows) {
        if (row.secure) continue;
        SCOPED_TRACE(row.name);
        const stdfs::path keil = Project(row) / "KEIL";
        const XmlDocument doc = ParseFile(keil / (row.name + ".uvprojx"));
        const XmlElement& t = *doc.root.child("Targets")->child("Target");
        EXPECT_EQ(t.textAt("TargetName"), row.name);
        EXPECT_EQ(t.textAt("TargetOption/TargetCommonOption/OutputName"), row.name);
        EXPECT_EQ(t.textAt("TargetOption/TargetArmAds/ArmAdsMisc/nSecure"), "0");
        EXPECT_EQ(MemoryRow(t, "OCR_RVCT4"), std::make_pair(row.ro, row.roSize));
        EXPECT_EQ(MemoryRow(t, "OCR_RVCT9"), std::make_pair(row.rw, 0x30018000u - row.rw));
        EXPECT_EQ(t.textAt("TargetOption/TargetArmAds/LDads/ScatterFile"), ".\\nonsecure.sct");
        EXPECT_FALSE(Contains(t.textAt("TargetOption/TargetArmAds/LDads/Misc"), "import_cmse_lib_out"));
        const std::vector<std::string> includes =
            Split(t.textAt("TargetOption/TargetArmAds/Cads/VariousControls/IncludePath"), ';');
        ExpectIncludeFoldersExist(keil, includes);
        std::vector<stdfs::path> libs;
        for (const auto& f : KeilGroupFiles(t, "CMSE Library")) libs.push_back(Resolve(keil, f.second));
        std::vector<stdfs::path> expectedLibs;
        std::vector<std::string> expectedIarLibs;
        for (const std::string& s : secure) {
            expectedLibs.push_back((Out() / s / "nsclib" / (s + "_CMSE_Lib.o")).lexically_normal());
            expectedIarLibs.push_back("$PROJ_DIR$\\..\\..\\" + s + "\\nsclib\\" + s + "_CMSE_Lib_IAR.o");
            EXPECT_NE(std::find(includes.begin(), includes.end(), "..\\..\\" + s + "\\nsclib"), includes.end()) << s;
        }
        EXPECT_EQ(libs, expectedLibs);
        ExpectKeilXomGroup(t, row);

        const std::string scatter = ReadBytes(keil / "nonsecure.sct");
        const auto defines = Defines(scatter);
        EXPECT_EQ(defines.at("NS_ROM_BASE"), Hex8(row.ro));
        EXPECT_EQ(defines.at("NS_ROM_SIZE"), Hex8(row.roSize));
        EXPECT_EQ(defines.at("NS_RAM_BASE"), Hex8(row.rw));
        EXPECT_EQ(defines.at("NS_RAM_SIZE"), Hex8(0x30018000u - row.rw));
        ExpectScatterXom(scatter, row);

        const XmlDocument options = ParseFile(keil / (row.name + ".uvoptx"));
        EXPECT_EQ(options.root.textAt("Target/TargetName"), row.name);

        const XmlDocument ewp = ParseFile(Project(row) / "IAR" / (row.name + ".ewp"));
        EXPECT_EQ(IarOptionText(ewp.root, "TrustZone"), "1");
        EXPECT_EQ(IarOptionText(ewp.root, "TrustZoneModes"), "1");
        EXPECT_EQ(IarOptionText(ewp.root, "IlinkOutputFile"), row.name + ".out");
        EXPECT_EQ(IarOptionText(ewp.root, "IlinkTrustzoneImportLibraryOut"), "");
        const XmlDocument ownWorkspace = ParseFile(Project(row) / "IAR" / (row.name + ".eww"));
        EXPECT_EQ(ownWorkspace.root.textAt("project/path"), "$WS_DIR$\\" + row.name + ".ewp");
        EXPECT_EQ(IarOptionText(ewp.root, "IlinkIcfFile"), "$PROJ_DIR$\\nonsecure.icf");
        EXPECT_EQ(IarOption(ewp.root, "IlinkAdditionalLibs"), expectedIarLibs);
        ExpectIncludeFoldersExist(Project(row) / "IAR", IarOption(ewp.root, "CCIncludePath2"));
        const auto symbols = IcfSymbols(ReadBytes(Project(row) / "IAR" / "nonsecure.icf"));
        EXPECT_EQ(symbols.at("__NS_ROM_start"), row.ro);
        EXPECT_EQ(symbols.at("__NS_ROM_end"), row.ro + row.roSize - 1);
        EXPECT_EQ(symbols.at("__NS_RAM_start"), row.rw);
        EXPECT_EQ(symbols.at("__NS_RAM_end"), 0x30017FFFu);
        ExpectIcfXom(ReadBytes(Project(row) / "IAR" / "nonsecure.icf"), row);

        const std::string main = ReadBytes(Project(row) / ("main_" + row.name + ".c"));
        for (std::size_t j = 0; j < secure.size(); ++j) {
            EXPECT_TRUE(Contains(main, "#include \"" + secure[j] + "_nsc.h\"")) << secure[j];
            EXPECT_TRUE(Contains(main, "g_results[" + std::to_string(j) + "] = " + secure[j] + "_NscEntry(g_buffer, sizeof g_buffer);"));
        }
        EXPECT_FALSE(Contains(main, "Secure_nsc.h")) << "template name left";
        const std::uint32_t next = NextBootAddress(row);
        EXPECT_EQ(Defines(main).at("NEXT_BOOT_BASE"), Hex8(next >= 0x10000000u ? next : kNoBoot) + "UL");
        ExpectXomFiles(row);
    }
}

TEST_F(TemplateTree, PartitionHeaderHoldsTheSplitAndTheSecurityWords) {
    Generate();
    const auto defines = Defines(ReadBytes(Out() / "partition_V6048.h"));
    std::uint32_t allNsc = kNoBoot, allNscSize = 0;
    for (const Row& row : rows) {
        if (!row.secure) continue;
        allNsc = std::min(allNsc, row.nsc);
        allNscSize += row.nscSize;
    }
    EXPECT_EQ(defines.at("SAU_INIT_REGION0"), "1");
    EXPECT_EQ(defines.at("SAU_INIT_START0"), Hex8(allNsc));
    EXPECT_EQ(defines.at("SAU_INIT_END0"), Hex8(allNsc + allNscSize - 1));
    EXPECT_EQ(defines.at("SAU_INIT_NSC0"), "1");
    EXPECT_EQ(defines.at("SAU_INIT_REGION1"), "1");
    EXPECT_EQ(defines.at("SAU_INIT_START1"), Hex8(config.nsba));
    EXPECT_EQ(defines.at("SAU_INIT_END1"), "0x1007FFFF");
    EXPECT_EQ(defines.at("SAU_INIT_NSC1"), "0");
    EXPECT_EQ(defines.at("SAU_INIT_REGION2"), "1");
    EXPECT_EQ(defines.at("SAU_INIT_START2"), Hex8(config.sramNsba));
    EXPECT_EQ(defines.at("SAU_INIT_END2"), "0x30017FFF");
    // The words of rich.kiv's IP section, worked out by hand from the peripheral
    // table's bit positions (Timer2/Timer3 share PNSSET2 bit 17, I2C2 (secure) and
    // GPG (non-secure) share ITNS2 bit 8).
    const char* const pnsset[] = {"0x01012200", "0x00060000", "0x0D0221AA", "0x0037001E",
                                  "0x00050003", "0x00330001", "0x00030000"};
    for (std::size_t n = 0; n < 7; ++n) {
        EXPECT_EQ(defines.at("SCU_INIT_PNSSET" + std::to_string(n) + "_VAL"), pnsset[n]) << n;
    }
    EXPECT_EQ(defines.at("SCU_INIT_IONSSET_VAL"), "0x000000FB");
    const char* const itns[] = {"0x01BB0040", "0x55D916F4", "0x01F0FD99", "0x00000004"};
    for (std::size_t n = 0; n < 4; ++n) {
        EXPECT_EQ(defines.at("NVIC_INIT_ITNS" + std::to_string(n) + "_VAL"), itns[n]) << n;
    }
}

std::vector<std::string> UvisionWorkspaceProjects(const XmlElement& root) {
    std::vector<std::string> paths;
    for (const XmlElement* p : root.all("project")) paths.push_back(p->textAt("PathAndName"));
    return paths;
}

std::vector<std::string> IarWorkspaceProjects(const XmlElement& root) {
    std::vector<std::string> paths;
    for (const XmlElement* p : root.all("project")) paths.push_back(p->textAt("path"));
    return paths;
}

TEST_F(TemplateTree, WorkspacesListEveryProjectOnceSecureFirst) {
    Generate();
    std::vector<std::string> order = SecureNames();
    for (const Row& row : rows) {
        if (!row.secure) order.push_back(row.name);
    }
    std::vector<std::string> keil, iar;
    for (const std::string& name : order) {
        keil.push_back(".\\" + name + "\\KEIL\\" + name + ".uvprojx");
        iar.push_back("$WS_DIR$\\" + name + "\\IAR\\" + name + ".ewp");
    }
    const XmlDocument uvmpw = ParseFile(Out() / "TrustZone.uvmpw");
    EXPECT_EQ(UvisionWorkspaceProjects(uvmpw.root), keil);
    EXPECT_EQ(uvmpw.root.all("project")[0]->textAt("NodeIsActive"), "1");
    const XmlDocument eww = ParseFile(Out() / "TrustZone.eww");
    EXPECT_EQ(IarWorkspaceProjects(eww.root), iar);
    std::vector<std::string> batch;
    for (const XmlElement* m : eww.root.at("batchBuild/batchDefinition")->all("member")) batch.push_back(m->textAt("project"));
    EXPECT_EQ(batch, order);
    for (const std::string& path : keil) EXPECT_TRUE(stdfs::exists(Resolve(Out(), path))) << path;
}

TEST_F(TemplateTree, ImportingEachGeneratedProjectGivesBackItsRow) {
    Generate();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PartitionConfig imported;
        ScriptedFrontend importUi;
        ::testing::internal::CaptureStdout();
        const ImportResult result = ImportKeilProject(
            imported, (Project(row) / "KEIL" / (row.name + ".uvprojx")).wstring(), importUi);
        const std::string output = ::testing::internal::GetCapturedStdout();
        ASSERT_TRUE(result.succeeded) << output;
        ASSERT_EQ(imported.projects.size(), 1) << output;
        const ProjectEntry& entry = imported.projects.rows[0];
        EXPECT_EQ(WideToUtf8(entry.name), row.name);
        EXPECT_EQ(entry.stateText, row.secure ? L"S" : L"NS");
        EXPECT_EQ(CellNumber(entry.roBase), row.ro);
        EXPECT_EQ(CellNumber(entry.roSize), row.roSize);
        EXPECT_EQ(CellNumber(entry.rwBase), row.rw);
        if (row.secure) {
            EXPECT_EQ(CellNumber(entry.nscBase), row.nsc);
            EXPECT_EQ(CellNumber(entry.nscSize), row.nscSize);
        } else {
            EXPECT_TRUE(entry.nscBase.empty() && entry.nscSize.empty());
        }
        EXPECT_EQ(entry.xomMask(), row.xomMask);
        for (int k = 0; k < 4; ++k) {
            if (!((row.xomMask >> k) & 1u)) continue;
            EXPECT_EQ(imported.xomRegions[static_cast<std::size_t>(k)].base, config.xomRegions[static_cast<std::size_t>(k)].base);
            EXPECT_EQ(imported.xomRegions[static_cast<std::size_t>(k)].size, config.xomRegions[static_cast<std::size_t>(k)].size);
        }
        EXPECT_TRUE(output.empty()) << "nothing should be missing from a generated project: " << output;
    }
}

TEST_F(TemplateTree, SecondGenerationLeavesTheTreeAsItWas) {
    Generate();
    const auto first = Snapshot();
    ui.queueAnswer(MessageAnswer::Yes);  // the output folder exists and is not empty
    Generate();
    const auto second = Snapshot();
    ASSERT_EQ(first.size(), second.size());
    for (const auto& [path, bytes] : first) {
        auto it = second.find(path);
        ASSERT_NE(it, second.end()) << path;
        EXPECT_EQ(it->second, bytes) << path << " changed in the second generation";
    }
}

void ReplaceInFile(const stdfs::path& path, const std::string& from, const std::string& to) {
    std::string text = ReadBytes(path);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from << " in " << path;
    text.replace(at, from.size(), to);
    std::ofstream(path, std::ios::binary) << text;
}

// The scripts own only their values: what the developer added to the project-named
// files stays, and a changed configuration lands beside it.
TEST_F(TemplateTree, RegenerationKeepsTheDevelopersEditsAndLandsNewValues) {
    Generate();
    const Row& app = *Find("SecApp");
    const stdfs::path keil = Project(app) / "KEIL";
    ReplaceInFile(keil / "SecApp.uvprojx", "<IncludePath>..\\..\\..\\..\\Library",
                  "<IncludePath>..\\user\\inc;..\\..\\..\\..\\Library");
    ReplaceInFile(keil / "SecApp.uvprojx", "<Misc>", "<Misc>--info=sizes ");
    ReplaceInFile(Project(app) / "main_SecApp.c", "int main(void)\n{\n",
                  "static int UserHook(void) { return 7; }\n\nint main(void)\n{\n    (void)UserHook();\n");
    ReplaceInFile(Project(app) / "IAR" / "SecApp.ewp", "<name>CCIncludePath2</name>",
                  "<name>CCIncludePath2</name>\n<state>$PROJ_DIR$\\..\\user\\inc</state>");
    // A second service of the developer's own, with its prototype for the non-secure side.
    const std::string service = "__NONSECURE_ENTRY\nint32_t Extra_NscEntry(void) { return 1; }\n\n";
    ReplaceInFile(Project(app) / "main_SecApp.c", "int main(void)\n", service + "int main(void)\n");
    const stdfs::path header = Project(app) / "nsclib" / "SecApp_nsc.h";
    ReplaceInFile(header, "#ifdef __cplusplus\n}", "int32_t Extra_NscEntry(void);\n\n#ifdef __cplusplus\n}");
    ReplaceInFile(Out() / "TrustZone.eww", "    </batchBuild>",
                  "        <batchDefinition>\n            <name>Release</name>\n            <member>\n"
                  "                <project>NsApp</project>\n                <configuration>Release</configuration>\n"
                  "            </member>\n        </batchDefinition>\n    </batchBuild>");

    for (ProjectEntry& entry : config.projects.rows) {
        if (entry.name == L"SecApp") {
            entry.roSize = L"0x8000";
            entry.nextBoot.clear();
        }
    }
    ui.queueAnswer(MessageAnswer::Yes);
    Generate();

    const XmlDocument doc = ParseFile(keil / "SecApp.uvprojx");
    const XmlElement& t = *doc.root.child("Targets")->child("Target");
    EXPECT_EQ(MemoryRow(t, "OCR_RVCT4"), std::make_pair(app.ro, 0x8000u));
    const std::vector<std::string> includes =
        Split(t.textAt("TargetOption/TargetArmAds/Cads/VariousControls/IncludePath"), ';');
    EXPECT_EQ(std::count(includes.begin(), includes.end(), "..\\user\\inc"), 1);
    const std::string misc = t.textAt("TargetOption/TargetArmAds/LDads/Misc");
    EXPECT_TRUE(Contains(misc, "--info=sizes")) << misc;
    EXPECT_EQ(misc.find("--import_cmse_lib_out"), misc.rfind("--import_cmse_lib_out")) << misc;
    EXPECT_EQ(Defines(ReadBytes(keil / "secure.sct")).at("S_ROM_SIZE"), "0x00008000");
    const std::string main = ReadBytes(Project(app) / "main_SecApp.c");
    EXPECT_TRUE(Contains(main, "static int UserHook(void) { return 7; }"));
    EXPECT_TRUE(Contains(main, "    (void)UserHook();"));
    const XmlDocument ewp = ParseFile(Project(app) / "IAR" / "SecApp.ewp");
    const std::vector<std::string> iarIncludes = IarOption(ewp.root, "CCIncludePath2");
    EXPECT_EQ(std::count(iarIncludes.begin(), iarIncludes.end(), "$PROJ_DIR$\\..\\user\\inc"), 1);
    EXPECT_EQ(IcfSymbols(ReadBytes(Project(app) / "IAR" / "secure.icf")).at("__S_ROM_end"), app.ro + 0x8000u - 1);

    EXPECT_TRUE(Contains(main, service)) << main;
    EXPECT_TRUE(Contains(main, "int32_t SecApp_NscEntry(")) << main;
    const std::string prototypes = ReadBytes(header);
    EXPECT_TRUE(Contains(prototypes, "int32_t Extra_NscEntry(void);")) << prototypes;
    EXPECT_TRUE(Contains(prototypes, "int32_t SecApp_NscEntry(const uint8_t *buffer, uint32_t length);")) << prototypes;

    const XmlDocument eww = ParseFile(Out() / "TrustZone.eww");
    std::vector<std::string> batches;
    for (const XmlElement* b : eww.root.at("batchBuild")->all("batchDefinition")) batches.push_back(b->textAt("name"));
    EXPECT_EQ(batches, (std::vector<std::string>{"All", "Release"}));
    EXPECT_EQ(eww.root.at("batchBuild/batchDefinition")->all("member").size(), rows.size());

    // Without a next image nothing is booted, and the debug set-ups load only this one.
    EXPECT_EQ(Defines(main).at("NEXT_BOOT_BASE"), "0xFFFFFFFFUL");
    const std::string ini = ReadBytes(keil / "Debug.ini");
    EXPECT_FALSE(Contains(ini, "NsApp")) << ini;
    EXPECT_TRUE(Contains(ini, "LOAD \".\\Objects\\SecApp.axf\" incremental")) << ini;
    const XmlDocument debug = ParseFile(Project(app) / "IAR" / "SecApp.ewd");
    EXPECT_EQ(IarOptionText(debug.root, "OCImagesUse1"), "0");
    EXPECT_EQ(IarOptionText(debug.root, "OCImagesPath1"), "");
}

TEST_F(TemplateTree, SecureProjectAddedLaterIsListedBeforeTheNonSecureOnes) {
    Generate();
    AddProjectRow(config.projects, L"SecLate", 0, 0x32000, 0x2000, 0x20006000, 0x3F000, 0x800, 0, L"", L"");
    rows.push_back(RowOf(config.projects.rows.back()));
    ui.queueAnswer(MessageAnswer::Yes);
    Generate();
    const XmlDocument uvmpw = ParseFile(Out() / "TrustZone.uvmpw");
    const XmlDocument eww = ParseFile(Out() / "TrustZone.eww");
    const std::vector<std::string> keil = UvisionWorkspaceProjects(uvmpw.root);
    const std::vector<std::string> iar = IarWorkspaceProjects(eww.root);
    ASSERT_EQ(keil.size(), rows.size());
    ASSERT_EQ(iar.size(), rows.size());
    const std::vector<std::string> secure = SecureNames();
    for (std::size_t i = 0; i < keil.size(); ++i) {
        const bool listedSecure = i < secure.size();
        const std::string name = keil[i].substr(2, keil[i].find('\\', 2) - 2);
        const Row* listed = Find(name);
        ASSERT_NE(listed, nullptr) << keil[i];
        EXPECT_EQ(listed->secure, listedSecure) << keil[i];
        EXPECT_EQ(iar[i], "$WS_DIR$\\" + name + "\\IAR\\" + name + ".ewp");
    }
    EXPECT_EQ(keil[secure.size() - 1], ".\\SecLate\\KEIL\\SecLate.uvprojx");
}

// Real projects of other origins: every target becomes a row, and nothing in them
// stops the script.
TEST_F(TemplateTree, ProjectsOfOtherOriginsImportWithoutScriptError) {
    // The foreign projects sit beside the checkout, not in it; a lone clone has none.
    if (!stdfs::is_directory(kShared / "fixtures" / "uvprojx")) {
        GTEST_SKIP() << "no project files of other origins at " << kShared.string();
    }
    int checked = 0;
    for (const auto& entry : stdfs::directory_iterator(kShared / "fixtures" / "uvprojx")) {
        if (entry.path().extension() != ".uvprojx") continue;
        SCOPED_TRACE(entry.path().filename().string());
        const XmlDocument doc = ParseFile(entry.path());
        const std::size_t targets = doc.root.child("Targets")->all("Target").size();
        PartitionConfig imported;
        ScriptedFrontend importUi;
        ::testing::internal::CaptureStdout();
        const ImportResult result = ImportKeilProject(imported, entry.path().wstring(), importUi);
        ::testing::internal::GetCapturedStdout();
        EXPECT_TRUE(result.succeeded);
        EXPECT_TRUE(importUi.messages.empty());
        EXPECT_EQ(static_cast<std::size_t>(imported.projects.size()), targets);
        for (const ProjectEntry& row : imported.projects.rows) {
            EXPECT_FALSE(row.name.empty());
            EXPECT_FALSE(CellNumber(row.roSize) == 0 && CellNumber(row.roBase) == 0) << "no code region";
        }
        ++checked;
    }
    EXPECT_GE(checked, 8);
    for (const auto& entry : stdfs::directory_iterator(kShared / "fixtures" / "ewp")) {
        PartitionConfig imported;
        ScriptedFrontend importUi;
        ::testing::internal::CaptureStdout();
        const ImportResult result = ImportKeilProject(imported, entry.path().wstring(), importUi);
        ::testing::internal::GetCapturedStdout();
        EXPECT_TRUE(result.succeeded) << entry.path();
        EXPECT_EQ(imported.projects.size(), 0) << entry.path();
    }
}

// The memory a foreign target links to is the row its Target dialog ticks as
// default: Arm's non-secure examples tick IROM2/IRAM2 and keep the secure half of
// the device in IROM1/IRAM1; an older NXP project runs from external flash (ROM1).
TEST_F(TemplateTree, ForeignProjectsGiveTheMemoryTheirTargetsLinkTo) {
    if (!stdfs::is_directory(kShared / "fixtures" / "uvprojx")) {
        GTEST_SKIP() << "no project files of other origins at " << kShared.string();
    }
    struct Expected {
        const char* file;
        const wchar_t* name;
        const wchar_t* state;
        std::uint32_t ro, roSize, rw;
    };
    const Expected cases[] = {
        {"cmsis5_corevalidation_cortex-m23s_ac6_secure.uvprojx", L"CMSIS_CV", L"S", 0x0, 0x200000, 0x20000000},
        {"cmsis5_corevalidation_cortex-m23ns_ac6_nonsecure.uvprojx", L"CMSIS_CV", L"NS", 0x200000, 0x200000, 0x20200000},
        {"cmsis5_trustzonev8m_nortos_cm33_s_secure.uvprojx", L"CM33_s", L"S", 0x0, 0x200000, 0x20000000},
        {"cmsis5_trustzonev8m_nortos_cm33_ns_nonsecure.uvprojx", L"CM33_ns", L"NS", 0x200000, 0x200000, 0x20200000},
        {"stm32cubel5_nucleo-l552ze-q_templates_tz_project_s_secure.uvprojx", L"Project_s", L"S", 0xC000000, 0x40000, 0x30000000},
        {"stm32cubel5_nucleo-l552ze-q_templates_tz_project_ns_nonsecure.uvprojx", L"Project_ns", L"NS", 0x8040000, 0x40000, 0x20018000},
        {"cmsis5_dap_lpc-link-ii_2016_nxp_lpc4320_cortex-m4.uvprojx", L"CMSIS_DAP", L"NS", 0x14000000, 0x400000, 0x10000000},
    };
    for (const Expected& c : cases) {
        SCOPED_TRACE(c.file);
        PartitionConfig imported;
        ScriptedFrontend importUi;
        ::testing::internal::CaptureStdout();
        const ImportResult result =
            ImportKeilProject(imported, (kShared / "fixtures" / "uvprojx" / c.file).wstring(), importUi);
        const std::string output = ::testing::internal::GetCapturedStdout();
        ASSERT_TRUE(result.succeeded) << output;
        ASSERT_EQ(imported.projects.size(), 1) << output;
        const ProjectEntry& row = imported.projects.rows[0];
        EXPECT_EQ(row.name, c.name);
        EXPECT_EQ(row.stateText, c.state);
        EXPECT_EQ(CellNumber(row.roBase), c.ro);
        EXPECT_EQ(CellNumber(row.roSize), c.roSize);
        EXPECT_EQ(CellNumber(row.rwBase), c.rw);
    }
}

// A scatter file written another way: an #define chain with expressions, comments,
// the veneers in an execution region with attributes, and an XOM region.
TEST_F(TemplateTree, ImportEvaluatesScatterFilesOfAnotherShape) {
    Generate();
    const Row& row = *Find("SecBoot");
    const stdfs::path keil = Project(row) / "KEIL";
    std::ofstream(keil / "secure.sct", std::ios::binary)
        << "#! armclang -E --target=arm-arm-none-eabi -mcpu=cortex-m23 -xc\n"
           "/* flash layout */\n"
           "#define ROM_START 0x00000000\n"
           "#define ROM_SIZE  0x00030000 // whole secure flash\n"
           "#define NSC_SIZE  0x1000\n"
           "#define NSC_START (ROM_START + ROM_SIZE - NSC_SIZE)\n"
           "LR_ROM ROM_START (ROM_SIZE - NSC_SIZE) {   ; code\n"
           "  ER_ROM +0 {\n"
           "    *.o (RESET, +First)\n"
           "    .ANY (+RO +XO)\n"
           "  }\n"
           "  RW_RAM 0x20000000 UNINIT 0x4000 { .ANY (+RW +ZI) }\n"
           "}\n"
           "LR_NSC NSC_START NSC_SIZE {\n"
           "  ER_NSC NSC_START ALIGN 32 FIXED NSC_SIZE {\n"
           "    *(Veneer$$CMSE)   ; veneers\n"
           "  }\n"
           "}\n"
           "LR_XOM3 0x00034000 0x800 { XOM3 0x00034000 0x800 { xom3_func.o (+XO) } }\n";
    PartitionConfig imported;
    ScriptedFrontend importUi;
    ::testing::internal::CaptureStdout();
    const ImportResult result = ImportKeilProject(imported, (keil / "SecBoot.uvprojx").wstring(), importUi);
    const std::string output = ::testing::internal::GetCapturedStdout();
    ASSERT_TRUE(result.succeeded) << output;
    ASSERT_EQ(imported.projects.size(), 1);
    EXPECT_EQ(imported.projects.rows[0].nscBase, L"0x2f000");
    EXPECT_EQ(imported.projects.rows[0].nscSize, L"0x1000");
    EXPECT_EQ(imported.projects.rows[0].xomMask(), 0x8u);
    EXPECT_EQ(imported.xomRegions[3].base, L"0x34000");
    EXPECT_EQ(imported.xomRegions[3].size, L"0x800");
}

// With the BSP outside the output folder the projects reach it by its full path,
// escaped where the path holds a character that XML reserves.
TEST_F(TemplateTree, BspOutsideTheOutputFolderIsReachedByItsFullPath) {
    stdfs::rename(dir.path() / "BSP", dir.path() / "R&D BSP");
    config.templatePath = (dir.path() / "elsewhere").wstring();
    config.bspPath = (dir.path() / "R&D BSP").wstring();
    Generate();
    const std::string first = ReadBytes(dir.path() / "elsewhere" / "NsApp" / "KEIL" / "NsApp.uvprojx");
    ui.queueAnswer(MessageAnswer::Yes);
    Generate();
    EXPECT_EQ(ReadBytes(dir.path() / "elsewhere" / "NsApp" / "KEIL" / "NsApp.uvprojx"), first);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const stdfs::path project = dir.path() / "elsewhere" / row.name;
        const XmlDocument doc = ParseFile(project / "KEIL" / (row.name + ".uvprojx"));
        const XmlElement& t = *doc.root.child("Targets")->child("Target");
        ExpectIncludeFoldersExist(project / "KEIL",
                                  Split(t.textAt("TargetOption/TargetArmAds/Cads/VariousControls/IncludePath"), ';'));
        const auto device = KeilGroupFiles(t, "Device");
        ASSERT_EQ(device.size(), 2u);
        for (const auto& f : device) EXPECT_TRUE(stdfs::exists(Resolve(project / "KEIL", f.second))) << f.second;
        const XmlDocument ewp = ParseFile(project / "IAR" / (row.name + ".ewp"));
        ExpectIncludeFoldersExist(project / "IAR", IarOption(ewp.root, "CCIncludePath2"));
        for (const std::string& f : IarGroupFiles(ewp.root, "Device")) {
            EXPECT_TRUE(stdfs::exists(Resolve(project / "IAR", f))) << f;
        }
    }
}

// What a newcomer finds: the bundled default.kiv passes validation in the bundled
// working folder, and Create Template writes its tree below the stand-in BSP.
TEST(ShippedWorkingFolder, SampleConfigurationPassesValidationAndGenerates) {
    TempDir dir(TempDir::Enter);
    for (const char* entry : {"ZQD", "BSP", "tes.lua", "tens.lua", "ldp.lua", "default.kiv"}) {
        stdfs::copy(kSource / "workspace" / entry, dir.path() / entry, stdfs::copy_options::recursive);
    }
    CIniFile store;
    PartitionConfig config;
    ASSERT_TRUE(LoadPositionedConfiguration(store, config));
    ScriptedFrontend ui;
    EXPECT_EQ(ValidateConfiguration(config, ui), 0) << (ui.messages.empty() ? "" : WideToUtf8(ui.messages[0].text));
    int secure = 0, nonSecure = 0;
    for (const ProjectEntry& row : config.projects.rows) {
        if (row.nonSecure()) {
            ++nonSecure;
        } else {
            ++secure;
        }
    }
    EXPECT_GE(secure, 1);
    EXPECT_GE(nonSecure, 1);

    TemplateGenerator generator(config, ui);
    ::testing::internal::CaptureStdout();
    const GenerationResult result = generator.CreateTemplate();
    ::testing::internal::GetCapturedStdout();
    ASSERT_EQ(result.outcome, GenerationOutcome::Completed) << WideToUtf8(result.scriptTraceback);
    const stdfs::path out = stdfs::absolute(fs::ToPath(fs::WithNativeSeparators(config.templatePath)));
    EXPECT_EQ(out.lexically_relative(dir.path()).begin()->string(), "BSP") << "the tree lies below the BSP";
    for (const ProjectEntry& row : config.projects.rows) {
        const std::string name = WideToUtf8(row.name);
        const XmlDocument doc = ParseFile(out / name / "KEIL" / (name + ".uvprojx"));
        const XmlElement& t = *doc.root.child("Targets")->child("Target");
        for (const std::string& include :
             Split(t.textAt("TargetOption/TargetArmAds/Cads/VariousControls/IncludePath"), ';')) {
            EXPECT_TRUE(stdfs::is_directory(Resolve(out / name / "KEIL", include))) << include;
        }
    }
}

}  // namespace
}  // namespace velmora::test
