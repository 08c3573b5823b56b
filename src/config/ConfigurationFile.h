#pragma once
// The configuration file "./default.kiv": loading it into the partition model,
// the defaults of a first run, and writing the model back. The store keeps every
// section and value of the file, known or not, and writes them back in place.

#include <string>

#include "config/CIniFile.h"
#include "model/PartitionConfig.h"

namespace velmora {

// Relative to the current working directory.
inline constexpr const wchar_t* kConfigurationPath = L"./default.kiv";

// Sets store.path to path, reads it and fills the configuration: paths, the two
// boundaries (as stored, not yet positioned), one project row per section PRJn with
// at least 8 values (gaps are passed over up to PRJ99; beyond it the first missing
// section ends the rows), the four XOM rows and the peripheral states.
// Returns true when the file was used; false when it could not be read or has no
// section PRJ0, in which case BuildDefaultConfiguration ran (merging into whatever
// the store already held; an unreadable file has shown "Unable to open ini file.").
bool LoadConfiguration(CIniFile& store, PartitionConfig& config,
                       const std::wstring& path = kConfigurationPath);

// The first-run configuration, in the store and in the model: boundaries 0x80000 and
// 0x8000, FNSBA 0x40000, one secure project "Secure", empty XOM rows, every
// peripheral non-secure except the always-secure ones. The path fields are left alone.
void BuildDefaultConfiguration(CIniFile& store, PartitionConfig& config);

// Copies the configuration into the store, removes every section PRJn whose n is
// the row count or more, and writes the store to store.path (kConfigurationPath
// when it is empty). Takes time linear in the size of the store. Returns Write's
// result: false when the file could not be replaced, the old file is then
// unchanged and "Unable to write ini file." has been shown.
bool SaveConfiguration(CIniFile& store, const PartitionConfig& config);

// Asked after "Unable to write ini file." when the dialog closes.
inline constexpr const wchar_t* kCloseWithoutSavingQuestion =
    L"The configuration could not be saved to default.kiv.\n\n"
    L"Close Velmora anyway? Your changes would be lost.";

// SaveConfiguration for a window that is closing; true when it may close. A
// successful save asks nothing. After a failed one the person is asked
// kCloseWithoutSavingQuestion (caption "Velmora", Yes/No): Yes gives true, No
// gives false, and the window stays open so that a later close saves again.
bool SaveConfigurationBeforeClosing(CIniFile& store, const PartitionConfig& config,
                                    Frontend& frontend);

// Brings nsba and sramNsba into the normalised form the track bars give them:
// each becomes the model value of its clamped track-bar position.
void PositionBoundaries(PartitionConfig& config);

// Start-up in one call: LoadConfiguration, then PositionBoundaries. Same result as
// LoadConfiguration.
bool LoadPositionedConfiguration(CIniFile& store, PartitionConfig& config,
                                 const std::wstring& path = kConfigurationPath);

}  // namespace velmora
