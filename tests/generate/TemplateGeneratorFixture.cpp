#include "TemplateGeneratorFixture.h"

#include <filesystem>

#include "model/PeripheralTable.h"

namespace velmora::test {

void SetFreshPeripheralStates(PartitionConfig& config) {
    for (PeripheralEntry& peripheral : config.peripherals) {
        peripheral.state = IsAlwaysSecure(peripheral.name) ? 0 : 1;
    }
}

TemplateGeneratorFixture::TemplateGeneratorFixture() : dir(TempDir::Enter) {
    WriteTemplateTree(dir);
    dir.writeFile("tes.lua", kRecordingScript);
    dir.writeFile("tens.lua", kRecordingScript);
    config.templatePath = dir.file("out").wstring();
    config.bspPath = dir.file("BSP").wstring();
    config.nsba = 0x10040000;
    config.sramNsba = 0x30008000;
    SetFreshPeripheralStates(config);
}

GenerationResult TemplateGeneratorFixture::Generate(bool realValidation) {
    TemplateGenerator generator(config, ui, &trace);
    if (!realValidation)
        generator.SetValidation([](const PartitionConfig&, Frontend&) { return 0; });
    ::testing::internal::CaptureStdout();
    GenerationResult result = generator.CreateTemplate();
    stdoutText = ::testing::internal::GetCapturedStdout();
    return result;
}

std::wstring TemplateGeneratorFixture::Out(const std::wstring& below) const {
    return below.empty() ? config.templatePath : config.templatePath + P(L"/" + below);
}

bool TemplateGeneratorFixture::OutHas(const std::string& below) const {
    return std::filesystem::exists(std::filesystem::path(config.templatePath) / below);
}

}  // namespace velmora::test
