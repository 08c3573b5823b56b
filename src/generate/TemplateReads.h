#pragma once
// What one generation has read of its templates. Every project copies the same
// template folder, and the template does not change while a generation runs, so
// each folder is listed and each file read once per generation, not per project.
// A read that failed fails again for every copy, as it would have.

#include <map>
#include <string>
#include <vector>

#include "platform/ConfinedFiles.h"
#include "platform/FileSystem.h"

namespace velmora {

class TemplateReads {
public:
    // fs::ListDirectoryChecked of folder.
    bool List(const std::wstring& folder, std::vector<fs::DirectoryEntry>& entries);
    // fs::IdentityOf folder.
    bool Identity(const std::wstring& folder, fs::FileIdentity& identity);
    // fs::ReadCopySource of file; source points at what was read (valid while this lives).
    fs::Confined Read(const std::wstring& file, const fs::CopySource*& source);

private:
    struct Listing {
        bool read = false;
        std::vector<fs::DirectoryEntry> entries;
    };
    struct Known {
        bool known = false;
        fs::FileIdentity identity;
    };
    struct File {
        fs::Confined read = fs::Confined::Failed;
        fs::CopySource source;
    };
    std::map<std::wstring, Listing> listings_;
    std::map<std::wstring, Known> identities_;
    std::map<std::wstring, File> files_;
};

// Copies the template file from into the output folder root at to, through reads
// when it is given; the failure, if any, as fs::CopyIntoBelow gives it.
fs::Confined CopyTemplateFile(TemplateReads* reads, const std::wstring& from,
                              const std::wstring& root, const std::wstring& to);

}  // namespace velmora
