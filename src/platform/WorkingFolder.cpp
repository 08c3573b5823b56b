#include "platform/WorkingFolder.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

#include "platform/FileSystem.h"
#include "platform/TextCodec.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace velmora {
namespace {

namespace stdfs = std::filesystem;

constexpr const char* kConfigurationName = "default.kiv";

enum class EntryKind { File, Folder, Other };

struct SourceEntry {
    fs::Path path;
    EntryKind kind;
};

// A symbolic link counts as Other: it is not followed out of the bundled folder.
EntryKind KindOf(const stdfs::directory_entry& entry) {
    std::error_code error;
    const stdfs::file_status status = entry.symlink_status(error);
    if (error) return EntryKind::Other;
    if (stdfs::is_regular_file(status)) return EntryKind::File;
    if (stdfs::is_directory(status)) return EntryKind::Folder;
    return EntryKind::Other;
}

// The folder's entries, sorted by name.
bool ListSource(const fs::Path& folder, std::vector<SourceEntry>& entries) {
    std::error_code error;
    stdfs::directory_iterator it(folder, error);
    if (error) return false;
    for (const stdfs::directory_iterator end; it != end; it.increment(error)) {
        if (error) return false;
        entries.push_back({it->path(), KindOf(*it)});
    }
    std::sort(entries.begin(), entries.end(), [](const SourceEntry& a, const SourceEntry& b) {
        return a.path.filename() < b.path.filename();
    });
    return true;
}

bool ExistsWithoutFollowing(const fs::Path& path) {
    std::error_code error;
    return stdfs::exists(stdfs::symlink_status(path, error));
}

bool CopyFileNoReplace(const fs::Path& from, const fs::Path& to) {
#ifdef _WIN32
    return CopyFileW(from.c_str(), to.c_str(), TRUE) != 0;
#else
    std::error_code error;
    return stdfs::copy_file(from, to, stdfs::copy_options::none, error) && !error;
#endif
}

class LayOut {
public:
    explicit LayOut(LayOutResult& result) : result_(result) {}

    // Copies the entries of from into to, but for the one named heldBack.
    void copyFolder(const fs::Path& from, const fs::Path& to, const fs::Path& heldBack = {}) {
        std::vector<SourceEntry> entries;
        if (!ListSource(from, entries)) {
            result_.failed.push_back(fs::ToText(to));
            return;
        }
        for (const SourceEntry& entry : entries) {
            if (entry.path.filename() != heldBack) copyEntry(entry, to / entry.path.filename());
        }
    }

    void copyEntry(const SourceEntry& entry, const fs::Path& to) {
        if (entry.kind == EntryKind::Other) {
            result_.skipped.push_back(fs::ToText(entry.path));
        } else if (entry.kind == EntryKind::Folder && fs::IsDirectory(to)) {
            copyFolder(entry.path, to);
        } else if (ExistsWithoutFollowing(to)) {
            result_.kept.push_back(fs::ToText(to));
        } else if (entry.kind == EntryKind::Folder) {
            if (fs::CreateOneDirectory(to)) {
                copyFolder(entry.path, to);
            } else {
                result_.failed.push_back(fs::ToText(to));
            }
        } else if (!CopyFileNoReplace(entry.path, to)) {
            result_.failed.push_back(fs::ToText(to));
        }
    }

private:
    LayOutResult& result_;
};

// The whole folder with its configuration last, and only when everything else
// arrived: a lay-out that failed halfway is not refused when it is run again.
void CopyWorkingFolder(const fs::Path& from, const fs::Path& to, LayOutResult& result) {
    const fs::Path configuration = from / kConfigurationName;
    LayOut layOut(result);
    layOut.copyFolder(from, to, configuration.filename());
    if (!result.failed.empty() || !ExistsWithoutFollowing(configuration)) return;
    std::error_code error;
    layOut.copyEntry({configuration, KindOf(stdfs::directory_entry(configuration, error))},
                     to / kConfigurationName);
}

std::wstring Environment(const char* name) {
#ifdef _WIN32
    const wchar_t* value = _wgetenv(ToWide(name).c_str());
    return value == nullptr ? std::wstring() : std::wstring(value);
#else
    const char* value = std::getenv(name);
    return value == nullptr ? std::wstring() : ToWide(value);
#endif
}

}  // namespace

LayOutResult LayOutWorkingFolder(const std::wstring& source, const std::wstring& target) {
    LayOutResult result;
    const fs::Path from = fs::ToPath(fs::FullPath(source));
    const fs::Path to = fs::ToPath(fs::FullPath(target));
    if (!fs::IsDirectory(from)) {
        result.outcome = LayOutOutcome::SourceMissing;
    } else if (fs::IsWithin(to, from)) {
        result.outcome = LayOutOutcome::InsideSource;
    } else if (ExistsWithoutFollowing(to / kConfigurationName)) {
        result.outcome = LayOutOutcome::Refused;
    } else {
        std::error_code error;
        stdfs::create_directories(to, error);
        if (!fs::IsDirectory(to)) {
            result.failed.push_back(fs::ToText(to));
        } else {
            CopyWorkingFolder(from, to, result);
        }
        if (!result.failed.empty()) result.outcome = LayOutOutcome::Failed;
    }
    return result;
}

bool EnterFolder(const std::wstring& folder) {
    std::error_code error;
    if (!fs::IsDirectory(fs::ToPath(folder))) return false;
    std::filesystem::current_path(fs::ToPath(folder), error);
    return !error;
}

std::wstring UserWorkingFolder() {
    const wchar_t separator = fs::Separator();
#ifdef _WIN32
    const std::wstring base = Environment("LOCALAPPDATA");
    if (base.empty()) return {};
    return base + separator + L"Velmora" + separator + L"workspace";
#else
    std::wstring base = Environment("XDG_DATA_HOME");
    // The XDG rules ignore a relative value.
    if (base.empty() || base.front() != L'/') {
        const std::wstring home = Environment("HOME");
        if (home.empty()) return {};
        base = home + L"/.local/share";
    }
    return base + separator + L"velmora" + separator + L"workspace";
#endif
}

}  // namespace velmora
