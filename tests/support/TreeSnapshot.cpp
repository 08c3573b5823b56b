#include "support/TreeSnapshot.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace velmora::test {

namespace stdfs = std::filesystem;

namespace {

std::string Describe(const stdfs::directory_entry& entry) {
    std::error_code ec;
    switch (entry.symlink_status(ec).type()) {
        case stdfs::file_type::regular: {
            std::ifstream in(entry.path(), std::ios::binary);
            return "file:" + std::string(std::istreambuf_iterator<char>(in), {});
        }
        case stdfs::file_type::directory: return "dir";
        case stdfs::file_type::symlink: return "link:" + stdfs::read_symlink(entry.path(), ec).string();
        default: return "other";
    }
}

}  // namespace

TreeSnapshot SnapshotTree(const stdfs::path& root) {
    TreeSnapshot snapshot;
    std::error_code ec;
    for (auto it = stdfs::recursive_directory_iterator(root, ec);
         !ec && it != stdfs::recursive_directory_iterator(); it.increment(ec)) {
        snapshot[stdfs::relative(it->path(), root, ec).generic_string()] = Describe(*it);
    }
    return snapshot;
}

}  // namespace velmora::test
