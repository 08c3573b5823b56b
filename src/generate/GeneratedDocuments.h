#pragma once
// The two documents every generation leaves in the output folder: MemoryMap.html
// and README.md. Each starts with a marker line; a file of that name without it
// is the user's and stays untouched.

#include <string>
#include <vector>

#include "generate/FailedOperations.h"
#include "generate/GenerationContext.h"
#include "model/PartitionConfig.h"

namespace velmora {

// The first line of the documents we write: "<!-- Written by Velmora's Create
// Template; the next run replaces this file. -->".
extern const char* const kGeneratedDocumentMarker;

// Writes both documents into context.outputFolder when the table has a row, each
// atomically: the map of the
// configuration (which passed validation) and the README. A document that cannot
// be written is a failed operation ("Unable to write PATH"); an existing file of
// that name that does not start with the marker is left as it is, with a warning.
void WriteGeneratedDocuments(const PartitionConfig& config, const GenerationContext& context,
                             FailedOperations& failures, std::vector<std::wstring>& warnings);

}  // namespace velmora
