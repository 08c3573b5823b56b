#pragma once
// The memory map of a configuration: where each project's code, NSC and data
// regions lie in the V6048's flash and SRAM, the XOM regions and their owners,
// the SAU regions the partition header programs, the peripherals by world and
// the boot chain. Built for any configuration the dialog can hold, valid or not:
// cells are read as generation reads them (ReadGeneratorHex), and what is wrong
// is marked as a problem instead of refused.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "generate/SauPlan.h"
#include "model/PartitionConfig.h"

namespace velmora {

enum class MapMemory { None, Flash, Sram };
// A project's world: State "S", "NS", or any other text.
enum class MapWorld { Secure, NonSecure, Other };
enum class RegionKind { Code, Nsc, Data, Xom };

// Where an address range lies: the memory whose secure or non-secure view holds
// its base, and its offsets from the start of that view. offsetEnd is clipped to
// the memory's size; memory is None (and the offsets 0) for a base in neither.
struct MemoryPlace {
    MapMemory memory = MapMemory::None;
    bool nonSecureView = false;
    std::uint64_t offset = 0;
    std::uint64_t offsetEnd = 0;
    bool clipped = false;  // the range runs past the end of its memory
};

MemoryPlace LocateRange(std::uint32_t base, std::uint64_t size);

struct MapRegion {
    RegionKind kind = RegionKind::Code;
    int project = -1;   // row of the project it belongs to; -1 for a XOM region no row owns
    int xomIndex = -1;  // 0..3 for a XOM region
    std::uint32_t base = 0;
    std::uint64_t size = 0;  // base + size may pass 4 GB
    MemoryPlace place;
    bool problem = false;  // one of the map's problems concerns it
    std::wstring xomTableName;  // XOM regions: the XOM table's Project cell
};

struct MapProject {
    std::wstring name;
    std::wstring stateText;
    MapWorld world = MapWorld::Other;
    std::wstring nextBoot;
};

struct MapBootLink {
    int from = -1;
    int to = -1;  // -1: no row has the Next Boot name
};

struct MapPeripheral {
    std::wstring name;
    bool nonSecure = false;
};

struct MemoryMap {
    std::uint32_t nsba = 0;
    std::uint32_t sramNsba = 0;
    std::uint32_t secureFlashSize = 0;  // from the flash boundary, within 0..512 KB
    std::uint32_t secureSramSize = 0;   // from the SRAM boundary, within 0..96 KB
    std::vector<MapProject> projects;
    // Per project in row order: code, NSC (secure rows with an NSC size), data;
    // then the XOM regions that a row owns or the XOM table names.
    std::vector<MapRegion> regions;
    std::vector<MapRegion> unusedXom;  // the other XOM rows, listed but not drawn
    SauPlan sau;
    std::vector<MapPeripheral> peripherals;
    std::vector<MapBootLink> boot;
    std::vector<std::wstring> problems;
    // What validation said: its first message, or nothing when the configuration passes.
    std::optional<std::wstring> firstValidationError;
};

// The regions that belong to a project, grouped by project in row order (code,
// NSC, data, then the XOM regions it owns).
std::vector<const MapRegion*> RegionsByProject(const MemoryMap& map);

// All four XOM regions, drawn or unused, by index.
std::vector<const MapRegion*> XomRegionsByIndex(const MemoryMap& map);

// The map of the configuration as it stands. Never fails.
MemoryMap BuildMemoryMap(const PartitionConfig& config,
                         std::optional<std::wstring> firstValidationError);

// "SecureApp code", "SecureApp NSC", "SecureApp data", "XOM1 of SecureApp", "XOM3".
std::wstring RegionTitle(const MemoryMap& map, const MapRegion& region);
// "code", "NSC", "data", "XOM1".
std::wstring RegionKindText(const MapRegion& region);
// "S", "NS", or the State text as typed in quotes.
std::wstring WorldText(const MapProject& project);

// "The configuration passes every check of Create Template." or "Create Template
// refuses it: " and validation's first message (without its leading blanks).
std::wstring VerdictText(const MemoryMap& map);

// "0x0003F000".
std::wstring AddressText(std::uint32_t address);
// The last byte of a region: base + size - 1, or 0xFFFFFFFF when that passes 4 GB.
std::uint32_t LastByte(std::uint32_t base, std::uint64_t size);
// "0x00000000-0x0001FFFF", or "0x0003F000 (empty)" for size 0.
std::wstring BoundsText(std::uint32_t base, std::uint64_t size);
// "128 KB" for whole kilobytes, otherwise "262143 bytes".
std::wstring SizeText(std::uint64_t size);

// The boot chains, one line each, from every project that no other starts:
// "SecureApp -> NonSecureApp"; a name no row has ends a chain as
// "X -> Y (no such project)", a project met again as "... -> A (again)". Projects
// that start nothing and are started by none are left out.
std::vector<std::wstring> BootChainLines(const MemoryMap& map);

}  // namespace velmora
