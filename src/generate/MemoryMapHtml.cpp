#include "generate/MemoryMapHtml.h"

#include <algorithm>
#include <cmath>

#include "generate/MarkupText.h"
#include "generate/MemoryMapLayout.h"
#include "model/ChipMemoryMap.h"
#include "platform/TextCodec.h"

namespace velmora {
namespace {

using namespace ChipMemoryMap;

constexpr int kMargin = 20;
constexpr int kColumnTop = 160;  // the first row of both memories
constexpr int kBandWidth = 30;
constexpr int kLaneGap = 8;
constexpr int kLaneWidth = 110;
constexpr int kSauWidth = 22;
constexpr int kLabelGap = 34;
constexpr int kLabelSpacing = 28;  // a label is two lines
constexpr int kLineHeight = 13;
constexpr int kColumnGap = 50;
constexpr double kCharWidth = 6.6;  // of the 11 px sans-serif text, for sizing only
constexpr int kBootGutter = 14;
constexpr int kBootStep = 9;
constexpr int kPeripheralColumns = 10;
constexpr int kPeripheralWidth = 78;
constexpr int kPeripheralHeight = 22;

constexpr const wchar_t* kStyle =
    L"body{font-family:sans-serif;margin:16px;color:#111;background:#fff}"
    L"h1{font-size:20px}h2{font-size:16px;margin-top:24px}"
    L"table{border-collapse:collapse}th,td{border:1px solid #999;padding:2px 8px;text-align:left}"
    L"td.hex{font-family:monospace,monospace}tr.problem td{color:#c00000}li.problem{color:#c00000}"
    L"svg text{font-family:sans-serif;font-size:11px;fill:#111}"
    L"svg text.heading{font-size:13px;font-weight:bold}svg text.title{font-size:18px;font-weight:bold}"
    L"svg text.inside{font-size:10px}svg text.problem{fill:#c00000}"
    L".memory{fill:none;stroke:#222;stroke-width:1}"
    L".world.secure{fill:#00ff00}.world.nonsecure{fill:#ff0000}.world.nsc{fill:#ffc000}"
    L".region{stroke:#333;stroke-width:1}.region.secure{fill:#a8eea8}.region.nonsecure{fill:#f5a8a8}"
    L".region.other{fill:#d0d0d0}.region.nsc{fill:#ffd966}.region.xom{fill:#c9a8f0}"
    L".sau{fill:#9cc3f5;stroke:#1a4f9c}.sau.nsc{fill:#ffd966}"
    L"rect.problem{stroke:#d00000;stroke-width:2.5;stroke-dasharray:4 2}"
    L".leader{stroke:#999;fill:none}.boot{stroke:#1a4f9c;stroke-width:1.5;fill:none}"
    L"#arrow path{fill:#1a4f9c}"
    L".peripheral rect{stroke:#333}.peripheral.secure rect{fill:#00ff00}"
    L".peripheral.nonsecure rect{fill:#ff0000}svg .peripheral.nonsecure text{fill:#fff}";

std::wstring Esc(const std::wstring& text) { return EscapeMarkup(text); }
std::wstring Num(int value) { return std::to_wstring(value); }

std::wstring Attr(const wchar_t* name, const std::wstring& value) {
    return L" " + std::wstring(name) + L"=\"" + Esc(value) + L"\"";
}
std::wstring Attr(const wchar_t* name, int value) { return Attr(name, Num(value)); }

std::wstring RectTag(int x, int y, int width, int height) {
    return Attr(L"x", x) + Attr(L"y", y) + Attr(L"width", width) + Attr(L"height", height);
}

std::wstring TextTag(int x, int y, const std::wstring& text, const std::wstring& cls = L"") {
    return L"<text" + Attr(L"x", x) + Attr(L"y", y) + (cls.empty() ? L"" : Attr(L"class", cls)) +
           L">" + Esc(text) + L"</text>\n";
}

const wchar_t* WorldClass(MapWorld world) {
    switch (world) {
        case MapWorld::Secure: return L"secure";
        case MapWorld::NonSecure: return L"nonsecure";
        case MapWorld::Other: break;
    }
    return L"other";
}

const wchar_t* KindAttribute(RegionKind kind) {
    switch (kind) {
        case RegionKind::Code: return L"code";
        case RegionKind::Nsc: return L"nsc";
        case RegionKind::Data: return L"data";
        case RegionKind::Xom: break;
    }
    return L"xom";
}

std::wstring WithSize(std::uint32_t base, std::uint64_t size) {
    return BoundsText(base, size) + L" (" + SizeText(size) + L")";
}

int TextWidth(const std::wstring& text) {
    return static_cast<int>(std::ceil(static_cast<double>(text.size()) * kCharWidth));
}

struct Label {
    int anchorX;
    int anchorRow;
    std::wstring first;
    std::wstring second;
    bool problem;
};

// One memory drawn as a column: its parts, the regions in lanes beside them, the
// SAU regions in a strip, and the labels to the right.
class MemoryColumn {
public:
    MemoryColumn(const MemoryMap& map, MapMemory memory, int left)
        : map_(map),
          memory_(memory),
          flash_(memory == MapMemory::Flash),
          bytesPerPixel_(flash_ ? kFlashBytesPerPixel : kSramBytesPerPixel),
          size_(flash_ ? flashSize : sramSize),
          left_(left) {
        PlaceRegions();
    }

    int left() const { return left_; }
    int right() const { return LabelLeft() + labelWidth_; }
    int bottom() const { return bottom_; }
    // The row of an offset's span middle, for the boot arrows.
    int MiddleRow(const MapRegion& region) const {
        const PixelSpan span = SpanOf(region.place.offset, region.place.offsetEnd, bytesPerPixel_);
        return kColumnTop + span.top + span.height / 2;
    }

    std::wstring Draw() {
        std::wstring svg = Heading() + Parts();
        svg += L"<rect class=\"memory\"" + Attr(L"data-memory", flash_ ? L"flash" : L"sram") +
               RectTag(left_, kColumnTop, kBandWidth, Rows(size_)) + L"/>\n";
        for (std::size_t i = 0; i < regions_.size(); ++i) svg += RegionShape(i);
        svg += SauShapes();
        svg += Labels();
        return svg;
    }

private:
    int Rows(std::uint64_t bytes) const { return static_cast<int>(bytes / bytesPerPixel_); }
    int LanesLeft() const { return left_ + kBandWidth + kLaneGap; }
    int LaneLeft(int lane) const { return LanesLeft() + lane * (kLaneWidth + kLaneGap); }
    int SauLeft() const { return LaneLeft(laneCount_); }
    int LabelLeft() const { return SauLeft() + kSauWidth + kLabelGap; }

    void PlaceRegions() {
        std::vector<PixelSpan> spans;
        for (const MapRegion& region : map_.regions) {
            if (region.place.memory != memory_) continue;
            regions_.push_back(&region);
            spans.push_back(SpanOf(region.place.offset, region.place.offsetEnd, bytesPerPixel_));
        }
        lanes_ = AssignLanes(spans);
        laneCount_ = 1;
        for (int lane : lanes_) laneCount_ = std::max(laneCount_, lane + 1);
        for (std::size_t i = 0; i < map_.sau.regions.size(); ++i) {
            const SauRegion& sau = map_.sau.regions[i];
            const MemoryPlace place = LocateRange(sau.base, std::uint64_t{sau.limit} - sau.base + 1);
            if (place.memory == memory_) sau_.push_back({i, place});
        }
        PlaceLabels(spans);
    }

    void PlaceLabels(const std::vector<PixelSpan>& spans) {
        for (std::size_t i = 0; i < regions_.size(); ++i) {
            const MapRegion& region = *regions_[i];
            labels_.push_back({LaneLeft(lanes_[i]) + kLaneWidth, Middle(spans[i]),
                               RegionTitle(map_, region), WithSize(region.base, region.size),
                               region.problem});
        }
        for (const auto& [index, place] : sau_) {
            const SauRegion& sau = map_.sau.regions[index];
            const PixelSpan span = SpanOf(place.offset, place.offsetEnd, bytesPerPixel_);
            std::wstring first = L"SAU region " + std::to_wstring(index) + L", " + SauAttributeText(sau);
            if (!sau.owners.empty()) first += L" (" + SauOwnersText(sau) + L")";
            labels_.push_back({SauLeft() + kSauWidth, Middle(span), first,
                               WithSize(sau.base, std::uint64_t{sau.limit} - sau.base + 1), false});
        }
        std::vector<int> wanted;
        for (const Label& label : labels_) wanted.push_back(label.anchorRow - kLabelSpacing / 2);
        labelRows_ = SpreadLabels(wanted, kLabelSpacing, kColumnTop - kLabelSpacing / 2);
        labelWidth_ = 200;
        bottom_ = kColumnTop + Rows(size_);
        for (std::size_t i = 0; i < labels_.size(); ++i) {
            labelWidth_ = std::max({labelWidth_, TextWidth(labels_[i].first), TextWidth(labels_[i].second)});
            bottom_ = std::max(bottom_, labelRows_[i] + kLabelSpacing);
        }
    }

    static int Middle(const PixelSpan& span) { return kColumnTop + span.top + span.height / 2; }

    std::wstring Heading() const {
        const std::uint32_t secureSize = flash_ ? map_.secureFlashSize : map_.secureSramSize;
        const std::uint32_t start = flash_ ? flashBase : sramBase;
        const std::uint32_t nsStart = (flash_ ? flashNsAlias : sramNsAlias) + secureSize;
        const std::wstring name = flash_ ? L"Flash (APROM)" : L"SRAM";
        return TextTag(left_, kColumnTop - 52,
                       name + L", " + SizeText(size_) + L", 1 px = " +
                           std::to_wstring(bytesPerPixel_) + L" bytes",
                       L"heading") +
               TextTag(left_, kColumnTop - 36, L"secure " + WithSize(start, secureSize)) +
               TextTag(left_, kColumnTop - 22, L"non-secure " + WithSize(nsStart, size_ - secureSize));
    }

    std::wstring PartRect(std::uint64_t from, std::uint64_t to, const wchar_t* world,
                          const std::wstring& title) const {
        if (to <= from) return {};
        const PixelSpan span = SpanOf(from, to, bytesPerPixel_);
        return L"<rect" + Attr(L"class", std::wstring(L"world ") + world) +
               Attr(L"data-kind", L"world") + Attr(L"data-world", world) +
               RectTag(left_, kColumnTop + span.top, kBandWidth, span.height) + L"><title>" +
               Esc(title) + L"</title></rect>\n";
    }

    std::wstring Parts() const {
        const std::uint32_t secureSize = flash_ ? map_.secureFlashSize : map_.secureSramSize;
        std::wstring svg = PartRect(0, secureSize, L"secure", L"secure") +
                           PartRect(secureSize, size_, L"nonsecure", L"non-secure");
        for (const auto& [index, place] : sau_) {
            if (map_.sau.regions[index].nonSecureCallable)
                svg += PartRect(place.offset, place.offsetEnd, L"nsc", L"non-secure callable");
        }
        return svg;
    }

    std::wstring RegionShape(std::size_t i) const {
        const MapRegion& region = *regions_[i];
        const PixelSpan span = SpanOf(region.place.offset, region.place.offsetEnd, bytesPerPixel_);
        std::wstring cls = L"region ";
        if (region.kind == RegionKind::Nsc || region.kind == RegionKind::Xom) {
            cls += KindAttribute(region.kind);
        } else {
            cls += WorldClass(map_.projects[static_cast<std::size_t>(region.project)].world);
        }
        if (region.problem) cls += L" problem";
        const std::wstring owner =
            region.project >= 0 ? map_.projects[static_cast<std::size_t>(region.project)].name : L"";
        const int x = LaneLeft(lanes_[i]);
        const int y = kColumnTop + span.top;
        std::wstring svg = L"<rect" + Attr(L"class", cls) + Attr(L"data-kind", KindAttribute(region.kind)) +
                           Attr(L"data-owner", owner);
        if (region.kind == RegionKind::Xom) svg += Attr(L"data-xom", region.xomIndex);
        svg += RectTag(x, y, kLaneWidth, span.height) + L"><title>" +
               Esc(RegionTitle(map_, region) + L" " + WithSize(region.base, region.size)) +
               L"</title></rect>\n";
        if (span.height >= kLineHeight + 2)
            svg += TextTag(x + 4, y + 11, RegionKindText(region), L"inside");
        return svg;
    }

    std::wstring SauShapes() const {
        std::wstring svg;
        for (const auto& [index, place] : sau_) {
            const PixelSpan span = SpanOf(place.offset, place.offsetEnd, bytesPerPixel_);
            const SauRegion& sau = map_.sau.regions[index];
            svg += L"<rect" + Attr(L"class", sau.nonSecureCallable ? L"sau nsc" : L"sau") +
                   Attr(L"data-kind", L"sau") + Attr(L"data-sau", static_cast<int>(index)) +
                   RectTag(SauLeft(), kColumnTop + span.top, kSauWidth, span.height) + L"/>\n";
        }
        return svg;
    }

    std::wstring Labels() const {
        std::wstring svg;
        const int x = LabelLeft();
        for (std::size_t i = 0; i < labels_.size(); ++i) {
            const Label& label = labels_[i];
            const int top = labelRows_[i];
            svg += L"<polyline class=\"leader\"" +
                   Attr(L"points", Num(label.anchorX) + L"," + Num(label.anchorRow) + L" " +
                                       Num(x - 8) + L"," + Num(top + kLabelSpacing / 2) + L" " +
                                       Num(x - 3) + L"," + Num(top + kLabelSpacing / 2)) +
                   L"/>\n";
            const std::wstring cls = label.problem ? L"problem" : L"";
            svg += TextTag(x, top + 11, label.first, cls) +
                   TextTag(x, top + 11 + kLineHeight, label.second, cls);
        }
        return svg;
    }

    const MemoryMap& map_;
    MapMemory memory_;
    bool flash_;
    std::uint32_t bytesPerPixel_;
    std::uint32_t size_;
    int left_;
    std::vector<const MapRegion*> regions_;
    std::vector<int> lanes_;
    int laneCount_ = 1;
    std::vector<std::pair<std::size_t, MemoryPlace>> sau_;
    std::vector<Label> labels_;
    std::vector<int> labelRows_;
    int labelWidth_ = 0;
    int bottom_ = 0;
};

const MapRegion* CodeRegionOf(const MemoryMap& map, int project) {
    for (const MapRegion& region : map.regions) {
        if (region.kind == RegionKind::Code && region.project == project &&
            region.place.memory == MapMemory::Flash) {
            return &region;
        }
    }
    return nullptr;
}

// The links whose both ends have code in the flash: those get an arrow.
std::vector<MapBootLink> DrawnBootLinks(const MemoryMap& map) {
    std::vector<MapBootLink> links;
    for (const MapBootLink& link : map.boot) {
        if (link.to >= 0 && CodeRegionOf(map, link.from) && CodeRegionOf(map, link.to))
            links.push_back(link);
    }
    return links;
}

std::wstring BootArrows(const MemoryMap& map, const MemoryColumn& flash,
                        const std::vector<MapBootLink>& links) {
    std::wstring svg;
    const int edge = flash.left() - 2;
    for (std::size_t k = 0; k < links.size(); ++k) {
        const MapProject& from = map.projects[static_cast<std::size_t>(links[k].from)];
        const MapProject& to = map.projects[static_cast<std::size_t>(links[k].to)];
        const int start = flash.MiddleRow(*CodeRegionOf(map, links[k].from));
        const int end = flash.MiddleRow(*CodeRegionOf(map, links[k].to));
        const int bend = edge - kBootGutter + 4 - static_cast<int>(k + 1) * kBootStep;
        svg += L"<path class=\"boot\"" + Attr(L"data-from", from.name) + Attr(L"data-to", to.name) +
               Attr(L"d", L"M" + Num(edge) + L"," + Num(start) + L" H" + Num(bend) + L" V" +
                              Num(end) + L" H" + Num(edge - 1)) +
               L" marker-end=\"url(#arrow)\"><title>" + Esc(from.name + L" boots " + to.name) +
               L"</title></path>\n";
    }
    return svg;
}

std::wstring Legend(int y) {
    struct Entry {
        const wchar_t* cls;
        const wchar_t* text;
    };
    const Entry entries[] = {{L"world secure", L"secure"},        {L"world nonsecure", L"non-secure"},
                             {L"world nsc", L"non-secure callable"}, {L"region xom", L"XOM"},
                             {L"sau", L"SAU region"},             {L"region other problem", L"problem"}};
    std::wstring svg;
    int x = kMargin;
    for (const Entry& entry : entries) {
        svg += L"<rect" + Attr(L"class", entry.cls) + RectTag(x, y - 10, 14, 12) + L"/>\n" +
               TextTag(x + 18, y, entry.text);
        x += 26 + TextWidth(entry.text);
    }
    return svg;
}

std::wstring Peripherals(const MemoryMap& map, int top) {
    std::wstring svg = TextTag(kMargin, top, L"Peripherals", L"heading");
    for (std::size_t i = 0; i < map.peripherals.size(); ++i) {
        const MapPeripheral& p = map.peripherals[i];
        const int x = kMargin + static_cast<int>(i % kPeripheralColumns) * kPeripheralWidth;
        const int y = top + 10 + static_cast<int>(i / kPeripheralColumns) * kPeripheralHeight;
        const wchar_t* world = p.nonSecure ? L"nonsecure" : L"secure";
        svg += L"<g" + Attr(L"class", std::wstring(L"peripheral ") + world) + Attr(L"data-world", world) +
               L"><rect" + RectTag(x, y, kPeripheralWidth, kPeripheralHeight) + L"/>" +
               TextTag(x + 6, y + 15, p.name) + L"</g>\n";
    }
    return svg;
}

int PeripheralRows(const MemoryMap& map) {
    return static_cast<int>((map.peripherals.size() + kPeripheralColumns - 1) / kPeripheralColumns);
}

std::wstring BootChainText(const MemoryMap& map, int top) {
    std::wstring svg = TextTag(kMargin, top, L"Boot chain", L"heading");
    const std::vector<std::wstring> lines = BootChainLines(map);
    if (lines.empty()) return svg + TextTag(kMargin, top + 16, L"No project starts another.");
    for (std::size_t i = 0; i < lines.size(); ++i)
        svg += TextTag(kMargin, top + 16 + static_cast<int>(i) * 15, lines[i]);
    return svg;
}

std::wstring Svg(const MemoryMap& map) {
    const std::vector<MapBootLink> links = DrawnBootLinks(map);
    const int gutter = kBootGutter + static_cast<int>(links.size()) * kBootStep;
    MemoryColumn flash(map, MapMemory::Flash, kMargin + gutter);
    MemoryColumn sram(map, MapMemory::Sram, flash.right() + kColumnGap);
    std::wstring body = TextTag(kMargin, 30, L"Memory map", L"title");
    body += TextTag(kMargin, 50, VerdictText(map), map.firstValidationError ? L"problem" : L"");
    if (!map.problems.empty()) {
        body += TextTag(kMargin, 66,
                        std::to_wstring(map.problems.size()) +
                            (map.problems.size() == 1 ? L" problem" : L" problems") +
                            L" in the map, listed below it",
                        L"problem");
    }
    body += Legend(88);
    body += flash.Draw() + sram.Draw() + BootArrows(map, flash, links);
    const int peripheralsTop = std::max(flash.bottom(), sram.bottom()) + 40;
    body += Peripherals(map, peripheralsTop);
    const int chainTop = peripheralsTop + 10 + PeripheralRows(map) * kPeripheralHeight + 30;
    body += BootChainText(map, chainTop);
    const int height =
        chainTop + 16 + static_cast<int>(std::max<std::size_t>(BootChainLines(map).size(), 1)) * 15 +
        kMargin;
    const int width = std::max(sram.right(), kMargin + kPeripheralColumns * kPeripheralWidth) + kMargin;
    return L"<svg xmlns=\"http://www.w3.org/2000/svg\"" + Attr(L"width", width) +
           Attr(L"height", height) + Attr(L"viewBox", L"0 0 " + Num(width) + L" " + Num(height)) +
           L">\n<defs><marker id=\"arrow\" viewBox=\"0 0 10 10\" refX=\"9\" refY=\"5\" "
           L"markerWidth=\"7\" markerHeight=\"7\" orient=\"auto\"><path d=\"M0,0 L10,5 L0,10 z\"/>"
           L"</marker></defs>\n" +
           body + L"</svg>\n";
}

// --- The tables after the drawing ---------------------------------------------------

std::wstring Cell(const std::wstring& text, bool hex = false) {
    return std::wstring(hex ? L"<td class=\"hex\">" : L"<td>") + Esc(text) + L"</td>";
}

// addressColumns: the cells set in the fixed-width face.
std::wstring Row(const std::vector<std::wstring>& cells, bool problem,
                 std::initializer_list<std::size_t> addressColumns) {
    std::wstring html = problem ? L"<tr class=\"problem\">" : L"<tr>";
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const bool address = std::find(addressColumns.begin(), addressColumns.end(), i) != addressColumns.end();
        html += Cell(cells[i], address);
    }
    return html + L"</tr>\n";
}

std::wstring Header(const std::vector<std::wstring>& titles) {
    std::wstring html = L"<tr>";
    for (const std::wstring& title : titles) html += L"<th>" + Esc(title) + L"</th>";
    return html + L"</tr>\n";
}

std::wstring RegionTable(const MemoryMap& map) {
    std::wstring html = L"<h2>Regions of the projects</h2>\n<table>\n" +
                        Header({L"Project", L"State", L"Region", L"Bounds", L"Size"});
    for (const MapRegion* region : RegionsByProject(map)) {
        const MapProject& project = map.projects[static_cast<std::size_t>(region->project)];
        html += Row({project.name, WorldText(project), RegionKindText(*region),
                     BoundsText(region->base, region->size), SizeText(region->size)},
                    region->problem, {3});
    }
    return html + L"</table>\n";
}

std::wstring XomRegionTable(const MemoryMap& map) {
    std::wstring html = L"<h2>XOM regions</h2>\n<table>\n" +
                        Header({L"XOM", L"Bounds", L"Size", L"Owner", L"XOM table names"});
    for (const MapRegion* region : XomRegionsByIndex(map)) {
        const std::wstring owner =
            region->project >= 0 ? map.projects[static_cast<std::size_t>(region->project)].name
                                 : L"(unused)";
        html += Row({RegionKindText(*region), BoundsText(region->base, region->size),
                     SizeText(region->size), owner, region->xomTableName},
                    region->problem, {1});
    }
    return html + L"</table>\n";
}

std::wstring SauTable(const MemoryMap& map) {
    std::wstring html = L"<h2>SAU regions of the partition header</h2>\n<table>\n" +
                        Header({L"Region", L"Base", L"Limit", L"Attribute", L"NSC areas of"});
    for (std::size_t i = 0; i < map.sau.regions.size(); ++i) {
        const SauRegion& sau = map.sau.regions[i];
        html += Row({std::to_wstring(i), AddressText(sau.base), AddressText(sau.limit),
                     SauAttributeText(sau), SauOwnersText(sau)},
                    !map.sau.Fits() && i >= kSauRegionCount, {1, 2});
    }
    return html + L"</table>\n";
}

std::wstring List(const std::wstring& title, const std::vector<std::wstring>& items,
                  const std::wstring& none, const wchar_t* itemClass) {
    std::wstring html = L"<h2>" + Esc(title) + L"</h2>\n";
    if (items.empty()) return html + L"<p>" + Esc(none) + L"</p>\n";
    html += L"<ul>\n";
    for (const std::wstring& item : items)
        html += L"<li" + (itemClass ? Attr(L"class", itemClass) : L"") + L">" + Esc(item) + L"</li>\n";
    return html + L"</ul>\n";
}

}  // namespace

std::string MemoryMapHtml(const MemoryMap& map) {
    std::wstring html = L"<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                        L"<title>Memory map</title>\n<style>";
    html += kStyle;
    html += L"</style>\n</head>\n<body>\n";
    html += Svg(map);
    html += RegionTable(map) + XomRegionTable(map) + SauTable(map);
    html += List(L"Boot chain", BootChainLines(map), L"No project starts another.", nullptr);
    html += List(L"Problems", map.problems, L"None found in the map.", L"problem");
    html += L"</body>\n</html>\n";
    return WideToUtf8(html);
}

}  // namespace velmora
