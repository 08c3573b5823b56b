// MemoryMap.html read back as a browser would get it: the SVG parsed, every
// project's rectangles checked against the configuration's own numbers by the
// pixel rule (flash 512 bytes, SRAM 128 bytes per pixel, rows floor(start / N) to
// ceil(end / N), at least 3 px), every name and bound looked up in the text, the
// peripherals and boot arrows counted; for the sample, for ten projects, and for
// configurations that validation refuses.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "MiniXml.h"
#include "config/CIniFile.h"
#include "config/ConfigurationFile.h"
#include "generate/MemoryMap.h"
#include "generate/MemoryMapHtml.h"
#include "generate/MemoryMapText.h"
#include "model/PartitionConfig.h"
#include "platform/TextCodec.h"
#include "support/ScriptedFrontend.h"

namespace velmora::test {
namespace {

namespace stdfs = std::filesystem;

constexpr std::uint64_t kFlashPerPixel = 512;
constexpr std::uint64_t kSramPerPixel = 128;
constexpr int kMinimumHeight = 3;

std::uint32_t Cell(const std::wstring& text) {
    return static_cast<std::uint32_t>(std::wcstoul(text.c_str(), nullptr, 16));
}

std::string Hex8(std::uint64_t value) {
    std::ostringstream text;
    text << "0x" << std::uppercase << std::hex << std::setw(8) << std::setfill('0') << value;
    return text.str();
}

// "0x...-0x..." of [base, base + size).
std::string Bounds(std::uint32_t base, std::uint64_t size) { return Hex8(base) + "-" + Hex8(base + size - 1); }

struct Span {
    int y;
    int height;
};

Span Expected(int columnTop, std::uint64_t offset, std::uint64_t end, std::uint64_t perPixel) {
    const auto top = static_cast<int>(offset / perPixel);
    const auto bottom = static_cast<int>((end + perPixel - 1) / perPixel);
    return {columnTop + top, std::max(bottom - top, kMinimumHeight)};
}

void Collect(const XmlElement& element, const std::string& name, std::vector<const XmlElement*>& found) {
    if (element.name == name) found.push_back(&element);
    for (const XmlElement& child : element.children) Collect(child, name, found);
}

int IntAttribute(const XmlElement& element, const std::string& name) {
    const auto it = element.attributes.find(name);
    EXPECT_NE(it, element.attributes.end()) << element.name << " has no " << name;
    return it == element.attributes.end() ? -1 : std::stoi(it->second);
}

std::string Attribute(const XmlElement& element, const std::string& name) {
    const auto it = element.attributes.find(name);
    return it == element.attributes.end() ? std::string() : it->second;
}

class Page {
public:
    explicit Page(const PartitionConfig& config) : html_(MemoryMapHtml(BuildMemoryMap(config, std::nullopt))) {
        const std::size_t start = html_.find("<svg");
        const std::size_t end = html_.find("</svg>");
        if (start == std::string::npos || end == std::string::npos) {
            ADD_FAILURE() << "no svg in the page";
            return;
        }
        svg_ = ParseXml(html_.substr(start, end + 6 - start));
        EXPECT_TRUE(svg_.ok) << svg_.error;
        Collect(svg_.root, "rect", rects_);
        std::vector<const XmlElement*> texts;
        Collect(svg_.root, "text", texts);
        for (const XmlElement* text : texts) texts_.push_back(text->text);
    }

    const std::string& html() const { return html_; }
    const XmlElement& svg() const { return svg_.root; }

    // The rectangles whose attributes have all these values.
    std::vector<const XmlElement*> Rects(const std::vector<std::pair<std::string, std::string>>& want) const {
        std::vector<const XmlElement*> found;
        for (const XmlElement* rect : rects_) {
            if (std::all_of(want.begin(), want.end(),
                            [rect](const auto& kv) { return Attribute(*rect, kv.first) == kv.second; }))
                found.push_back(rect);
        }
        return found;
    }

    const XmlElement* OneRect(const std::vector<std::pair<std::string, std::string>>& want) const {
        const auto found = Rects(want);
        EXPECT_EQ(found.size(), 1u) << want.front().second << " " << (want.size() > 1 ? want[1].second : "");
        return found.size() == 1 ? found.front() : nullptr;
    }

    int ColumnTop(const std::string& memory, int expectedHeight) const {
        const XmlElement* outline = OneRect({{"data-memory", memory}});
        if (!outline) return 0;
        EXPECT_EQ(IntAttribute(*outline, "height"), expectedHeight) << memory;
        return IntAttribute(*outline, "y");
    }

    bool HasText(const std::string& part) const {
        return std::any_of(texts_.begin(), texts_.end(),
                           [&part](const std::string& t) { return t.find(part) != std::string::npos; });
    }

private:
    std::string html_;
    XmlDocument svg_;
    std::vector<const XmlElement*> rects_;
    std::vector<std::string> texts_;
};

void ExpectSpan(const XmlElement* rect, Span span, const std::string& what) {
    ASSERT_NE(rect, nullptr) << what;
    EXPECT_EQ(IntAttribute(*rect, "y"), span.y) << what;
    EXPECT_EQ(IntAttribute(*rect, "height"), span.height) << what;
}

// Every project of the configuration, drawn and labelled where its cells say.
void ExpectProjectsFollowTheirAddresses(const PartitionConfig& config) {
    const Page page(config);
    const int flashTop = page.ColumnTop("flash", 0x80000 / kFlashPerPixel);
    const int sramTop = page.ColumnTop("sram", 0x18000 / kSramPerPixel);
    const std::uint64_t secureSram = config.sramNsba - 0x30000000u;
    for (const ProjectEntry& p : config.projects.rows) {
        const std::string name = WideToUtf8(p.name);
        const bool secure = p.stateText == L"S";
        const std::uint32_t ro = Cell(p.roBase), roSize = Cell(p.roSize), rw = Cell(p.rwBase);
        const std::uint64_t codeOffset = ro & 0x0FFFFFFFu;
        ExpectSpan(page.OneRect({{"data-kind", "code"}, {"data-owner", name}}),
                   Expected(flashTop, codeOffset, codeOffset + roSize, kFlashPerPixel), name + " code");
        EXPECT_TRUE(page.HasText(name + " code")) << name;
        EXPECT_TRUE(page.HasText(Bounds(ro, roSize))) << name;

        const std::uint64_t dataOffset = rw & 0x0FFFFFFFu;
        const std::uint64_t dataEnd = secure ? secureSram : 0x18000;
        ExpectSpan(page.OneRect({{"data-kind", "data"}, {"data-owner", name}}),
                   Expected(sramTop, dataOffset, dataEnd, kSramPerPixel), name + " data");
        EXPECT_TRUE(page.HasText(name + " data")) << name;
        EXPECT_TRUE(page.HasText(Bounds(rw, dataEnd - dataOffset))) << name;

        if (!secure) continue;
        const std::uint32_t nsc = Cell(p.nscBase), nscSize = Cell(p.nscSize);
        ExpectSpan(page.OneRect({{"data-kind", "nsc"}, {"data-owner", name}}),
                   Expected(flashTop, nsc, std::uint64_t{nsc} + nscSize, kFlashPerPixel), name + " NSC");
        EXPECT_TRUE(page.HasText(name + " NSC")) << name;
        EXPECT_TRUE(page.HasText(Bounds(nsc, nscSize))) << name;
    }
    for (int k = 0; k < kXomRegionCount; ++k) {
        const auto owner = std::find_if(config.projects.rows.begin(), config.projects.rows.end(),
                                        [k](const ProjectEntry& p) { return (p.xomMask() >> k) & 1u; });
        if (owner == config.projects.rows.end()) continue;
        const XomRegion& xom = config.xomRegions[static_cast<std::size_t>(k)];
        const std::uint32_t base = Cell(xom.base), size = Cell(xom.size);
        const std::uint64_t offset = base & 0x0FFFFFFFu;
        ExpectSpan(page.OneRect({{"data-kind", "xom"}, {"data-xom", std::to_string(k)}}),
                   Expected(flashTop, offset, offset + size, kFlashPerPixel), "XOM" + std::to_string(k));
        EXPECT_TRUE(page.HasText("XOM" + std::to_string(k) + " of " + WideToUtf8(owner->name)));
        EXPECT_TRUE(page.HasText(Bounds(base, size)));
    }
    // The two parts of each memory, to the same rule.
    const std::uint64_t secureFlash = config.nsba - 0x10000000u;
    const std::string flashX = Attribute(*page.OneRect({{"data-memory", "flash"}}), "x");
    ExpectSpan(page.OneRect({{"data-kind", "world"}, {"data-world", "nonsecure"}, {"x", flashX}}),
               Expected(flashTop, secureFlash, 0x80000, kFlashPerPixel), "non-secure flash");
    EXPECT_TRUE(page.HasText("non-secure " + Bounds(config.nsba, 0x80000 - secureFlash)));
    EXPECT_TRUE(page.HasText("non-secure " + Bounds(config.sramNsba, 0x18000 - secureSram)));
}

PartitionConfig Sample() {
    ScriptedFrontend ui;
    CIniFile store(&ui);
    PartitionConfig config;
    EXPECT_TRUE(LoadPositionedConfiguration(
        store, config, (stdfs::path(VELMORA_SOURCE_DIR) / "workspace" / "default.kiv").wstring()));
    return config;
}

// Five secure projects with NSC areas at the top of the secure flash, five
// non-secure ones above the boundary, all four XOM regions owned, a boot chain
// through all ten.
PartitionConfig TenProjects() {
    PartitionConfig config;
    config.nsba = 0x10040000;
    config.sramNsba = 0x30008000;
    for (PeripheralEntry& p : config.peripherals) p.state = (p.name.size() % 2 == 0) ? 1 : 0;
    const unsigned xom[] = {0b0001, 0b0010, 0, 0, 0};
    for (unsigned i = 0; i < 5; ++i) {
        AddProjectRow(config.projects, L"Sec" + std::to_wstring(i), 0, i * 0x6000, 0x4000,
                      0x20000000 + i * 0x1000, 0x3A000 + i * 0x1000, 0x800 + i * 0x20, xom[i],
                      L"Sec" + std::to_wstring(i + 1), L"");
    }
    config.projects.rows[4].nextBoot = L"Ns0";
    for (unsigned i = 0; i < 5; ++i) {
        AddProjectRow(config.projects, L"Ns" + std::to_wstring(i), 1, 0x10040000 + i * 0x8000,
                      0x6000, 0x30008000 + i * 0x2000, 0, 0, i < 2 ? (0b0100u << i) : 0u,
                      i < 4 ? L"Ns" + std::to_wstring(i + 1) : L"", L"");
    }
    SetXomRow(config.xomRegions, 0, 0x30000, 0x800, L"Sec0");
    SetXomRow(config.xomRegions, 1, 0x32000, 0x1000, L"Sec1");
    SetXomRow(config.xomRegions, 2, 0x10070000, 0x800, L"Ns0");
    SetXomRow(config.xomRegions, 3, 0x10078000, 0x2000, L"Ns1");
    return config;
}

TEST(MemoryMapPage, SampleRectanglesFollowTheirAddresses) { ExpectProjectsFollowTheirAddresses(Sample()); }

TEST(MemoryMapPage, TenProjectRectanglesFollowTheirAddresses) {
    ExpectProjectsFollowTheirAddresses(TenProjects());
}

TEST(MemoryMapPage, SauRegionsPeripheralsAndBootArrowsAreDrawn) {
    const PartitionConfig config = TenProjects();
    const Page page(config);
    // NSC areas 0x3A000.., 0x3B000.. do not touch: five NSC regions, then NS flash and SRAM.
    EXPECT_EQ(page.Rects({{"data-kind", "sau"}}).size(), 7u);
    EXPECT_TRUE(page.HasText(Bounds(0x10040000, 0x40000)));
    EXPECT_TRUE(page.HasText(Bounds(0x3A000, 0x800)));
    std::vector<const XmlElement*> groups;
    Collect(page.svg(), "g", groups);
    std::size_t peripherals = 0;
    for (const XmlElement* g : groups) {
        if (Attribute(*g, "class").rfind("peripheral", 0) != 0) continue;
        const PeripheralEntry& p = config.peripherals[peripherals++];
        EXPECT_EQ(Attribute(*g, "data-world"), p.state ? "nonsecure" : "secure") << WideToUtf8(p.name);
        ASSERT_NE(g->child("text"), nullptr);
        EXPECT_EQ(g->child("text")->text, WideToUtf8(p.name));
    }
    EXPECT_EQ(peripherals, 60u);
    std::vector<const XmlElement*> paths;
    Collect(page.svg(), "path", paths);
    std::vector<std::string> arrows;
    for (const XmlElement* path : paths) {
        if (Attribute(*path, "class") == "boot")
            arrows.push_back(Attribute(*path, "data-from") + ">" + Attribute(*path, "data-to"));
    }
    std::vector<std::string> expected;
    for (const ProjectEntry& p : config.projects.rows)
        if (!p.nextBoot.empty()) expected.push_back(WideToUtf8(p.name + L">" + p.nextBoot));
    EXPECT_EQ(arrows, expected);
}

TEST(MemoryMapPage, IsSelfContained) {
    const std::string html = Page(TenProjects()).html();
    for (const char* banned : {"<script", "<link", "@import", "src=", "href=", "https:"})
        EXPECT_EQ(html.find(banned), std::string::npos) << banned;
    // The only URL is the SVG namespace, the only url() the arrow head's marker.
    std::string rest = html;
    for (const char* allowed : {"http://www.w3.org/2000/svg", "url(#arrow)"}) {
        for (std::size_t at; (at = rest.find(allowed)) != std::string::npos;) rest.erase(at, std::string(allowed).size());
    }
    EXPECT_EQ(rest.find("http:"), std::string::npos);
    EXPECT_EQ(rest.find("url("), std::string::npos);
    EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
}

// User text in names: escaped, and characters that UTF-8 cannot carry replaced.
TEST(MemoryMapPage, NamesAreEscaped) {
    PartitionConfig config = TenProjects();
    std::wstring hostile = L"<b>&\"'x";
    hostile += wchar_t(0x01);
    hostile += wchar_t(0xDC85);  // a byte the code page could not read
    hostile += L"\x4E2D";
    config.projects.rows[0].name = hostile;
    config.projects.rows[1].nextBoot = hostile;
    const Page page(config);
    const std::string clean = "<b>&\"'x\xEF\xBF\xBD\xEF\xBF\xBD\xE4\xB8\xAD";
    ASSERT_NE(page.OneRect({{"data-kind", "code"}, {"data-owner", clean}}), nullptr);
    EXPECT_TRUE(page.HasText(clean + " code"));
    EXPECT_EQ(page.html().find("<b>"), std::string::npos);
}

// What validation refuses is still drawn, and marked.
TEST(MemoryMapPage, InvalidConfigurationsAreDrawnAndMarked) {
    PartitionConfig config = TenProjects();
    config.projects.rows[1].roBase = config.projects.rows[0].roBase;  // Sec1 code on Sec0 code
    config.projects.rows[5].stateText = L"s";                         // Ns0: neither S nor NS
    config.projects.rows[6].roBase = L"0x50000000";                    // Ns1: in no memory
    config.projects.rows[7].roSize = L"zz";
    config.projects.rows[8].rwBase = L" -0x10";
    config.projects.rows[9].roBase = L"0x123456789";
    const Page page(config);
    ASSERT_TRUE(page.html().find("</html>") != std::string::npos);
    const XmlElement* sec0 = page.OneRect({{"data-kind", "code"}, {"data-owner", "Sec0"}});
    const XmlElement* sec1 = page.OneRect({{"data-kind", "code"}, {"data-owner", "Sec1"}});
    ASSERT_TRUE(sec0 && sec1);
    EXPECT_NE(Attribute(*sec0, "class").find("problem"), std::string::npos);
    EXPECT_NE(Attribute(*sec1, "class").find("problem"), std::string::npos);
    EXPECT_NE(Attribute(*sec0, "x"), Attribute(*sec1, "x")) << "overlapping regions side by side";
    const XmlElement* ns0 = page.OneRect({{"data-kind", "code"}, {"data-owner", "Ns0"}});
    ASSERT_NE(ns0, nullptr);
    EXPECT_NE(Attribute(*ns0, "class").find("other"), std::string::npos);
    EXPECT_TRUE(page.Rects({{"data-kind", "code"}, {"data-owner", "Ns1"}}).empty());
    EXPECT_NE(page.html().find("Ns1 code 0x50000000-0x50005FFF lies outside the flash"), std::string::npos);
    // An RO SIZE with no digits is empty, still pointed at with the minimum height.
    const XmlElement* ns2 = page.OneRect({{"data-kind", "code"}, {"data-owner", "Ns2"}});
    ASSERT_NE(ns2, nullptr);
    EXPECT_EQ(IntAttribute(*ns2, "height"), kMinimumHeight);
    // The generator's reading saturates at 0x7FFFFFFF: outside every memory.
    EXPECT_TRUE(page.Rects({{"data-kind", "code"}, {"data-owner", "Ns4"}}).empty());
}

// The report's table of regions: per project, "kind -> base last" as its rows say.
std::map<std::string, std::map<std::string, std::string>> ReportedRegions(const std::string& text) {
    std::map<std::string, std::map<std::string, std::string>> regions;
    const std::size_t heading = text.find("\nProject ");
    if (heading == std::string::npos) return regions;
    std::istringstream lines(text.substr(heading + 1));
    std::string line, project;
    std::getline(lines, line);  // the heading
    while (std::getline(lines, line) && !line.empty()) {
        std::istringstream words(line);
        if (line[0] != ' ') words >> project >> line;  // the name and the state
        std::string kind, base, last;
        words >> kind >> base >> last;
        regions[project][kind] = base + " " + last;
    }
    return regions;
}

std::string Range(std::uint32_t base, std::uint64_t size) { return Hex8(base) + " " + Hex8(base + size - 1); }

TEST(MemoryMapReport, TextRowsFollowTheAddresses) {
    for (const PartitionConfig& config : {Sample(), TenProjects()}) {
        const auto regions = ReportedRegions(WideToUtf8(MemoryMapText(BuildMemoryMap(config, std::nullopt))));
        ASSERT_EQ(regions.size(), config.projects.rows.size());
        const std::uint64_t secureSram = config.sramNsba - 0x30000000u;
        for (const ProjectEntry& p : config.projects.rows) {
            const auto& rows = regions.at(WideToUtf8(p.name));
            const bool secure = p.stateText == L"S";
            const std::uint32_t rw = Cell(p.rwBase);
            EXPECT_EQ(rows.at("code"), Range(Cell(p.roBase), Cell(p.roSize)));
            EXPECT_EQ(rows.at("data"), Range(rw, (secure ? secureSram : 0x18000) - (rw & 0x0FFFFFFFu)));
            if (secure) {
                EXPECT_EQ(rows.at("NSC"), Range(Cell(p.nscBase), Cell(p.nscSize)));
            }
            for (int k = 0; k < kXomRegionCount; ++k) {
                if (!((p.xomMask() >> k) & 1u)) continue;
                const XomRegion& xom = config.xomRegions[static_cast<std::size_t>(k)];
                EXPECT_EQ(rows.at("XOM" + std::to_string(k)), Range(Cell(xom.base), Cell(xom.size)));
            }
        }
    }
}

}  // namespace
}  // namespace velmora::test
