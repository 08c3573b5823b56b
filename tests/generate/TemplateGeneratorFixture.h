#pragma once
// A working folder with a small template tree and recording scripts, a
// configuration that generates into its "out" folder, and a generator run whose
// standard output is captured.

#include <gtest/gtest.h>

#include <string>

#include "GenerateTestSupport.h"
#include "generate/TemplateGenerator.h"
#include "model/PartitionConfig.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"

namespace velmora::test {

class TemplateGeneratorFixture : public ::testing::Test {
protected:
    TemplateGeneratorFixture();

    // CreateTemplate with validation passed over (it has its own tests) unless
    // realValidation is set.
    GenerationResult Generate(bool realValidation = false);

    // The output folder, or a path below it written with '/'.
    std::wstring Out(const std::wstring& below = L"") const;
    bool OutHas(const std::string& below) const;

    TempDir dir;
    PartitionConfig config;
    ScriptedFrontend ui;
    RecordingTrace trace;
    std::string stdoutText;
};

// Every peripheral non-secure except the always-secure ones.
void SetFreshPeripheralStates(PartitionConfig& config);

}  // namespace velmora::test
