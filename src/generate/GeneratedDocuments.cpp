#include "generate/GeneratedDocuments.h"

#include "generate/MemoryMap.h"
#include "generate/MemoryMapHtml.h"
#include "generate/ReadmeWriter.h"
#include "generate/TemplatePaths.h"
#include "platform/FileSystem.h"

namespace velmora {

const char* const kGeneratedDocumentMarker =
    "<!-- Written by Velmora's Create Template; the next run replaces this file. -->\n";

namespace {

enum class Existing { None, Ours, Users, Unreadable };

Existing WhatIsAt(const fs::Path& path) {
    if (!fs::Exists(path)) return Existing::None;
    // A folder in the way cannot be replaced (and is not read: reading one throws).
    if (fs::IsDirectory(path)) return Existing::Unreadable;
    std::string bytes;
    if (!fs::ReadFileBytes(path, bytes)) return Existing::Unreadable;
    return bytes.rfind(kGeneratedDocumentMarker, 0) == 0 ? Existing::Ours : Existing::Users;
}

void WriteDocument(const std::wstring& path, const std::string& content, FailedOperations& failures,
                   std::vector<std::wstring>& warnings) {
    const fs::Path target = fs::ToPath(path);
    switch (WhatIsAt(target)) {
        case Existing::Users:
            warnings.push_back(path + L" was not written by Velmora and was left as it is");
            return;
        case Existing::Unreadable: failures.fileNotWritten(path); return;
        case Existing::None:
        case Existing::Ours: break;
    }
    if (!fs::WriteFileAtomically(target, kGeneratedDocumentMarker + content))
        failures.fileNotWritten(path);
}

}  // namespace

void WriteGeneratedDocuments(const PartitionConfig& config, const GenerationContext& context,
                             FailedOperations& failures, std::vector<std::wstring>& warnings) {
    // As with the workspaces: an empty table generates nothing, so the folder stays empty.
    if (config.projects.rows.empty()) return;
    const MemoryMap map = BuildMemoryMap(config, std::nullopt);
    const std::wstring& o = context.outputFolder;
    WriteDocument(WorkspaceFile(o, L"MemoryMap.html"), MemoryMapHtml(map), failures, warnings);
    WriteDocument(WorkspaceFile(o, L"README.md"),
                  GeneratedReadme(map, {context.bspPath, context.rpath}), failures, warnings);
}

}  // namespace velmora
