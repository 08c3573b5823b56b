// velmora-cli generate with the bundled scripts over hostile and damaged trees:
// links and pipes in the output folder, template files that are missing, project
// files an earlier run left empty or cut short. None is called a success, nothing
// outside the output folder changes, and a damaged tree is restored whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "CliWorkspace.h"
#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "support/TreeSnapshot.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace velmora {
namespace {

namespace stdfs = std::filesystem;

struct Captured {
    int rc;
    std::string out;  // standard output and error: the completion report, the traces
};

class CliFaults : public CliInWorkspace {
protected:
    Captured generate(bool overwrite) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int rc = overwrite ? run({L"generate", L"--overwrite"}) : run({L"generate"});
        const std::string errors = ::testing::internal::GetCapturedStderr();
        return {rc, ::testing::internal::GetCapturedStdout() + errors};
    }
    stdfs::path out() const { return dir_.path() / templatePath(); }
    // An output path as the runner prints it: the Template Path, then the parts.
    std::string printed(const std::string& relative) const {
        std::string text = templatePath() + "/" + relative;
        std::replace(text.begin(), text.end(), '/', static_cast<char>(fs::Separator()));
        return text;
    }
    void resetOutputTo(const stdfs::path& tree) {
        stdfs::remove_all(out());
        stdfs::copy(tree, out(), stdfs::copy_options::recursive | stdfs::copy_options::copy_symlinks);
    }
};

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

#ifndef _WIN32
// Each trap planted in a complete tree, then generate --overwrite: exit 3 with the
// trap named in a failure line, and nothing outside the output folder changed: no
// file overwritten through a link, no foreign file deleted as a leftover.
TEST_F(CliFaults, LinksAndPipesInTheOutputFolderAreRefused) {
    ASSERT_EQ(generate(false).rc, cli::kExitSuccess);
    const stdfs::path pristine = dir_.file("pristine");
    stdfs::copy(out(), pristine, stdfs::copy_options::recursive);
    const stdfs::path outside = dir_.file("outside");
    dir_.writeFile("outside/victim.h", "precious header");
    dir_.writeFile("outside/victim.sct", "precious scatter file");
    dir_.writeFile("outside/victim.uvmpw", "<ProjectWorkspace>not ours</ProjectWorkspace>");
    dir_.writeFile("outside/IAR/Secure.ewp", "<project>a foreign project</project>");
    dir_.writeFile("outside/IAR/SecureApp.ewp", "<project>another</project>");
    dir_.writeFile("outside/folder/KEIL/NonSecureApp.uvprojx", "<Project>foreign</Project>");
    struct Trap {
        const char* name;
        std::string at;  // relative to the output folder
        std::function<void(const stdfs::path&)> plant;
    };
    const auto linkTo = [](const stdfs::path& target) {
        return [target](const stdfs::path& at) {
            stdfs::remove_all(at);
            stdfs::create_symlink(target, at);
        };
    };
    const std::vector<Trap> traps = {
        {"linked partition header", "partition_V6048.h", linkTo(outside / "victim.h")},
        {"linked scatter file", "SecureApp/KEIL/secure.sct", linkTo(outside / "victim.sct")},
        {"linked IAR folder", "SecureApp/IAR", linkTo(outside / "IAR")},
        {"linked workspace", "TrustZone.uvmpw", linkTo(outside / "victim.uvmpw")},
        {"linked project folder", "NonSecureApp", linkTo(outside / "folder")},
        {"dangling link at a main file", "SecureApp/main_SecureApp.c", linkTo(outside / "new.c")},
        {"pipe at a project file", "NonSecureApp/KEIL/NonSecureApp.uvprojx",
         [](const stdfs::path& at) {
             stdfs::remove(at);
             ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0);
         }},
    };
    const test::TreeSnapshot outsideBefore = test::SnapshotTree(outside);
    for (const Trap& trap : traps) {
        SCOPED_TRACE(trap.name);
        resetOutputTo(pristine);
        trap.plant(out() / trap.at);
        const Captured run = generate(true);
        EXPECT_EQ(run.rc, cli::kExitFileErrors);
        EXPECT_TRUE(Contains(run.out, "Trust Zone Template created with errors:")) << run.out;
        EXPECT_TRUE(Contains(run.out, printed(trap.at) + ": a symbolic link or a special file is in the way"))
            << run.out;
        EXPECT_EQ(test::SnapshotTree(outside), outsideBefore);
    }
}
#endif

// A template file the scripts edit is missing: the copy is missing too, and the
// script's report names it; the command ends "created with errors".
TEST_F(CliFaults, MissingTemplateFilesAreFailuresNamingTheFile) {
    struct Case {
        const char* templateFile;
        std::string reported;  // relative to the output folder
    };
    const std::vector<Case> cases = {
        {"ZQD/Secure/main.c", "SecureApp/main_SecureApp.c"},
        {"ZQD/Secure/KEIL/Secure.uvprojx", "SecureApp/KEIL/SecureApp.uvprojx"},
        {"ZQD/Secure/KEIL/secure.sct", "SecureApp/KEIL/secure.sct"},
        {"ZQD/Nonsecure/main_ns.c", "NonSecureApp/main_NonSecureApp.c"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.templateFile);
        const std::string kept = dir_.readFile(c.templateFile);
        stdfs::remove(dir_.file(c.templateFile));
        stdfs::remove_all(out());
        const Captured run = generate(false);
        EXPECT_EQ(run.rc, cli::kExitFileErrors);
        EXPECT_TRUE(Contains(run.out, "Unable to edit " + printed(c.reported) + ": no such file or folder"))
            << run.out;
        dir_.writeFile(c.templateFile, kept);
    }
}

// Files an older version left empty or cut short (a kill, a full disk) are not
// kept as the project's own: the next generation replaces them from the template,
// says so, and the tree is the one a clean generation writes.
TEST_F(CliFaults, DamagedProjectFilesAreRestoredWhole) {
    ASSERT_EQ(generate(false).rc, cli::kExitSuccess);
    const test::TreeSnapshot clean = test::SnapshotTree(out());
    struct Damage {
        std::string file;
        bool halved;  // cut in the middle; otherwise emptied
        bool warned;  // the generator names it; the NSC header is the script's own
    };
    const std::vector<Damage> damages = {
        {"SecureApp/KEIL/SecureApp.uvprojx", true, true},
        {"NonSecureApp/KEIL/NonSecureApp.uvoptx", true, true},
        {"NonSecureApp/IAR/NonSecureApp.ewp", false, true},
        {"SecureApp/IAR/SecureApp.eww", true, true},
        {"SecureApp/main_SecureApp.c", false, true},
        {"TrustZone.uvmpw", false, true},
        {"TrustZone.eww", true, true},
        {"SecureApp/nsclib/SecureApp_nsc.h", false, false},
    };
    for (const Damage& damage : damages) {
        const std::string relative = templatePath() + "/" + damage.file;
        const std::string bytes = dir_.readFile(relative);
        ASSERT_FALSE(bytes.empty()) << damage.file;
        dir_.writeFile(relative, damage.halved ? bytes.substr(0, bytes.size() / 2) : std::string());
    }
    const Captured run = generate(true);
    EXPECT_EQ(run.rc, cli::kExitSuccess);
    EXPECT_TRUE(Contains(run.out, "Trust Zone Template created with warnings:")) << run.out;
    for (const Damage& damage : damages) {
        EXPECT_EQ(Contains(run.out, "Replaced " + printed(damage.file) +
                                        " with the template's copy: it was empty or cut short"),
                  damage.warned)
            << damage.file;
    }
    EXPECT_EQ(test::SnapshotTree(out()), clean);
}

#ifndef _WIN32
std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// An import names a pipe or a device, as the project file or as the scatter file
// the project links with: ldp.lua reads through readfile, which refuses them at
// once, so the import ends instead of hanging, with what could be read.
TEST_F(CliFaults, ImportsNeverReadPipesOrDevices) {
    ASSERT_EQ(generate(false).rc, cli::kExitSuccess);
    const stdfs::path project = out() / "SecureApp" / "KEIL" / "SecureApp.uvprojx";
    stdfs::remove(out() / "SecureApp" / "KEIL" / "secure.sct");
    ASSERT_EQ(::mkfifo((out() / "SecureApp" / "KEIL" / "secure.sct").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(dir_.file("pipe.uvprojx").c_str(), 0600), 0);
    struct Case {
        const char* name;
        stdfs::path file;
        std::size_t secureAppRows;  // in the saved configuration afterwards
    };
    const std::vector<Case> cases = {
        {"project file is a pipe", dir_.file("pipe.uvprojx"), 1},
        {"project file is a device", "/dev/zero", 1},
        {"scatter file is a pipe", project, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::testing::internal::CaptureStdout();
        const int rc = run({L"import", c.file.wstring()});
        const std::string said = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(rc, cli::kExitSuccess) << said;
        EXPECT_EQ(Count(dir_.readFile("default.kiv"), "NAME=SecureApp\r\n"), c.secureAppRows);
    }
}
#endif

}  // namespace
}  // namespace velmora
