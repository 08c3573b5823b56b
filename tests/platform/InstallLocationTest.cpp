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

struct LayoutCase {
    const char* name;
    std::vector<std::string> files;  // made below a fresh temporary folder
    std::vector<std::string> folders;
    const char* executable;          // relative to that folder
    const char* expected;            // relative to that folder; "" = not found
};

class BundledWorkspaceLookup : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(BundledWorkspaceLookup, FindsTheLayoutBesideTheExecutable) {
    const LayoutCase& c = GetParam();
    test::TempDir dir;
    for (const std::string& file : c.files) dir.writeFile(file, "x");
    for (const std::string& folder : c.folders) stdfs::create_directories(dir.file(folder));
    const std::wstring found = FindBundledWorkspace(fs::ToText(dir.file(c.executable)));
    if (std::string(c.expected).empty()) {
        EXPECT_EQ(found, L"");
    } else {
        ASSERT_NE(found, L"");
        EXPECT_TRUE(stdfs::equivalent(fs::ToPath(found), dir.file(c.expected)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, BundledWorkspaceLookup,
    ::testing::Values(
        LayoutCase{"DebianPackage", {"usr/share/velmora/workspace/default.kiv", "usr/bin/velmora-cli"},
                   {}, "usr/bin/velmora-cli", "usr/share/velmora/workspace"},
        LayoutCase{"WindowsZip", {"velmora/workspace/default.kiv", "velmora/velmora-cli.exe"}, {},
                   "velmora/velmora-cli.exe", "velmora/workspace"},
        LayoutCase{"PackageBeforeZip",
                   {"p/share/velmora/workspace/default.kiv", "p/bin/workspace/default.kiv"}, {},
                   "p/bin/velmora-cli", "p/share/velmora/workspace"},
        LayoutCase{"NoConfigurationInIt", {"p/share/velmora/workspace/tes.lua"}, {"p/bin"},
                   "p/bin/velmora-cli", ""},
        LayoutCase{"ConfigurationIsAFolder", {}, {"p/workspace/default.kiv"}, "p/velmora-cli",
                   ""},
        LayoutCase{"NothingBeside", {}, {"p/bin"}, "p/bin/velmora-cli", ""}),
    [](const ::testing::TestParamInfo<LayoutCase>& param) { return std::string(param.param.name); });

TEST(BundledWorkspace, EmptyExecutablePathFindsNothing) {
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

TEST(BundledWorkspace, AProgramOutsideTheBuildFolderHasNoFallback) {
    test::TempDir dir;
    dir.writeFile("bin/velmora-cli", "x");
    EXPECT_EQ(FindBundledWorkspace(fs::ToText(dir.file("bin/velmora-cli"))), L"");
}

// Sets (or, given nullopt, removes) an environment variable for one test.
class ScopedVariable {
public:
    ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        set(value);
    }
    ~ScopedVariable() { set(old_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    void set(const std::optional<std::string>& value) {
#ifdef _WIN32
        // "NAME=" removes the variable.
        _putenv((name_ + "=" + value.value_or("")).c_str());
#else
        if (value) {
            setenv(name_.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name_.c_str());
        }
#endif
    }

    std::string name_;
    std::optional<std::string> old_;
};

#ifndef _WIN32
TEST(UserWorkingFolder, FollowsTheXdgRules) {
    struct Case {
        std::optional<std::string> xdgDataHome;
        std::optional<std::string> home;
        std::wstring expected;
    };
    const Case cases[] = {
        {"/data", "/home/ann", L"/data/velmora/workspace"},
        {std::nullopt, "/home/ann", L"/home/ann/.local/share/velmora/workspace"},
        {"", "/home/ann", L"/home/ann/.local/share/velmora/workspace"},
        {"relative/data", "/home/ann", L"/home/ann/.local/share/velmora/workspace"},
        {std::nullopt, std::nullopt, L""},
    };
    for (const Case& c : cases) {
        ScopedVariable xdg("XDG_DATA_HOME", c.xdgDataHome);
        ScopedVariable home("HOME", c.home);
        EXPECT_EQ(UserWorkingFolder(), c.expected) << c.xdgDataHome.value_or("(unset)");
    }
}
#else
TEST(UserWorkingFolder, LiesInTheLocalApplicationData) {
    {
        ScopedVariable local("LOCALAPPDATA", std::string("C:\\Users\\ann\\AppData\\Local"));
        EXPECT_EQ(UserWorkingFolder(), L"C:\\Users\\ann\\AppData\\Local\\Velmora\\workspace");
    }
    ScopedVariable local("LOCALAPPDATA", std::nullopt);
    EXPECT_EQ(UserWorkingFolder(), L"");
}
#endif

}  // namespace
}  // namespace velmora
