#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace velmora::test {

namespace stdfs = std::filesystem;

TempDir::TempDir(Mode mode) {
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    const stdfs::path base = stdfs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        // Random bits keep parallel test processes apart; the counter keeps the
        // folders of one process apart.
        const std::string name = "velmora-test-" + std::to_string(rd()) + "-" +
                                 std::to_string(counter++) + "-" +
                                 std::to_string(static_cast<unsigned long long>(stamp));
        std::error_code ec;
        if (stdfs::create_directory(base / name, ec) && !ec) {
            path_ = stdfs::canonical(base / name);
            break;
        }
    }
    if (path_.empty()) throw std::runtime_error("TempDir: cannot create a temporary folder");
    if (mode == Enter) enter();
}

TempDir::~TempDir() {
    std::error_code ec;
    if (entered_) stdfs::current_path(oldCwd_, ec);
    // Make everything writable again so a test that removed permissions can be cleaned.
    for (auto it = stdfs::recursive_directory_iterator(
             path_, stdfs::directory_options::skip_permission_denied, ec);
         !ec && it != stdfs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            stdfs::permissions(it->path(), stdfs::perms::owner_all, stdfs::perm_options::add,
                               ignored);
    }
    stdfs::permissions(path_, stdfs::perms::owner_all, stdfs::perm_options::add, ec);
    // Second pass in case permissions hid deeper folders from the first one.
    for (auto it = stdfs::recursive_directory_iterator(path_, ec);
         !ec && it != stdfs::recursive_directory_iterator(); it.increment(ec)) {
        std::error_code ignored;
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            stdfs::permissions(it->path(), stdfs::perms::owner_all, stdfs::perm_options::add,
                               ignored);
    }
    stdfs::remove_all(path_, ec);
}

void TempDir::enter() {
    if (!entered_) {
        oldCwd_ = stdfs::current_path();
        entered_ = true;
    }
    stdfs::current_path(path_);
}

stdfs::path TempDir::writeFile(const std::string& name, const std::string& bytes) const {
    const stdfs::path full = path_ / name;
    std::error_code ec;
    if (full.has_parent_path()) stdfs::create_directories(full.parent_path(), ec);
    std::ofstream out(full, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full;
}

std::string TempDir::readFile(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    if (!in) return std::string();
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace velmora::test
