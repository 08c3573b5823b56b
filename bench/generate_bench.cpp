// velmora-bench [--profile N [--projects P]] [WORKING_FOLDER]
//
// Times "Create Template" with the scripts of WORKING_FOLDER (default: ./workspace,
// the bundled one) for 10 and for 40 projects, half secure and half non-secure, the
// four XOM regions owned, against `cp -r` of the tree each run produced: both in
// one run, in alternating order, best of several. It also times the import of a
// 5 MB Keil project (a generated one with a large source tree added) and the
// validation the dialog's status line runs after every edit.
//
// The disk's speed varies from minute to minute: run it in a tmpfs folder, and send
// the copy traces away:
//
//     TMPDIR=/dev/shm velmora-bench workspace >/dev/null
//
// The results go to standard error. With --profile N it only generates the ten
// projects (or P, an even count up to 40) N times, for a profiler.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "generate/ImportKeilProject.h"
#include "generate/TemplateGenerator.h"
#include "model/PartitionConfig.h"
#include "model/PeripheralTable.h"
#include "platform/TextCodec.h"
#include "validate/ValidateConfiguration.h"

namespace {

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 7;
constexpr int kImportRounds = 5;
constexpr std::size_t kLargeProjectBytes = 5u << 20;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Best(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

// --- Working folder ----------------------------------------------------------------

bool CopyWorkingFolder(const stdfs::path& source, const stdfs::path& root) {
    for (const char* needed : {"ZQD", "tes.lua", "tens.lua", "ldp.lua"}) {
        if (!stdfs::exists(source / needed)) {
            std::fprintf(stderr, "%s has no %s\n", source.string().c_str(), needed);
            return false;
        }
    }
    stdfs::copy(source / "ZQD", root / "ZQD", stdfs::copy_options::recursive);
    for (const char* script : {"tes.lua", "tens.lua", "ldp.lua"})
        stdfs::copy_file(source / script, root / script);
    for (const char* folder : {"Library/Device/Quorvex/V6048", "Library/CMSIS", "Library/StdDriver"})
        stdfs::create_directories(root / "BSP" / folder);
    return true;
}

// --- Configuration -------------------------------------------------------------------

constexpr std::uint32_t kNsba = 0x10040000;
constexpr std::uint32_t kSecureCodeEnd = 0x34000;  // the NSC areas lie above, side by side
constexpr std::uint32_t kSramNsba = 0x30008000;
constexpr std::uint32_t kSramSize = 0x8000;

std::uint32_t Stride(std::uint32_t room, unsigned count, std::uint32_t granule) {
    return room / count / granule * granule;
}

// Passes validation for an even count of projects: each side's code and data spread
// evenly over its flash and SRAM, XOM0/1 owned by the first two secure projects and
// XOM2/3 by the first two non-secure ones, the first secure project booting the
// first non-secure one.
velmora::PartitionConfig BenchConfiguration(const std::wstring& bsp, unsigned projects) {
    velmora::PartitionConfig config;
    config.bspPath = bsp;
    config.nsba = kNsba;
    config.sramNsba = kSramNsba;
    for (velmora::PeripheralEntry& p : config.peripherals)
        p.state = velmora::IsAlwaysSecure(p.name) ? 0 : 1;
    const unsigned perSide = projects / 2;
    const std::uint32_t code = Stride(kSecureCodeEnd, perSide, 0x800);
    const std::uint32_t data = Stride(kSramSize, perSide, 0x400);
    const std::uint32_t codeSize = code - 0x800;
    for (unsigned i = 0; i < perSide; ++i) {
        const unsigned xom = i < 2 ? 1u << i : 0;
        velmora::AddProjectRow(config.projects, L"Secure" + std::to_wstring(i), 0, i * code,
                               codeSize, 0x20000000 + i * data, kSecureCodeEnd + i * 0x800, 0x800,
                               xom, i == 0 ? L"NonSecure0" : L"", L"");
    }
    for (unsigned i = 0; i < perSide; ++i) {
        const unsigned xom = i < 2 ? 4u << i : 0;
        velmora::AddProjectRow(config.projects, L"NonSecure" + std::to_wstring(i), 1,
                               kNsba + i * code, codeSize, kSramNsba + i * data, 0, 0, xom, L"", L"");
    }
    // Each region at the top of its owner's stride, above the owner's code.
    const wchar_t* owners[] = {L"Secure0", L"Secure1", L"NonSecure0", L"NonSecure1"};
    const std::uint32_t bases[] = {code - 0x800, 2 * code - 0x800, kNsba + code - 0x800,
                                   kNsba + 2 * code - 0x800};
    for (int k = 0; k < 4; ++k) velmora::SetXomRow(config.xomRegions, k, bases[k], 0x800, owners[k]);
    return config;
}

// --- Measured runs ------------------------------------------------------------------

class SilentFrontend : public velmora::Frontend {
public:
    velmora::MessageAnswer message(const std::wstring& text, const std::wstring&,
                                   velmora::MessageIcon, velmora::MessageButtons) override {
        messages.push_back(text);
        return velmora::MessageAnswer::Ok;
    }
    std::optional<std::wstring> pickFolder(const std::wstring&, const std::wstring&,
                                           bool) override {
        return std::nullopt;
    }
    std::optional<std::wstring> pickFile(const std::wstring&, const std::wstring&,
                                         const std::wstring&) override {
        return std::nullopt;
    }
    void openFolder(const std::wstring&) override {}
    std::vector<std::wstring> messages;
};

bool Succeeded(velmora::GenerationOutcome outcome) {
    return outcome == velmora::GenerationOutcome::Completed ||
           outcome == velmora::GenerationOutcome::CompletedWithWarnings;
}

// Seconds of one Create Template into the fresh folder out; a negative value when it
// did not succeed (its messages are printed).
double TimeGeneration(velmora::PartitionConfig config, const stdfs::path& out) {
    config.templatePath = out.wstring();
    SilentFrontend frontend;
    velmora::TemplateGenerator generator(config, frontend);
    const Clock::time_point start = Clock::now();
    const velmora::GenerationResult result = generator.CreateTemplate();
    const double seconds = Seconds(start);
    if (Succeeded(result.outcome)) return seconds;
    for (const std::wstring& text : frontend.messages)
        std::fprintf(stderr, "  %s\n", velmora::ToNarrow(text).c_str());
    return -1;
}

double TimeCopy(const stdfs::path& from, const stdfs::path& to) {
    const std::string command = "cp -r '" + from.string() + "' '" + to.string() + "'";
    const Clock::time_point start = Clock::now();
    const int status = std::system(command.c_str());
    const double seconds = Seconds(start);
    return status == 0 ? seconds : -1;
}

struct SizeTiming {
    double generation = 0;
    double copy = 0;
    std::uintmax_t files = 0;
    std::uintmax_t bytes = 0;
    stdfs::path tree;  // the last tree generated
};

void CountTree(const stdfs::path& tree, SizeTiming& timing) {
    for (const stdfs::directory_entry& entry : stdfs::recursive_directory_iterator(tree)) {
        if (!entry.is_regular_file()) continue;
        ++timing.files;
        timing.bytes += entry.file_size();
    }
}

// Generation and the copy of its tree alternate in which goes first, so that
// neither always meets a cold cache.
bool TimeSize(const stdfs::path& root, unsigned projects, SizeTiming& timing) {
    const velmora::PartitionConfig config = BenchConfiguration((root / "BSP").wstring(), projects);
    const std::string tag = std::to_string(projects);
    const stdfs::path warmUp = root / ("warmup" + tag);
    if (TimeGeneration(config, warmUp) < 0) return false;
    std::vector<double> generation, copy;
    for (int round = 0; round < kRounds; ++round) {
        const stdfs::path out = root / ("gen" + tag + "_" + std::to_string(round));
        const stdfs::path copied = root / ("copy" + tag + "_" + std::to_string(round));
        if (round % 2 == 1) copy.push_back(TimeCopy(warmUp, copied));
        generation.push_back(TimeGeneration(config, out));
        if (round % 2 == 0) copy.push_back(TimeCopy(warmUp, copied));
        if (generation.back() < 0 || copy.back() < 0) return false;
        timing.tree = out;
    }
    timing.generation = Best(generation);
    timing.copy = Best(copy);
    CountTree(timing.tree, timing);
    return true;
}

// --- Import --------------------------------------------------------------------------

// The project with a group of source files added in front of its own groups until
// it holds at least kLargeProjectBytes: the shape of a large real project.
std::string LargeProject(const stdfs::path& generated) {
    std::ifstream in(generated, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::string project = text.str();
    const std::size_t groups = project.find("<Groups>");
    if (groups == std::string::npos) return {};
    std::string files;
    for (int i = 0; files.size() + project.size() < kLargeProjectBytes; ++i) {
        const std::string name = "driver_" + std::to_string(i) + ".c";
        files += "            <File>\n              <FileName>" + name +
                 "</FileName>\n              <FileType>1</FileType>\n              <FilePath>"
                 "..\\..\\..\\..\\Library\\StdDriver\\src\\" + name + "</FilePath>\n            </File>\n";
    }
    const std::string group = "\n        <Group>\n          <GroupName>Drivers</GroupName>\n          <Files>\n" +
                              files + "          </Files>\n        </Group>";
    project.insert(groups + 8, group);
    return project;
}

// Best seconds of an import of project into an empty table; negative on failure.
double TimeImport(const stdfs::path& project) {
    std::vector<double> times;
    for (int round = 0; round < kImportRounds; ++round) {
        velmora::PartitionConfig config;
        SilentFrontend frontend;
        const Clock::time_point start = Clock::now();
        const velmora::ImportResult result =
            velmora::ImportKeilProject(config, project.wstring(), frontend);
        times.push_back(Seconds(start));
        if (!result.succeeded || result.rowsAdded != 1) return -1;
    }
    return Best(times);
}

// --- Validation ----------------------------------------------------------------------

constexpr int kValidationRuns = 2000;

// Best single run of the whole pass, in microseconds; -1 when the configuration
// does not pass (then not every stage ran).
double BestValidationMicroseconds(const velmora::PartitionConfig& config,
                                  const velmora::PathQuery& pathExists) {
    double best = -1;
    for (int run = 0; run < kValidationRuns; ++run) {
        const Clock::time_point start = Clock::now();
        const bool passes = !velmora::FindFirstValidationError(config, pathExists);
        const double micro = Seconds(start) * 1e6;
        if (!passes) return -1;
        if (best < 0 || micro < best) best = micro;
    }
    return best;
}

void ReportValidationTiming(const velmora::PartitionConfig& config) {
    const double onDisk = BestValidationMicroseconds(config, velmora::FileSystemPathQuery());
    const double inMemory =
        BestValidationMicroseconds(config, [](const std::wstring&) { return true; });
    if (onDisk < 0 || inMemory < 0) {
        std::fprintf(stderr, "validation: the configuration does not pass\n");
        return;
    }
    std::fprintf(stderr, "validate 10 projects: %.1f us with the BSP folder queries, %.1f us without "
                 "(best of %d)\n", onDisk, inMemory, kValidationRuns);
}

int Run(const stdfs::path& root) {
    ReportValidationTiming(BenchConfiguration((root / "BSP").wstring(), 10));
    SizeTiming ten, forty;
    for (auto [projects, timing] : {std::pair{10u, &ten}, std::pair{40u, &forty}}) {
        if (!TimeSize(root, projects, *timing)) {
            std::fprintf(stderr, "generating %u projects failed\n", projects);
            return 1;
        }
        std::fprintf(stderr,
                     "%2u projects: generate %.1f ms, cp -r %.1f ms, ratio %.2f (%ju files, %ju KB; "
                     "best of %d)\n",
                     projects, timing->generation * 1e3, timing->copy * 1e3,
                     timing->generation / timing->copy, timing->files, timing->bytes / 1024, kRounds);
    }
    std::fprintf(stderr, "40 projects take %.2f times as long as 10\n", forty.generation / ten.generation);

    const std::string large = LargeProject(ten.tree / "NonSecure0" / "KEIL" / "NonSecure0.uvprojx");
    if (large.empty()) {
        std::fprintf(stderr, "no <Groups> in the generated NonSecure0.uvprojx\n");
        return 1;
    }
    const stdfs::path project = ten.tree / "NonSecure0" / "KEIL" / "Large.uvprojx";
    std::ofstream(project, std::ios::binary) << large;
    const double import = TimeImport(project);
    if (import < 0) {
        std::fprintf(stderr, "importing the large project failed\n");
        return 1;
    }
    std::fprintf(stderr, "import of a %zu KB project: %.1f ms (best of %d)\n", large.size() / 1024,
                 import * 1e3, kImportRounds);
    return 0;
}

}  // namespace

// Only the generation of projects (an even count), repeated: something for a
// profiler to watch.
int Profile(const stdfs::path& root, int repeats, unsigned projects) {
    const velmora::PartitionConfig config = BenchConfiguration((root / "BSP").wstring(), projects);
    double best = -1;
    for (int round = 0; round < repeats; ++round) {
        const double seconds = TimeGeneration(config, root / ("profile" + std::to_string(round)));
        if (seconds < 0) return 1;
        if (best < 0 || seconds < best) best = seconds;
    }
    std::fprintf(stderr, "%u projects: best %.1f ms of %d\n", projects, best * 1e3, repeats);
    return 0;
}

int main(int argc, char** argv) {
    velmora::UseUserLocale();
    int repeats = 0;  // --profile N [--projects P]
    unsigned projects = 10;
    if (argc > 2 && std::string(argv[1]) == "--profile") {
        repeats = std::max(1, std::atoi(argv[2]));
        argc -= 2;
        argv += 2;
        if (argc > 2 && std::string(argv[1]) == "--projects") {
            projects = static_cast<unsigned>(std::clamp(std::atoi(argv[2]), 2, 40)) / 2 * 2;
            argc -= 2;
            argv += 2;
        }
    }
    const stdfs::path source = stdfs::absolute(argc > 1 ? argv[1] : "workspace");
    const stdfs::path root =
        stdfs::temp_directory_path() /
        ("velmora-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    stdfs::create_directories(root);
    int status = 1;
    if (CopyWorkingFolder(source, root)) {
        stdfs::current_path(root);
        std::fprintf(stderr, "working folder: %s, runs in %s\n", source.string().c_str(),
                     root.string().c_str());
        status = repeats > 0 ? Profile(root, repeats, projects) : Run(root);
    }
    std::error_code ec;
    stdfs::current_path(root.parent_path(), ec);
    stdfs::remove_all(root, ec);
    return status;
}
