#pragma once
// A unique temporary folder under the system temp dir, removed (recursively) on
// destruction. Optionally makes it the current working directory; the previous
// working directory is restored on destruction.
//
//   TempDir dir(TempDir::Enter);      // cwd is now dir.path()
//   std::filesystem::path f = dir.file("default.kiv");

#include <filesystem>
#include <string>

namespace velmora::test {

class TempDir {
public:
    enum Mode { Stay, Enter };

    explicit TempDir(Mode mode = Stay);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // path() / name
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

    // Makes the folder the current working directory (remembers the old one the
    // first time; restored on destruction).
    void enter();

    // Writes bytes to path()/name (creating parent folders); returns the full path.
    std::filesystem::path writeFile(const std::string& name, const std::string& bytes) const;
    // Reads path()/name whole; empty string when missing.
    std::string readFile(const std::string& name) const;

private:
    std::filesystem::path path_;
    std::filesystem::path oldCwd_;
    bool entered_ = false;
};

}  // namespace velmora::test
