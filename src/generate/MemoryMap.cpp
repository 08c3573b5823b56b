#include "generate/MemoryMap.h"

#include <algorithm>
#include <set>

#include "generate/GenerationContext.h"
#include "generate/GeneratorHex.h"
#include "model/ChipMemoryMap.h"
#include "platform/Format.h"

namespace velmora {
namespace {

using namespace ChipMemoryMap;

struct View {
    std::uint32_t start;
    std::uint32_t size;
    MapMemory memory;
    bool nonSecure;
};

constexpr View kViews[] = {
    {flashBase, flashSize, MapMemory::Flash, false},
    {flashNsAlias, flashSize, MapMemory::Flash, true},
    {sramBase, sramSize, MapMemory::Sram, false},
    {sramNsAlias, sramSize, MapMemory::Sram, true},
};

std::uint32_t ClampedDistance(std::uint32_t value, std::uint32_t from, std::uint32_t limit) {
    if (value < from) return 0;
    return std::min(value - from, limit);
}

MapWorld WorldOf(const ProjectEntry& entry) {
    if (IsSecureProject(entry)) return MapWorld::Secure;
    if (IsNonSecureProject(entry)) return MapWorld::NonSecure;
    return MapWorld::Other;
}

std::wstring ProjectLabel(const MapProject& project) {
    return project.name.empty() ? std::wstring(L"(no name)") : project.name;
}

// Fills one map step by step; each step adds its regions and the problems it sees.
class MapBuilder {
public:
    MapBuilder(const PartitionConfig& config, MemoryMap& map) : config_(config), map_(map) {}

    void AddBoundaries() {
        map_.nsba = config_.nsba;
        map_.sramNsba = config_.sramNsba;
        map_.secureFlashSize = ClampedDistance(config_.nsba, flashNsAlias, flashSize);
        map_.secureSramSize = ClampedDistance(config_.sramNsba, sramNsAlias, sramSize);
    }

    void AddProjects() {
        for (int row = 0; row < config_.projects.size(); ++row) {
            const ProjectEntry& entry = config_.projects.rows[static_cast<std::size_t>(row)];
            map_.projects.push_back({entry.name, entry.stateText, WorldOf(entry), entry.nextBoot});
            AddProjectRegions(row, entry);
        }
    }

    void AddXomRegions() {
        for (int k = 0; k < kXomRegionCount; ++k) {
            const XomRegion& row = config_.xomRegions[static_cast<std::size_t>(k)];
            MapRegion region = Region(RegionKind::Xom, OwnerOfXom(k), ReadGeneratorHex(row.base),
                                      ReadGeneratorHex(row.size));
            region.xomIndex = k;
            region.xomTableName = row.projectName;
            if (region.project < 0 && row.projectName.empty()) {
                map_.unusedXom.push_back(region);
                continue;
            }
            map_.regions.push_back(region);
            CheckXomNames(map_.regions.size() - 1);
            if (region.project >= 0) CheckFlashWorld(map_.regions.size() - 1);
        }
    }

    void CheckOverlaps() {
        std::vector<MapRegion>& regions = map_.regions;
        for (std::size_t i = 0; i < regions.size(); ++i) {
            for (std::size_t j = i + 1; j < regions.size(); ++j) {
                if (!SharesFlash(regions[i], regions[j])) continue;
                Problem({i, j}, Described(regions[i]) + L" overlaps " + Described(regions[j]));
            }
        }
    }

    void AddSau() {
        map_.sau = PlanSauRegions(config_);
        if (!map_.sau.Fits()) map_.problems.push_back(SauOverflowText(map_.sau));
    }

    void AddBootLinks() {
        for (int row = 0; row < config_.projects.size(); ++row) {
            const ProjectEntry& entry = config_.projects.rows[static_cast<std::size_t>(row)];
            if (entry.nextBoot.empty()) continue;
            const int to = NextBootRow(entry, config_.projects);
            map_.boot.push_back({row, to});
            CheckBootLink(row, to);
        }
    }

    void AddPeripherals() {
        for (const PeripheralEntry& p : config_.peripherals) map_.peripherals.push_back({p.name, p.state != 0});
    }

private:
    MapRegion Region(RegionKind kind, int project, std::uint32_t base, std::uint64_t size) const {
        MapRegion region;
        region.kind = kind;
        region.project = project;
        region.base = base;
        region.size = size;
        region.place = LocateRange(base, size);
        return region;
    }

    void AddProjectRegions(int row, const ProjectEntry& entry) {
        const MapWorld world = map_.projects.back().world;
        if (world == MapWorld::Other) {
            map_.problems.push_back(ProjectLabel(map_.projects.back()) + L": State \"" +
                                    entry.stateText + L"\" is neither S nor NS");
        }
        map_.regions.push_back(Region(RegionKind::Code, row, ReadGeneratorHex(entry.roBase),
                                      ReadGeneratorHex(entry.roSize)));
        CheckFlashWorld(map_.regions.size() - 1);
        const std::uint32_t nscSize = ReadGeneratorHex(entry.nscSize);
        if (world == MapWorld::Secure && nscSize != 0) {
            map_.regions.push_back(
                Region(RegionKind::Nsc, row, ReadGeneratorHex(entry.nscBase), nscSize));
            CheckFlashWorld(map_.regions.size() - 1);
        }
        AddDataRegion(row, world, ReadGeneratorHex(entry.rwBase));
    }

    // The data region runs from the RW base to the end of its world's SRAM, as the
    // scripts set it; a base outside that part gets an empty region where it points.
    void AddDataRegion(int row, MapWorld world, std::uint32_t rwBase) {
        MapRegion region = Region(RegionKind::Data, row, rwBase, 1);
        const bool inSram = region.place.memory == MapMemory::Sram;
        std::uint64_t end = sramSize;
        bool inWorld = inSram;
        if (world == MapWorld::Secure) {
            end = map_.secureSramSize;
            inWorld = inSram && !region.place.nonSecureView && region.place.offset < end;
        } else if (world == MapWorld::NonSecure) {
            inWorld = inSram && region.place.nonSecureView &&
                      region.place.offset >= map_.secureSramSize;
        }
        region.size = inWorld ? end - region.place.offset : 0;
        region.place = LocateRange(rwBase, region.size);
        map_.regions.push_back(region);
        if (!inSram) {
            Problem({map_.regions.size() - 1}, Described(region) + L" lies outside the SRAM");
        } else if (!inWorld) {
            Problem({map_.regions.size() - 1}, RegionTitle(map_, region) + L" base " +
                                                   AddressText(rwBase) + L" is not inside " +
                                                   WorldPart(MapMemory::Sram, world));
        }
    }

    int OwnerOfXom(int k) const {
        for (int row = 0; row < config_.projects.size(); ++row) {
            const ProjectEntry& entry = config_.projects.rows[static_cast<std::size_t>(row)];
            if (entry.xomCells[static_cast<std::size_t>(k)] == XomCellState::Owned) return row;
        }
        return -1;
    }

    void CheckXomNames(std::size_t index) {
        const MapRegion& region = map_.regions[index];
        const std::wstring xom = L"XOM" + std::to_wstring(region.xomIndex);
        if (region.project < 0) {
            Problem({index}, xom + L": the XOM table names " + region.xomTableName +
                                 L", but no project owns it");
            return;
        }
        const std::wstring& owner = map_.projects[static_cast<std::size_t>(region.project)].name;
        if (region.xomTableName != owner) {
            Problem({index}, xom + L" belongs to " + owner + L", but the XOM table names " +
                                 (region.xomTableName.empty() ? std::wstring(L"nobody")
                                                              : region.xomTableName));
        }
    }

    // Code, NSC and XOM regions: in the flash, inside their project's part of it.
    void CheckFlashWorld(std::size_t index) {
        const MapRegion& region = map_.regions[index];
        const MemoryPlace& place = region.place;
        if (place.memory != MapMemory::Flash) {
            Problem({index}, Described(region) + L" lies outside the flash");
            return;
        }
        if (place.clipped) Problem({index}, Described(region) + L" runs past the end of the flash");
        const MapWorld world = map_.projects[static_cast<std::size_t>(region.project)].world;
        const bool secureFits = !place.nonSecureView && place.offsetEnd <= map_.secureFlashSize;
        const bool nonSecureFits = place.nonSecureView && place.offset >= map_.secureFlashSize;
        if ((world == MapWorld::Secure && !secureFits) ||
            (world == MapWorld::NonSecure && !nonSecureFits)) {
            Problem({index},
                    Described(region) + L" is not inside " + WorldPart(MapMemory::Flash, world));
        }
    }

    void CheckBootLink(int from, int to) {
        const MapProject& source = map_.projects[static_cast<std::size_t>(from)];
        if (to < 0) {
            map_.problems.push_back(ProjectLabel(source) + L" boots " + source.nextBoot +
                                    L", which is no project");
        } else if (to == from) {
            map_.problems.push_back(ProjectLabel(source) + L" boots itself");
        } else if (source.world == MapWorld::NonSecure &&
                   map_.projects[static_cast<std::size_t>(to)].world == MapWorld::Secure) {
            map_.problems.push_back(L"the non-secure " + ProjectLabel(source) +
                                    L" cannot start the secure " +
                                    ProjectLabel(map_.projects[static_cast<std::size_t>(to)]));
        }
    }

    bool SharesFlash(const MapRegion& a, const MapRegion& b) const {
        if (a.kind == RegionKind::Data || b.kind == RegionKind::Data) return false;
        if (a.place.memory != MapMemory::Flash || b.place.memory != MapMemory::Flash) return false;
        return a.place.offset < b.place.offsetEnd && b.place.offset < a.place.offsetEnd;
    }

    std::wstring Described(const MapRegion& region) const {
        return RegionTitle(map_, region) + L" " + BoundsText(region.base, region.size);
    }

    std::wstring WorldPart(MapMemory memory, MapWorld world) const {
        const bool flash = memory == MapMemory::Flash;
        const std::wstring name = flash ? L"flash" : L"SRAM";
        if (world == MapWorld::Secure) {
            return L"the secure " + name + L" " +
                   BoundsText(flash ? flashBase : sramBase,
                              flash ? map_.secureFlashSize : map_.secureSramSize);
        }
        const std::uint32_t start = flash ? flashNsAlias + map_.secureFlashSize
                                          : sramNsAlias + map_.secureSramSize;
        const std::uint32_t size =
            flash ? flashSize - map_.secureFlashSize : sramSize - map_.secureSramSize;
        return L"the non-secure " + name + L" " + BoundsText(start, size);
    }

    void Problem(std::initializer_list<std::size_t> regions, std::wstring text) {
        for (std::size_t index : regions) map_.regions[index].problem = true;
        map_.problems.push_back(std::move(text));
    }

    const PartitionConfig& config_;
    MemoryMap& map_;
};

// The chain from start, each project once; where it ends it says why.
std::wstring ChainFrom(const MemoryMap& map, int start, std::vector<bool>& printed) {
    std::wstring line = ProjectLabel(map.projects[static_cast<std::size_t>(start)]);
    std::set<int> seen{start};
    printed[static_cast<std::size_t>(start)] = true;
    for (int at = start;;) {
        const auto link = std::find_if(map.boot.begin(), map.boot.end(),
                                       [at](const MapBootLink& l) { return l.from == at; });
        if (link == map.boot.end()) return line;
        const MapProject& source = map.projects[static_cast<std::size_t>(at)];
        if (link->to < 0) return line + L" -> " + source.nextBoot + L" (no such project)";
        line += L" -> " + ProjectLabel(map.projects[static_cast<std::size_t>(link->to)]);
        if (!seen.insert(link->to).second) return line + L" (again)";
        printed[static_cast<std::size_t>(link->to)] = true;
        at = link->to;
    }
}

}  // namespace

MemoryPlace LocateRange(std::uint32_t base, std::uint64_t size) {
    MemoryPlace place;
    for (const View& view : kViews) {
        if (base < view.start || base - view.start >= view.size) continue;
        place.memory = view.memory;
        place.nonSecureView = view.nonSecure;
        place.offset = base - view.start;
        place.offsetEnd = std::min<std::uint64_t>(place.offset + size, view.size);
        place.clipped = place.offset + size > view.size;
        break;
    }
    return place;
}

MemoryMap BuildMemoryMap(const PartitionConfig& config,
                         std::optional<std::wstring> firstValidationError) {
    MemoryMap map;
    map.firstValidationError = std::move(firstValidationError);
    MapBuilder builder(config, map);
    builder.AddBoundaries();
    builder.AddProjects();
    builder.AddXomRegions();
    builder.CheckOverlaps();
    builder.AddSau();
    builder.AddBootLinks();
    builder.AddPeripherals();
    return map;
}

std::vector<const MapRegion*> RegionsByProject(const MemoryMap& map) {
    std::vector<const MapRegion*> regions;
    for (const MapRegion& region : map.regions)
        if (region.project >= 0) regions.push_back(&region);
    std::stable_sort(regions.begin(), regions.end(),
                     [](const MapRegion* a, const MapRegion* b) { return a->project < b->project; });
    return regions;
}

std::vector<const MapRegion*> XomRegionsByIndex(const MemoryMap& map) {
    std::vector<const MapRegion*> regions;
    for (const MapRegion& region : map.regions)
        if (region.kind == RegionKind::Xom) regions.push_back(&region);
    for (const MapRegion& region : map.unusedXom) regions.push_back(&region);
    std::sort(regions.begin(), regions.end(),
              [](const MapRegion* a, const MapRegion* b) { return a->xomIndex < b->xomIndex; });
    return regions;
}

std::wstring RegionKindText(const MapRegion& region) {
    switch (region.kind) {
        case RegionKind::Code: return L"code";
        case RegionKind::Nsc: return L"NSC";
        case RegionKind::Data: return L"data";
        case RegionKind::Xom: break;
    }
    return L"XOM" + std::to_wstring(region.xomIndex);
}

std::wstring RegionTitle(const MemoryMap& map, const MapRegion& region) {
    const bool owned = region.project >= 0;
    const std::wstring owner =
        owned ? ProjectLabel(map.projects[static_cast<std::size_t>(region.project)]) : L"";
    if (region.kind != RegionKind::Xom) return owner + L" " + RegionKindText(region);
    if (owned) return RegionKindText(region) + L" of " + owner;
    return RegionKindText(region);
}

std::wstring WorldText(const MapProject& project) {
    switch (project.world) {
        case MapWorld::Secure: return L"S";
        case MapWorld::NonSecure: return L"NS";
        case MapWorld::Other: break;
    }
    return L"\"" + project.stateText + L"\"";
}

std::wstring VerdictText(const MemoryMap& map) {
    if (!map.firstValidationError) return L"The configuration passes every check of Create Template.";
    const std::wstring& message = *map.firstValidationError;
    const std::size_t first = message.find_first_not_of(L' ');
    return L"Create Template refuses it: " +
           (first == std::wstring::npos ? message : message.substr(first));
}

std::wstring AddressText(std::uint32_t address) {
    return Format(L"0x%08X", static_cast<unsigned>(address));
}

std::uint32_t LastByte(std::uint32_t base, std::uint64_t size) {
    const std::uint64_t last = std::uint64_t{base} + size - 1;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(last, 0xFFFFFFFFu));
}

std::wstring BoundsText(std::uint32_t base, std::uint64_t size) {
    if (size == 0) return AddressText(base) + L" (empty)";
    return AddressText(base) + L"-" + AddressText(LastByte(base, size));
}

std::wstring SizeText(std::uint64_t size) {
    if (size != 0 && size % 1024 == 0) return std::to_wstring(size / 1024) + L" KB";
    return std::to_wstring(size) + (size == 1 ? L" byte" : L" bytes");
}

std::vector<std::wstring> BootChainLines(const MemoryMap& map) {
    std::vector<bool> started(map.projects.size(), false);
    std::vector<bool> starts(map.projects.size(), false);
    for (const MapBootLink& link : map.boot) {
        starts[static_cast<std::size_t>(link.from)] = true;
        if (link.to >= 0 && link.to != link.from) started[static_cast<std::size_t>(link.to)] = true;
    }
    std::vector<bool> printed(map.projects.size(), false);
    std::vector<std::wstring> lines;
    for (std::size_t row = 0; row < map.projects.size(); ++row) {
        if (starts[row] && !started[row]) lines.push_back(ChainFrom(map, static_cast<int>(row), printed));
    }
    // What is left lies on cycles that nothing outside starts.
    for (std::size_t row = 0; row < map.projects.size(); ++row) {
        if (starts[row] && !printed[row]) lines.push_back(ChainFrom(map, static_cast<int>(row), printed));
    }
    return lines;
}

}  // namespace velmora
