#include "KeilProjectText.h"

namespace velmora::test {
namespace {

std::string Element(const std::string& name, const std::string& text) {
    return "<" + name + ">" + text + "</" + name + ">";
}

std::string TargetXml(const KeilTarget& t) {
    std::string common = Element("Device", "ARMCM23_TZ") + Element("Cpu", t.cpu);
    if (!t.outputName.empty()) common += Element("OutputName", t.outputName);
    std::string memories;
    for (const std::string& tick : t.defaultTicks) memories += Element(tick, "1");
    for (const KeilMemoryRow& row : t.memories)
        memories += Element(row.element, Element("Type", "1") + Element("StartAddress", row.start) +
                                             Element("Size", row.size));
    std::string misc = Element("OnChipMemories", memories);
    if (!t.nSecure.empty()) misc = Element("nSecure", t.nSecure) + misc;
    const std::string ldads = Element("umfTarg", t.layoutFromDialog ? "1" : "0") +
                              Element("ScatterFile", t.scatterFile);
    return "<Target>" + Element("TargetName", t.targetName) + Element("ToolsetNumber", "0x4") +
           Element("TargetOption", Element("TargetCommonOption", common) +
                                       Element("TargetArmAds", Element("ArmAdsMisc", misc) +
                                                                   Element("LDads", ldads))) +
           "</Target>\n";
}

}  // namespace

std::string KeilProjectXml(const std::vector<KeilTarget>& targets) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>\n<Project>"
        "<SchemaVersion>2.1</SchemaVersion>\n<Targets>\n";
    for (const KeilTarget& target : targets) xml += TargetXml(target);
    return xml + "</Targets>\n</Project>\n";
}

}  // namespace velmora::test
