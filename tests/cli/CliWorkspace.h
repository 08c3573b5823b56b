#pragma once
// A copy of the bundled working folder, entered for a test's duration, in which the
// headless runner's commands run in-process.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/CommandLine.h"
#include "support/TempDir.h"

namespace velmora {

// A copy of the bundled working folder, entered for the test's duration.
class CliInWorkspace : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy(std::filesystem::path(VELMORA_SOURCE_DIR) / "workspace", dir_.path(),
                              std::filesystem::copy_options::recursive);
        dir_.enter();
        originalKiv_ = dir_.readFile("default.kiv");
        ASSERT_FALSE(originalKiv_.empty());
    }

    int run(std::vector<std::wstring> arguments) { return cli::RunCommandLine(arguments); }

    // Replaces one "NAME=value" line of default.kiv (the first one with that name).
    void setKivValue(const std::string& name, const std::string& value) {
        std::string kiv = dir_.readFile("default.kiv");
        const auto start = kiv.find("\n" + name + "=");
        ASSERT_NE(start, std::string::npos) << name;
        const auto end = kiv.find('\r', start + 1);
        kiv.replace(start + 1, end - start - 1, name + "=" + value);
        dir_.writeFile("default.kiv", kiv);
        originalKiv_ = kiv;
    }

    std::string templatePath() const {
        const std::string kiv = dir_.readFile("default.kiv");
        const auto start = kiv.find("TEMPLATE_PATH=") + 14;
        return kiv.substr(start, kiv.find('\r', start) - start);
    }

    test::TempDir dir_;
    std::string originalKiv_;
};

}  // namespace velmora
