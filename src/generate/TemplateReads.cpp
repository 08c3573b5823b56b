#include "generate/TemplateReads.h"

namespace velmora {

bool TemplateReads::List(const std::wstring& folder, std::vector<fs::DirectoryEntry>& entries) {
    auto [found, fresh] = listings_.try_emplace(folder);
    if (fresh) found->second.read = fs::ListDirectoryChecked(fs::ToPath(folder), found->second.entries);
    entries = found->second.entries;
    return found->second.read;
}

bool TemplateReads::Identity(const std::wstring& folder, fs::FileIdentity& identity) {
    auto [found, fresh] = identities_.try_emplace(folder);
    if (fresh) found->second.known = fs::IdentityOf(fs::ToPath(folder), found->second.identity);
    identity = found->second.identity;
    return found->second.known;
}

fs::Confined TemplateReads::Read(const std::wstring& file, const fs::CopySource*& source) {
    auto [found, fresh] = files_.try_emplace(file);
    if (fresh) found->second.read = fs::ReadCopySource(fs::ToPath(file), found->second.source);
    source = &found->second.source;
    return found->second.read;
}

fs::Confined CopyTemplateFile(TemplateReads* reads, const std::wstring& from,
                              const std::wstring& root, const std::wstring& to) {
    if (reads == nullptr) return fs::CopyIntoBelow(fs::ToPath(from), fs::ToPath(root), fs::ToPath(to));
    const fs::CopySource* source = nullptr;
    const fs::Confined read = reads->Read(from, source);
    if (read != fs::Confined::Done) return read;
    return fs::CopyIntoBelow(*source, fs::ToPath(root), fs::ToPath(to));
}

}  // namespace velmora
