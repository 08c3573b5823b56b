#include "generate/GeneratedDocuments.h"

#include "generate/MemoryMap.h"
#include "generate/MemoryMapHtml.h"
#include "generate/ReadmeWriter.h"
#include "generate/TemplatePaths.h"
#include "platform/ConfinedFiles.h"

namespace velmora {

const char* const kGeneratedDocumentMarker =
    "<!-- Written by Velmora's Create Template; the next run replaces this file. -->\n";

namespace {

enum class Existing { None, Ours, Users, Unreadable, Refused };

// Like every write below the output folder, no link is followed: a link or a
// special file in the way is refused.
Existing WhatIsAt(const fs::Path& root, const fs::Path& path) {
    switch (fs::KindBelow(root, path)) {
        case fs::ConfinedKind::Missing: return Existing::None;
        case fs::ConfinedKind::RegularFile: break;
        case fs::ConfinedKind::Directory: return Existing::Unreadable;
        case fs::ConfinedKind::Other: return Existing::Refused;
    }
    std::string bytes;
    if (fs::ReadBelow(root, path, bytes) != fs::Confined::Done) return Existing::Unreadable;
    return bytes.rfind(kGeneratedDocumentMarker, 0) == 0 ? Existing::Ours : Existing::Users;
}

void WriteDocument(const std::wstring& folder, const std::wstring& path, const std::string& content,
                   FailedOperations& failures, std::vector<std::wstring>& warnings) {
    const fs::Path root = fs::ToPath(folder);
    const fs::Path target = fs::ToPath(path);
    switch (WhatIsAt(root, target)) {
        case Existing::Users:
            warnings.push_back(path + L" was not written by Velmora and was left as it is");
            return;
        case Existing::Unreadable: failures.fileNotWritten(path); return;
        case Existing::Refused: failures.notWrittenThroughLink(path); return;
        case Existing::None:
        case Existing::Ours: break;
    }
    const fs::Confined written = fs::WriteBelow(root, target, kGeneratedDocumentMarker + content);
    if (written == fs::Confined::Refused) {
        failures.notWrittenThroughLink(path);
    } else if (written != fs::Confined::Done) {
        failures.fileNotWritten(path);
    }
}

}  // namespace

void WriteGeneratedDocuments(const PartitionConfig& config, const GenerationContext& context,
                             FailedOperations& failures, std::vector<std::wstring>& warnings) {
    // As with the workspaces: an empty table generates nothing, so the folder stays empty.
    if (config.projects.rows.empty()) return;
    const MemoryMap map = BuildMemoryMap(config, std::nullopt);
    const std::wstring& o = context.outputFolder;
    WriteDocument(o, WorkspaceFile(o, L"MemoryMap.html"), MemoryMapHtml(map), failures, warnings);
    WriteDocument(o, WorkspaceFile(o, L"README.md"),
                  GeneratedReadme(map, {context.bspPath, context.rpath}), failures, warnings);
}

}  // namespace velmora
