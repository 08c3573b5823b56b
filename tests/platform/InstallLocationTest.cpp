#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/InstallLocation.h"
#include "platform/WorkingFolder.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

namespace stdfs = std::filesystem;

TEST(BundledWorkspace, FindsTheLayoutBesideTheExecutable) {
    struct Case {
        const char* name;
        std::vector<std::string> files;  // made in a fresh temporary folder, "x/" a folder
        const char* executable;
        const char* expected;  // "" = not found
    };
    const Case cases[] = {
        {"Debian package", {"usr/share/velmora/workspace/default.kiv"}, "usr/bin/velmora-cli",
         "usr/share/velmora/workspace"},
        {"Windows zip", {"velmora/workspace/default.kiv"}, "velmora/velmora-cli.exe",
         "velmora/workspace"},
        {"package before zip", {"p/share/velmora/workspace/default.kiv", "p/bin/workspace/default.kiv"},
         "p/bin/velmora-cli", "p/share/velmora/workspace"},
        {"no configuration", {"p/share/velmora/workspace/tes.lua"}, "p/bin/velmora-cli", ""},
        {"configuration is a folder", {"p/workspace/default.kiv/"}, "p/velmora-cli", ""},
        // Outside the build folder: no fall-back to the source tree.
        {"nothing beside", {"p/bin/"}, "p/bin/velmora-cli", ""},
    };
    for (const Case& c : cases) {
        test::TempDir dir;
        for (const std::string& file : c.files) {
            if (file.back() == '/') {
                stdfs::create_directories(dir.file(file));
            } else {
                dir.writeFile(file, "x");
            }
        }
        const std::wstring found = FindBundledWorkspace(fs::ToText(dir.file(c.executable)));
        if (std::string(c.expected).empty()) {
            EXPECT_EQ(found, L"") << c.name;
        } else {
            EXPECT_TRUE(!found.empty() && stdfs::equivalent(fs::ToPath(found), dir.file(c.expected)))
                << c.name;
        }
    }
    EXPECT_EQ(FindBundledWorkspace(std::wstring()), L"");
}

// This test program runs inside its build folder, where the source tree's working
// folder stands in for the installed one.
TEST(BundledWorkspace, ThisBuildUsesTheSourceTreesWorkingFolder) {
    const std::wstring self = ExecutablePath();
    ASSERT_FALSE(self.empty());
    EXPECT_EQ(fs::ToPath(self).stem().string(), "test_platform");
    const std::wstring found = FindBundledWorkspace();
    ASSERT_NE(found, L"");
    EXPECT_TRUE(stdfs::equivalent(fs::ToPath(found), stdfs::path(VELMORA_SOURCE_DIR) / "workspace"));
}

std::optional<std::string> Variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

// Sets (nullopt: removes) an environment variable.
void SetVariable(const char* name, const std::optional<std::string>& value) {
#ifdef _WIN32
    _putenv((std::string(name) + "=" + value.value_or("")).c_str());  // "NAME=" removes
#else
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
#endif
}

TEST(UserWorkingFolder, FollowsThePlatformsRules) {
    struct Case {
        std::optional<std::string> xdgDataHome, home, localAppData;
        std::wstring expected;
    };
#ifdef _WIN32
    const Case cases[] = {
        {{}, {}, "C:\\Users\\ann\\AppData\\Local", L"C:\\Users\\ann\\AppData\\Local\\Velmora\\workspace"},
        {{}, "C:\\Users\\ann", {}, L""},
    };
#else
    const Case cases[] = {
        {"/data", "/home/ann", {}, L"/data/velmora/workspace"},
        {{}, "/home/ann", {}, L"/home/ann/.local/share/velmora/workspace"},
        {"", "/home/ann", {}, L"/home/ann/.local/share/velmora/workspace"},
        {"relative/data", "/home/ann", {}, L"/home/ann/.local/share/velmora/workspace"},
        {{}, {}, {}, L""},
    };
#endif
    const Case before{Variable("XDG_DATA_HOME"), Variable("HOME"), Variable("LOCALAPPDATA"), L""};
    for (const Case& c : cases) {
        SetVariable("XDG_DATA_HOME", c.xdgDataHome);
        SetVariable("HOME", c.home);
        SetVariable("LOCALAPPDATA", c.localAppData);
        EXPECT_EQ(UserWorkingFolder(), c.expected);
    }
    SetVariable("XDG_DATA_HOME", before.xdgDataHome);
    SetVariable("HOME", before.home);
    SetVariable("LOCALAPPDATA", before.localAppData);
}

}  // namespace
}  // namespace velmora
