#include "generate/ProjectGlobals.h"

#include <string>

#include "generate/GeneratorHex.h"
#include "generate/TemplatePaths.h"
#include "model/ChipMemoryMap.h"
#include "model/PeripheralAttribution.h"

namespace velmora {
namespace {

std::string Numbered(const char* prefix, std::size_t index) {
    return prefix + std::to_string(index);
}

void SetSecurityWords(ScriptHost& host, const SecurityWords& words) {
    for (std::size_t r = 0; r < words.pnsset.size(); ++r) {
        host.SetNumber(Numbered("pnsset", r), words.pnsset[r]);
    }
    host.SetNumber("ionsset", words.ionsset);
    for (std::size_t r = 0; r < words.intnsset.size(); ++r) {
        host.SetNumber(Numbered("intnsset", r), words.intnsset[r]);
    }
}

void SetCodeAndData(ScriptHost& host, const ProjectEntry& project) {
    host.SetNumber("ro", ReadGeneratorHex(project.roBase));
    host.SetNumber("rosize", ReadGeneratorHex(project.roSize));
    host.SetNumber("rw", ReadGeneratorHex(project.rwBase));
}

void SetNumberedNames(ScriptHost& host, const char* prefix, const std::vector<std::wstring>& names,
                      bool skipEmpty) {
    for (std::size_t j = 0; j < names.size(); ++j) {
        if (skipEmpty && names[j].empty()) continue;
        host.SetString(Numbered(prefix, j), names[j]);
    }
}

}  // namespace

void SetSecureProjectGlobals(ScriptHost& host, const PartitionConfig& config,
                             const GenerationContext& context, const ProjectEntry& project) {
    const std::wstring& o = context.outputFolder;
    host.SetString("rpath", context.rpath);
    host.SetString("fpath", o);
    host.SetString("fmain", MainFile(o, project.name));
    host.SetString("fscatter", ScatterFile(o, project.name));
    host.SetString("fpartition", PartitionHeader(o));
    host.SetString("prjname", project.name);
    host.SetNumber("nsba", config.nsba);
    host.SetNumber("nssramba", config.sramNsba);
    host.SetString("bsppath", context.bspPath);
    SetSecurityWords(host, ComputeSecurityWords(config.peripherals));
    SetCodeAndData(host, project);
    host.SetNumber("rwsize", config.sramNsba - ChipMemoryMap::sramNsAlias);
    host.SetNumber("nsc", ReadGeneratorHex(project.nscBase));
    host.SetNumber("nscsize", ReadGeneratorHex(project.nscSize));
    host.SetNumber("all_nsc", context.allNscBase);
    host.SetNumber("all_nscsize", context.allNscSize);
    const NextBoot next = NextBootOf(project, config.projects);
    host.SetNumber("next_boot", next.address);
    host.SetNumber("next_boot_ns", next.nonSecure);
    host.SetString("str_next_boot", project.nextBoot);
}

void SetNonSecureProjectGlobals(ScriptHost& host, const PartitionConfig& config,
                                const GenerationContext& context, const ProjectEntry& project) {
    const std::wstring& o = context.outputFolder;
    host.SetString("rpath", context.rpath);
    host.SetString("fpath", o);
    host.SetString("fmain", MainFile(o, project.name));
    host.SetString("prjname", project.name);
    SetNumberedNames(host, "sprj", context.secureProjects, true);
    host.SetNumber("nsba", config.nsba);
    host.SetNumber("nssramba", config.sramNsba);
    SetCodeAndData(host, project);
    host.SetNumber("next_boot", NextBootOf(project, config.projects).address);
    SetNumberedNames(host, "nsclib", context.nscLibraries, false);
}

void SetXomGlobals(ScriptHost& host, const XomRegion& region, int k) {
    const std::size_t index = static_cast<std::size_t>(k);
    host.SetNumber(Numbered("xombase", index), ReadGeneratorHex(region.base));
    host.SetNumber(Numbered("xomsize", index), ReadGeneratorHex(region.size));
}

}  // namespace velmora
