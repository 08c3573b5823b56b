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

// "NAME = 0x...;" lines of a linker file whose lines begin with the words lead:
// "define symbol" in an IAR linker configuration, none in a GNU linker script.
std::map<std::string, std::uint32_t> AssignedNumbers(const std::string& text, const std::vector<std::string>& lead) {
    std::map<std::string, std::uint32_t> symbols;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        bool led = true;
        for (const std::string& expected : lead) {
            std::string word;
            led = led && words >> word && word == expected;
        }
        std::string name, equals, value;
        if (led && words >> name >> equals >> value && equals == "=" && value.rfind("0x", 0) == 0) {
            symbols[name] = HexNumber(value);
        }
    }
    return symbols;
}

std::map<std::string, std::uint32_t> IcfSymbols(const std::string& text) {
    return AssignedNumbers(text, {"define", "symbol"});
}

std::map<std::string, std::uint32_t> LdSymbols(const std::string& text) { return AssignedNumbers(text, {}); }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The lines between the line holding begin and the line holding end, trimmed.
std::vector<std::string> LinesBetween(const std::string& text, const std::string& begin, const std::string& end) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (Contains(line, end) && inside) break;
        if (inside) lines.push_back(Trimmed(line));
        inside = inside || Contains(line, begin);
    }
    return lines;
}

// The values of the "set(NAME value)" lines of a project's generated CMake block.
std::map<std::string, std::string> CMakeSets(const std::string& text) {
    std::map<std::string, std::string> sets;
    for (const std::string& line : LinesBetween(text, "# Velmora: begin", "# Velmora: end")) {
        if (line.rfind("set(", 0) != 0 || line.back() != ')') continue;
        const std::size_t space = line.find(' ');
        if (space == std::string::npos) continue;
        sets[line.substr(4, space - 4)] = line.substr(space + 1, line.size() - space - 2);
    }
    return sets;
}

// The projects the output folder's CMakeLists.txt adds, as add_subdirectory lines.
std::vector<std::string> CMakeListedProjects(const std::string& text) {
    std::vector<std::string> lines;
    for (const std::string& line : LinesBetween(text, "# Velmora: projects", "# Velmora: end of projects")) {
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

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
        UseConfiguration("rich.kiv");
    }

    // A configuration of tests/data/templates in place of the rich one; the tree
    // goes to the same folder.
    void UseConfiguration(const char* file) {
        stdfs::copy_file(kSource / "tests" / "data" / "templates" / file, dir.file("default.kiv"),
                         stdfs::copy_options::overwrite_existing);
        CIniFile store;
        config = PartitionConfig();
        EXPECT_TRUE(LoadPositionedConfiguration(store, config));
        const std::wstring sep(1, fs::Separator());
        config.templatePath = L"BSP" + sep + L"SampleCode" + sep + L"Rich";
        config.bspPath = L"BSP";
        rows.clear();
        for (const ProjectEntry& entry : config.projects.rows) rows.push_back(RowOf(entry));
    }

    // Changes one row of the configuration and of rows alike.
    void Change(const std::string& name, void (*edit)(ProjectEntry&)) {
        for (ProjectEntry& entry : config.projects.rows) {
            if (WideToUtf8(entry.name) == name) edit(entry);
        }
        rows.clear();
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

    GenerationResult GenerateWith(GenerationOutcome expected) {
        TemplateGenerator generator(config, ui);
        ::testing::internal::CaptureStdout();
        const GenerationResult result = generator.CreateTemplate();
        ::testing::internal::GetCapturedStdout();
        std::string reports;
        for (const std::wstring& line : result.failedOperations) reports += WideToUtf8(line) + "\n";
        for (const std::wstring& line : result.warnings) reports += WideToUtf8(line) + "\n";
        EXPECT_EQ(result.outcome, expected) << WideToUtf8(result.scriptTraceback) << reports;
        return result;
    }
    void Generate() { GenerateWith(GenerationOutcome::Completed); }

    // The images the boot of row reaches after it, by the rows' names: the chain
    // stops at an image already in it and after a non-secure image whose next boot
    // is secure.
    std::vector<const Row*> Chain(const Row& row) const {
        std::vector<const Row*> chain;
        const Row* current = &row;
        while (const Row* next = Find(current->nextBoot)) {
            if (next == &row || std::find(chain.begin(), chain.end(), next) != chain.end()) break;
            if (!current->secure && next->secure) break;
            chain.push_back(next);
            current = next;
        }
        return chain;
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
        EXPECT_TRUE(stdfs::exists(Project(row) / "GCC" / "CMakeLists.txt"));
        EXPECT_FALSE(stdfs::exists(Project(row) / "GCC" / "CMakeLists.txt.in"));
    }
}

// The GNU linker script and the CMake project of each row, against the row: the
// same regions as the Keil and IAR files, the owned XOM regions, the BSP, and for
// a non-secure image the secure images whose import libraries it links.
TEST_F(TemplateTree, GccProjectsCarryTheirRows) {
    Generate();
    const std::uint32_t secureSramEnd = 0x20000000u + (config.sramNsba - 0x30000000u);
    std::string libraries;
    for (const Row& row : rows) {
        if (row.secure && row.nscSize != 0) libraries += (libraries.empty() ? "" : " ") + row.name;
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const stdfs::path gcc = Project(row) / "GCC";
        const std::string script = ReadBytes(gcc / (row.secure ? "secure.ld" : "nonsecure.ld"));
        const auto ld = LdSymbols(script);
        const std::string prefix = row.secure ? "S_" : "NS_";
        EXPECT_EQ(ld.at(prefix + "ROM_BASE"), row.ro);
        EXPECT_EQ(ld.at(prefix + "ROM_SIZE"), row.roSize);
        EXPECT_EQ(ld.at(prefix + "RAM_BASE"), row.rw);
        EXPECT_EQ(ld.at(prefix + "RAM_SIZE"), (row.secure ? secureSramEnd : 0x30018000u) - row.rw);
        if (row.secure) {
            EXPECT_EQ(std::make_pair(ld.at("S_NSC_BASE"), ld.at("S_NSC_SIZE")), std::make_pair(row.nsc, row.nscSize));
        }
        std::vector<std::string> memory, sections;
        std::string owned;
        for (int k = 0; k < 4; ++k) {
            if (!((row.xomMask >> k) & 1u)) continue;
            const std::string n = std::to_string(k);
            memory.push_back("XOM" + n + " (x) : ORIGIN = " + Hex8(XomBase(k)) + ", LENGTH = " + Hex8(XomSize(k)));
            sections.push_back(".xom" + n + " : { *xom" + n + "_func.c.o*(.text .text.*) } > XOM" + n);
            owned += (owned.empty() ? "" : " ") + n;
        }
        EXPECT_EQ(LinesBetween(script, "/* Execute-only memory owned by this image. */", "/* End of execute-only memory. */"), memory);
        EXPECT_EQ(LinesBetween(script, "/* Execute-only code of this image. */", "/* End of execute-only code. */"), sections);

        const auto sets = CMakeSets(ReadBytes(gcc / "CMakeLists.txt"));
        EXPECT_EQ(sets.at("TZ_NAME"), row.name);
        EXPECT_EQ(sets.at("TZ_XOM_REGIONS"), owned.empty() ? "\"\"" : owned);
        const std::string bsp = sets.at("TZ_BSP");
        ASSERT_GE(bsp.size(), 2u);
        EXPECT_TRUE(stdfs::is_directory(Resolve(gcc, bsp.substr(1, bsp.size() - 2)) / "Library" / "Device" / "Quorvex"))
            << bsp;
        if (row.secure) {
            EXPECT_EQ(HexNumber(sets.at("TZ_VENEER_BASE")), row.nsc);
            EXPECT_EQ(sets.count("TZ_SECURE_LIBRARIES"), 0u);
        } else {
            EXPECT_EQ(sets.at("TZ_SECURE_LIBRARIES"), libraries);
        }
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
        // Every image the boot reaches, in boot order, then this one, then the reset.
        std::vector<std::string> expected;
        for (const Row* next : Chain(row)) {
            expected.push_back("LOAD \"..\\..\\" + next->name + "\\KEIL\\Objects\\" + next->name + ".axf\" incremental");
        }
        expected.push_back("LOAD \".\\Objects\\" + row.name + ".axf\" incremental");
        expected.push_back("RESET");
        EXPECT_GE(expected.size(), 3u) << "the rich configuration boots a chain";
        std::vector<std::string> commands;
        std::istringstream lines(ReadBytes(keil / "Debug.ini"));
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("LOAD", 0) == 0 || line.rfind("RESET", 0) == 0) commands.push_back(line);
        }
        EXPECT_EQ(commands, expected);
        // The GDB session of the GCC build: the same images, this one last.
        std::vector<std::string> gdb{"file build/default/" + row.name + "/" + row.name + ".elf"};
        for (const Row* next : Chain(row)) {
            gdb.push_back("load build/default/" + next->name + "/" + next->name + ".elf");
            gdb.push_back("add-symbol-file build/default/" + next->name + "/" + next->name + ".elf");
        }
        gdb.push_back("load");
        EXPECT_EQ(LinesBetween(ReadBytes(Project(row) / "GCC" / "debug.gdb"), "# Images of the session.", "# End of images."),
                  gdb);
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
        EXPECT_EQ(IarOptionText(p, "IExtraOptionsCheck"), "1");
        EXPECT_EQ(IarOption(p, "IExtraOptions"), std::vector<std::string>{"--cmse"});
        EXPECT_EQ(IarOptionText(p, "IlinkOutputFile"), row.name + ".out");
        EXPECT_EQ(IarOptionText(p, "IlinkIcfOverride"), "1");
        EXPECT_EQ(IarOptionText(p, "IlinkIcfFile"), "$PROJ_DIR$\\secure.icf");
        EXPECT_EQ(IarOptionText(p, "IlinkUseExtraOptions"), "1");
        // No earlier build left an import library to read back.
        EXPECT_EQ(IarOption(p, "IlinkExtraOptions"),
                  std::vector<std::string>{"--import_cmse_lib_out $PROJ_DIR$\\..\\nsclib\\" + row.name + "_CMSE_Lib_IAR.o"});
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

        // The images the boot reaches are downloaded with it, three at most.
        const XmlDocument debug = ParseFile(iar / (row.name + ".ewd"));
        const std::vector<const Row*> chain = Chain(row);
        ASSERT_FALSE(chain.empty());
        for (std::size_t n = 1; n <= 3; ++n) {
            const std::string slot = std::to_string(n);
            const Row* next = n <= chain.size() ? chain[n - 1] : nullptr;
            EXPECT_EQ(IarOptionText(debug.root, "OCImagesUse" + slot), next ? "1" : "0") << n;
            if (!next) continue;
            const stdfs::path image = Resolve(iar, IarOptionText(debug.root, "OCImagesPath" + slot));
            const stdfs::path expected = next->secure ? Project(*next) / "nsclib" / (next->name + ".out")
                                                      : Project(*next) / "IAR" / "Debug" / "Exe" / (next->name + ".out");
            EXPECT_EQ(image, expected.lexically_normal()) << n;
        }
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
        // The hand-overs and their checks (the compile check reads them in the
        // disassembly): the failure hooks, TT on the image, the caller's privilege.
        EXPECT_TRUE(Contains(main, "__WEAK void Boot_NextImageRejected(uint32_t vectorTable)\n{"));
        EXPECT_TRUE(Contains(main, "__WEAK void Partition_FlashBoundaryMismatch(uint32_t configured, uint32_t reported)\n{"));
        EXPECT_TRUE(Contains(main, "cmse_TT((void *)address)"));
        EXPECT_TRUE(Contains(main, "SCB_NS->VTOR = vectorTable;"));
        EXPECT_TRUE(Contains(main, "__TZ_set_MSP_NS(stackTop);"));
        EXPECT_TRUE(Contains(main, "SealSecureStack();"));
        EXPECT_TRUE(Contains(main, "cmse_nsfptr_create("));
        EXPECT_TRUE(Contains(main, "flags |= CMSE_MPU_UNPRIV;"));
        EXPECT_TRUE(Contains(main, "CallerReadFlags()"));
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
        EXPECT_EQ(IarOption(ewp.root, "IExtraOptions"), std::vector<std::string>{""});
        EXPECT_EQ(IarOption(ewp.root, "IlinkExtraOptions"), std::vector<std::string>{""});
        EXPECT_EQ(IarOptionText(ewp.root, "IlinkOutputFile"), row.name + ".out");
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

struct HeaderRegion {
    std::uint32_t start = 0, end = 0;
    bool nsc = false;
};

// The enabled SAU regions of a partition header, in slot order; every slot that
// is off must hold the neutral values.
std::vector<HeaderRegion> HeaderRegions(const std::map<std::string, std::string>& defines) {
    std::vector<HeaderRegion> regions;
    for (int n = 0; n < 8; ++n) {
        const std::string k = std::to_string(n);
        if (defines.at("SAU_INIT_REGION" + k) != "1") {
            EXPECT_EQ(defines.at("SAU_INIT_START" + k), "0x00000000") << n;
            EXPECT_EQ(defines.at("SAU_INIT_NSC" + k), "0") << n;
            continue;
        }
        regions.push_back({HexNumber(defines.at("SAU_INIT_START" + k)), HexNumber(defines.at("SAU_INIT_END" + k)),
                           defines.at("SAU_INIT_NSC" + k) == "1"});
    }
    return regions;
}

// Bytes of [start, end] that lie in the NSC areas of the secure rows (the areas
// of a test configuration do not overlap).
std::uint64_t BytesInAreas(const std::vector<Row>& rows, std::uint64_t start, std::uint64_t end) {
    std::uint64_t bytes = 0;
    for (const Row& row : rows) {
        if (!row.secure || row.nscSize == 0) continue;
        const std::uint64_t from = std::max<std::uint64_t>(start, row.nsc);
        const std::uint64_t to = std::min<std::uint64_t>(end + 1, std::uint64_t{row.nsc} + row.nscSize);
        if (from < to) bytes += to - from;
    }
    return bytes;
}

// The NSC regions cover exactly the NSC areas in 32-byte granules: each region
// starts and ends on a granule and holds nothing but area bytes, and every whole
// granule of an area lies in exactly one region.
void ExpectNscRegionsCoverTheAreas(const std::vector<HeaderRegion>& regions, const std::vector<Row>& rows) {
    for (const HeaderRegion& r : regions) {
        if (!r.nsc) continue;
        EXPECT_EQ(r.start % 32, 0u) << Hex8(r.start);
        EXPECT_EQ((r.end + 1) % 32, 0u) << Hex8(r.end);
        EXPECT_EQ(BytesInAreas(rows, r.start, r.end), std::uint64_t{r.end} - r.start + 1)
            << "NSC region " << Hex8(r.start) << ".." << Hex8(r.end) << " holds bytes of no NSC area";
    }
    for (const Row& row : rows) {
        if (!row.secure || row.nscSize == 0) continue;
        const std::uint32_t first = (row.nsc + 31) / 32 * 32, last = (row.nsc + row.nscSize) / 32 * 32;
        for (std::uint32_t g = first; g < last; g += 32) {
            const auto covering = std::count_if(regions.begin(), regions.end(), [&](const HeaderRegion& r) {
                return r.nsc && r.start <= g && g + 31 <= r.end;
            });
            ASSERT_EQ(covering, 1) << row.name << " granule " << Hex8(g);
        }
    }
}

// The non-secure regions follow the NSC ones: flash and SRAM from the boundaries,
// then the peripheral aliases.
void ExpectNonSecureRegions(const std::vector<HeaderRegion>& regions, const PartitionConfig& config) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> got;
    bool nscDone = false;
    for (const HeaderRegion& r : regions) {
        if (r.nsc) {
            EXPECT_FALSE(nscDone) << "NSC regions come first";
            continue;
        }
        nscDone = true;
        got.emplace_back(r.start, r.end);
    }
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
        {config.nsba, 0x1007FFFFu}, {config.sramNsba, 0x30017FFFu}, {0x50000000u, 0x5FFFFFFFu}};
    EXPECT_EQ(got, expected);
}

TEST_F(TemplateTree, PartitionHeaderHoldsTheSplitAndTheSecurityWords) {
    Generate();
    const auto defines = Defines(ReadBytes(Out() / "partition_V6048.h"));
    EXPECT_EQ(defines.at("SAU_REGIONS_OVERFLOW"), "0");
    const std::vector<HeaderRegion> regions = HeaderRegions(defines);
    ExpectNscRegionsCoverTheAreas(regions, rows);
    ExpectNonSecureRegions(regions, config);
    // SRAM blocks of 8 KB from the boundary up; the flash boundary as an offset.
    const std::uint32_t firstNsBlock = (config.sramNsba - 0x30000000u) / 0x2000u;
    EXPECT_EQ(defines.at("SCU_INIT_SRAMNSSET_VAL"), Hex8(0xFFFu & ~((1u << firstNsBlock) - 1u)));
    EXPECT_EQ(defines.at("SCU_INIT_FNSADDR_VAL"), Hex8(config.nsba - 0x10000000u));
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
    std::vector<std::string> cmake;
    for (const std::string& name : order) cmake.push_back("add_subdirectory(" + name + "/GCC " + name + ")");
    EXPECT_EQ(CMakeListedProjects(ReadBytes(Out() / "CMakeLists.txt")), cmake);
    for (const char* file : {"CMakePresets.json", "arm-none-eabi-gcc.cmake"}) {
        EXPECT_EQ(ReadBytes(Out() / file), ReadBytes(kSource / "workspace" / "ZQD" / file)) << file;
    }
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
    // The developer's own sources, folders, definitions and options for the GCC build,
    // and a line of their own in the tree's CMake list.
    const std::string gccEdits =
        "target_sources(${TZ_IMAGE} PRIVATE ../user/driver.c)\n"
        "target_include_directories(${TZ_IMAGE} PRIVATE ../user/inc)\n"
        "target_compile_definitions(${TZ_IMAGE} PRIVATE USE_UART=1)\n"
        "target_compile_options(${TZ_IMAGE} PRIVATE -Wshadow)\n";
    const stdfs::path gccList = Project(app) / "GCC" / "CMakeLists.txt";
    std::ofstream(gccList, std::ios::app | std::ios::binary) << gccEdits;
    ReplaceInFile(Out() / "CMakeLists.txt", "# Velmora: projects", "add_subdirectory(user_lib)\n# Velmora: projects");
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
    EXPECT_EQ(LdSymbols(ReadBytes(Project(app) / "GCC" / "secure.ld")).at("S_ROM_SIZE"), 0x8000u);
    const std::string gcc = ReadBytes(gccList);
    EXPECT_EQ(gcc.substr(gcc.size() - gccEdits.size()), gccEdits);
    EXPECT_EQ(CMakeSets(gcc).at("TZ_NAME"), "SecApp");
    EXPECT_FALSE(stdfs::exists(Project(app) / "GCC" / "CMakeLists.txt.in"));
    const std::string top = ReadBytes(Out() / "CMakeLists.txt");
    EXPECT_TRUE(Contains(top, "add_subdirectory(user_lib)\n# Velmora: projects\n")) << top;
    EXPECT_EQ(CMakeListedProjects(top).size(), rows.size());

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
    EXPECT_EQ(LinesBetween(ReadBytes(Project(app) / "GCC" / "debug.gdb"), "# Images of the session.", "# End of images."),
              (std::vector<std::string>{"file build/default/SecApp/SecApp.elf", "load"}));
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
    const std::vector<std::string> cmake = CMakeListedProjects(ReadBytes(Out() / "CMakeLists.txt"));
    ASSERT_EQ(cmake.size(), rows.size());
    EXPECT_EQ(cmake[secure.size() - 1], "add_subdirectory(SecLate/GCC SecLate)");
    for (std::size_t i = secure.size(); i < cmake.size(); ++i) {
        const std::string name = cmake[i].substr(17, cmake[i].find('/') - 17);
        ASSERT_NE(Find(name), nullptr) << cmake[i];
        EXPECT_FALSE(Find(name)->secure) << cmake[i];
    }
}

// The veneer region each secure image links to: the scatter file's, the icf's and
// the GNU linker script's.
std::vector<std::pair<std::uint32_t, std::uint32_t>> VeneerRegions(const stdfs::path& project) {
    const auto defines = Defines(ReadBytes(project / "KEIL" / "secure.sct"));
    const auto symbols = IcfSymbols(ReadBytes(project / "IAR" / "secure.icf"));
    const auto ld = LdSymbols(ReadBytes(project / "GCC" / "secure.ld"));
    return {{HexNumber(defines.at("S_NSC_BASE")), HexNumber(defines.at("S_NSC_SIZE"))},
            {symbols.at("__NSC_start"), symbols.at("__NSC_end") - symbols.at("__NSC_start") + 1},
            {ld.at("S_NSC_BASE"), ld.at("S_NSC_SIZE")}};
}

// The warning a secure image gets when IAR's three extra images cannot hold its
// boot chain, naming the images it leaves out.
std::string IarChainWarning(const Row& row, const std::vector<const Row*>& chain) {
    std::string rest;
    for (std::size_t n = 3; n < chain.size(); ++n) rest += (rest.empty() ? "" : ", ") + chain[n]->name;
    return row.name + ": the IAR debug session downloads three further images of the boot chain; load " + rest +
           " yourself (C-SPY macro __loadImage)";
}

TEST_F(TemplateTree, FiveSeparateNscAreasGetARegionEach) {
    UseConfiguration("five_nsc.kiv");
    const GenerationResult result = GenerateWith(GenerationOutcome::CompletedWithWarnings);
    const auto defines = Defines(ReadBytes(Out() / "partition_V6048.h"));
    EXPECT_EQ(defines.at("SAU_REGIONS_OVERFLOW"), "0");
    const std::vector<HeaderRegion> regions = HeaderRegions(defines);
    ASSERT_EQ(regions.size(), 8u) << "five NSC areas, flash, SRAM and peripherals fill the SAU";
    std::size_t areas = 0;
    for (const Row& row : rows) {
        if (!row.secure) continue;
        ++areas;
        // Aligned areas apart from each other: one region each, exactly the area.
        EXPECT_EQ(std::count_if(regions.begin(), regions.end(), [&](const HeaderRegion& r) {
                      return r.nsc && r.start == row.nsc && r.end == row.nsc + row.nscSize - 1;
                  }), 1) << row.name;
        for (const auto& veneers : VeneerRegions(Project(row))) {
            EXPECT_EQ(veneers, std::make_pair(row.nsc, row.nscSize)) << row.name;
        }
    }
    EXPECT_EQ(areas, 5u);
    ExpectNscRegionsCoverTheAreas(regions, rows);
    ExpectNonSecureRegions(regions, config);

    // Keil loads the whole chain; IAR's three extra images leave the rest to the user.
    std::vector<std::wstring> expected;
    for (const Row& row : rows) {
        const std::vector<const Row*> chain = Chain(row);
        if (row.secure && chain.size() > 3) expected.push_back(Utf8ToWide(IarChainWarning(row, chain)));
    }
    EXPECT_EQ(result.warnings, expected);
    const Row& first = rows.front();
    const std::string ini = ReadBytes(Project(first) / "KEIL" / "Debug.ini");
    for (const Row* next : Chain(first)) EXPECT_TRUE(Contains(ini, "\\" + next->name + ".axf\" incremental")) << next->name;
}

TEST_F(TemplateTree, NineSeparateNscAreasFailCleanly) {
    UseConfiguration("nine_nsc.kiv");
    const GenerationResult result = GenerateWith(GenerationOutcome::CompletedWithErrors);
    std::string names;
    for (const Row& row : rows) names += (names.empty() ? "" : ", ") + row.name;
    ASSERT_EQ(result.failedOperations.size(), 1u);
    EXPECT_TRUE(Contains(WideToUtf8(result.failedOperations[0]), "projects " + names + " need 12 SAU regions"))
        << WideToUtf8(result.failedOperations[0]);
    // No region at all, and the build stops (the compile check sees the #error).
    const std::string header = ReadBytes(Out() / "partition_V6048.h");
    const auto defines = Defines(header);
    EXPECT_EQ(defines.at("SAU_REGIONS_OVERFLOW"), "1");
    EXPECT_TRUE(HeaderRegions(defines).empty());
    EXPECT_TRUE(Contains(header, "#if SAU_REGIONS_OVERFLOW\n  #error \"The NSC areas"));
}

TEST_F(TemplateTree, UnalignedNscAreaKeepsItsVeneersInTheCallableGranules) {
    Change("SecApp", [](ProjectEntry& e) { e.nscBase = L"0x3f004"; });
    const GenerationResult result = GenerateWith(GenerationOutcome::CompletedWithWarnings);
    const Row& app = *Find("SecApp");
    const std::uint32_t base = (app.nsc + 31) / 32 * 32, end = (app.nsc + app.nscSize) / 32 * 32;
    for (const auto& veneers : VeneerRegions(Project(app))) EXPECT_EQ(veneers, std::make_pair(base, end - base));
    const std::vector<HeaderRegion> regions = HeaderRegions(Defines(ReadBytes(Out() / "partition_V6048.h")));
    ExpectNscRegionsCoverTheAreas(regions, rows);
    EXPECT_EQ(result.warnings, std::vector<std::wstring>{Utf8ToWide(
        "SecApp: the NSC area " + Hex8(app.nsc) + " (" + Hex8(app.nscSize) + " bytes) is not 32-byte aligned; " +
        "the veneers go to " + Hex8(base) + " (" + Hex8(end - base) +
        " bytes), the part the SAU can mark non-secure callable")});
}

// Stack, heap and (secure) seal the template's scatter file reserves.
std::uint32_t TemplateReservation(bool secure) {
    const auto defines = Defines(ReadBytes(kSource / "workspace" / "ZQD" / (secure ? "Secure" : "Nonsecure") / "KEIL" /
                                           (secure ? "secure.sct" : "nonsecure.sct")));
    return HexNumber(defines.at("STACK_SIZE")) + HexNumber(defines.at("HEAP_SIZE")) + (secure ? 8u : 0u);
}

TEST_F(TemplateTree, ConfigurationsAScriptCannotServeWellEndWithTheirWarning) {
    struct Case {
        const char* what;
        const char* project;
        void (*edit)(ProjectEntry&);
        std::string warning;  // with the row's values filled in below
    };
    const std::uint32_t secureEnd = 0x20000000u + (config.sramNsba - 0x30000000u);
    const Case cases[] = {
        {"secure data region below stack and heap", "SecApp",
         [](ProjectEntry& e) { e.rwBase = L"0x20007800"; },
         "SecApp: the data region at 0x20007800 holds " + Hex8(secureEnd - 0x20007800u) + " bytes, less than the " +
             Hex8(TemplateReservation(true)) + " bytes the linker files reserve for stack and heap"},
        {"non-secure data region below stack and heap", "NsAux",
         [](ProjectEntry& e) { e.rwBase = L"0x30017800"; },
         "NsAux: the data region at 0x30017800 holds 0x00000800 bytes, less than the " +
             Hex8(TemplateReservation(false)) + " bytes the linker files reserve for stack and heap"},
        {"non-secure image whose next boot is secure", "NsAux",
         [](ProjectEntry& e) { e.nextBoot = L"SecBoot"; },
         "NsAux: a non-secure image cannot start the secure image at 0x00000000; it boots nothing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UseConfiguration("rich.kiv");
        Change(c.project, c.edit);
        if (stdfs::exists(Out())) ui.queueAnswer(MessageAnswer::Yes);
        const GenerationResult result = GenerateWith(GenerationOutcome::CompletedWithWarnings);
        EXPECT_EQ(result.warnings, std::vector<std::wstring>{Utf8ToWide(c.warning)});
        ASSERT_FALSE(ui.messages.empty());
        EXPECT_EQ(ui.messages.back().text, L"Trust Zone Template created with warnings:\n\n" + Utf8ToWide(c.warning));
    }
}

// The GNU linker script's stack and heap count for the warning too: a template whose
// script alone reserves more than a data region holds gets the warning with its size.
TEST_F(TemplateTree, GnuLinkerScriptReservationCountsForTheDataRoomWarning) {
    const stdfs::path script = dir.path() / "ZQD" / "Secure" / "GCC" / "secure.ld";
    ReplaceInFile(script, "STACK_SIZE = 0x00000800;", "STACK_SIZE = 0x00004000;");
    const auto ld = LdSymbols(ReadBytes(script));
    const std::uint32_t reserved = ld.at("STACK_SIZE") + ld.at("HEAP_SIZE") + 8u;
    const std::uint32_t secureEnd = 0x20000000u + (config.sramNsba - 0x30000000u);
    std::vector<std::wstring> expected;
    for (const Row& row : rows) {
        if (row.secure && secureEnd - row.rw < reserved) {
            expected.push_back(Utf8ToWide(row.name + ": the data region at " + Hex8(row.rw) + " holds " +
                                          Hex8(secureEnd - row.rw) + " bytes, less than the " + Hex8(reserved) +
                                          " bytes the linker files reserve for stack and heap"));
        }
    }
    ASSERT_FALSE(expected.empty()) << "the rich configuration must have a secure data region below the reservation";
    EXPECT_EQ(GenerateWith(GenerationOutcome::CompletedWithWarnings).warnings, expected);
}

// A BSP provides a flash algorithm (Keil) and a flash loader (IAR) as files at fixed
// places; only then do the projects download before debugging.
TEST_F(TemplateTree, DownloadsOnlyWithTheFlashToolsOfTheBsp) {
    const stdfs::path flash = dir.path() / "BSP" / "Library" / "Device" / "Quorvex" / "V6048" / "Flash";
    for (const bool provided : {false, true}) {
        SCOPED_TRACE(provided ? "BSP with flash tools" : "BSP without flash tools");
        if (provided) {
            stdfs::create_directories(flash);
            std::ofstream(flash / "V6048_APROM.FLM") << "algorithm";
            std::ofstream(flash / "V6048_APROM.board") << "<flash_board/>";
            ui.queueAnswer(MessageAnswer::Yes);
        }
        Generate();
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            const stdfs::path keil = Project(row) / "KEIL", iar = Project(row) / "IAR";
            const XmlDocument doc = ParseFile(keil / (row.name + ".uvprojx"));
            const XmlElement& t = *doc.root.child("Targets")->child("Target");
            EXPECT_EQ(t.textAt("TargetOption/Utilities/Flash1/UpdateFlashBeforeDebugging"), provided ? "1" : "0");
            const XmlDocument options = ParseFile(keil / (row.name + ".uvoptx"));
            const std::string adapter = options.root.textAt("Target/TargetOption/TargetDriverDllRegistry/SetRegEntry/Name");
            const std::size_t at = adapter.find("-FP0(");
            EXPECT_EQ(at != std::string::npos, provided) << adapter;
            if (at != std::string::npos) {
                const std::string algorithm = adapter.substr(at + 5, adapter.find(')', at) - at - 5);
                EXPECT_EQ(Resolve(keil, algorithm), (flash / "V6048_APROM.FLM").lexically_normal());
                EXPECT_TRUE(Contains(adapter, row.secure ? " -FS00 -FL080000" : " -FS010000000 -FL080000")) << adapter;
            }
            const XmlDocument debug = ParseFile(iar / (row.name + ".ewd"));
            EXPECT_EQ(IarOptionText(debug.root, "UseFlashLoader"), provided ? "1" : "0");
            EXPECT_EQ(IarOptionText(debug.root, "OCDownloadSuppressDownload"), provided ? "0" : "1");
            EXPECT_EQ(IarOptionText(debug.root, "OCImagesSuppressCheck1"), provided ? "0" : "1");
            const std::string loader = IarOptionText(debug.root, "FlashLoadersV3");
            if (provided) {
                EXPECT_EQ(Resolve(iar, loader), (flash / "V6048_APROM.board").lexically_normal());
            } else {
                EXPECT_EQ(loader, "");
            }
        }
    }
}

// Veneer addresses stay put across secure rebuilds: once a build left an import
// library, the linkers read it back in; when it is gone again, so is the option.
TEST_F(TemplateTree, ImportLibraryOfAnEarlierBuildIsReadBack) {
    Generate();
    const Row& app = *Find("SecApp");
    const stdfs::path nsclib = Project(app) / "nsclib";
    const std::string keilIn = "--import_cmse_lib_in=..\\nsclib\\SecApp_CMSE_Lib.o";
    const std::string iarIn = "--import_cmse_lib_in $PROJ_DIR$\\..\\nsclib\\SecApp_CMSE_Lib_IAR.o";
    for (const bool built : {true, false}) {
        SCOPED_TRACE(built ? "after a build" : "library removed");
        for (const char* lib : {"SecApp_CMSE_Lib.o", "SecApp_CMSE_Lib_IAR.o"}) {
            if (built) {
                std::ofstream(nsclib / lib) << "import library";
            } else {
                stdfs::remove(nsclib / lib);
            }
        }
        ui.queueAnswer(MessageAnswer::Yes);
        Generate();
        for (const Row& row : rows) {
            if (!row.secure) continue;
            const bool readBack = built && row.name == "SecApp";
            const XmlDocument doc = ParseFile(Project(row) / "KEIL" / (row.name + ".uvprojx"));
            const std::vector<std::string> misc =
                Split(doc.root.child("Targets")->child("Target")->textAt("TargetOption/TargetArmAds/LDads/Misc"), ' ');
            std::vector<std::string> expected = {"--import_cmse_lib_out=..\\nsclib\\" + row.name + "_CMSE_Lib.o"};
            if (readBack) expected.push_back(keilIn);
            EXPECT_EQ(misc, expected) << row.name;
            const XmlDocument ewp = ParseFile(Project(row) / "IAR" / (row.name + ".ewp"));
            std::vector<std::string> iar = {"--import_cmse_lib_out $PROJ_DIR$\\..\\nsclib\\" + row.name + "_CMSE_Lib_IAR.o"};
            if (readBack) iar.push_back(iarIn);
            EXPECT_EQ(IarOption(ewp.root, "IlinkExtraOptions"), iar) << row.name;
        }
    }
}

// One version of the IAR project format: every settings block of the templates
// (and of the per-file settings the scripts write) as the EWARM 8.11.2 project of
// the Cortex-M23 fixture has it, and the debugger files saved by the same version.
TEST_F(TemplateTree, IarTemplatesFollowOneVersionOfTheFormat) {
    const stdfs::path fixture = kShared / "fixtures" / "ewp" / "cmsis5_corevalidation_cortex-m23s_iar_secure_ewarm8.11.ewp";
    if (!stdfs::exists(fixture)) GTEST_SKIP() << "no IAR fixture at " << fixture;
    // Per settings block: its archive and data versions, then each option with its version.
    const auto shape = [](const XmlElement& project) {
        std::vector<std::string> lines;
        for (const XmlElement* settings : project.child("configuration")->all("settings")) {
            const XmlElement* data = settings->child("data");
            lines.push_back(settings->textAt("name") + " " + settings->textAt("archiveVersion") + " " +
                            (data ? data->textAt("version") : std::string("-")));
            if (!data) continue;
            for (const XmlElement* option : data->all("option")) {
                lines.push_back("  " + option->textAt("name") + " " + option->textAt("version"));
            }
        }
        return lines;
    };
    const XmlDocument reference = ParseFile(fixture);
    const std::string version = IarOptionText(reference.root, "OGLastSavedByProductVersion");
    Generate();
    for (const char* tree : {"Secure", "Nonsecure"}) {
        SCOPED_TRACE(tree);
        const stdfs::path iar = kSource / "workspace" / "ZQD" / tree / "IAR";
        const XmlDocument ewp = ParseFile(iar / (std::string(tree) + ".ewp"));
        EXPECT_EQ(shape(ewp.root), shape(reference.root));
        EXPECT_EQ(IarOptionText(ewp.root, "OGProductVersion"), version);
        EXPECT_EQ(IarOptionText(ewp.root, "OGLastSavedByProductVersion"), version);
        const XmlDocument ewd = ParseFile(iar / (std::string(tree) + ".ewd"));
        EXPECT_EQ(IarOptionText(ewd.root, "OCProductVersion"), version);
        EXPECT_EQ(IarOptionText(ewd.root, "OCLastSavedByProductVersion"), version);
    }
    // The execute-only files' own compiler settings carry the compiler block's version.
    const Row& boot = *Find("SecBoot");
    const XmlDocument generated = ParseFile(Project(boot) / "IAR" / "SecBoot.ewp");
    std::string compilerVersion;
    for (const XmlElement* settings : generated.root.child("configuration")->all("settings")) {
        if (settings->textAt("name") == "ICCARM") compilerVersion = settings->textAt("data/version");
    }
    int files = 0;
    for (const XmlElement* group : generated.root.all("group")) {
        for (const XmlElement* file : group->all("file")) {
            const XmlElement* settings = file->at("configuration/settings");
            if (!settings) continue;
            EXPECT_EQ(settings->textAt("data/version"), compilerVersion) << file->textAt("name");
            ++files;
        }
    }
    EXPECT_GE(files, 1);
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
