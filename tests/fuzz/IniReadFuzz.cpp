// libFuzzer target for CIniFile::Read: any file content must read without a crash
// or sanitizer report, and what the store writes must read back into the same store.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

#include "config/CIniFile.h"
#include "config/ConfigurationFile.h"

namespace {

// The one input file of this process, removed when the run ends.
struct InputFileHolder {
    std::filesystem::path path;
    InputFileHolder() {
        std::error_code ec;
        auto folder = std::filesystem::temp_directory_path(ec);
        if (ec) folder = ".";
        path = folder / ("velmora-fuzz-" + std::to_string(std::random_device{}()) + ".ini");
    }
    ~InputFileHolder() {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
};

const std::filesystem::path& InputFile() {
    static const InputFileHolder holder;
    return holder.path;
}

void WriteInput(const std::uint8_t* data, std::size_t size) {
    std::ofstream out(InputFile(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WriteInput(data, size);
    velmora::CIniFile store;
    store.path = InputFile().wstring();
    if (!store.Read()) std::abort();

    const std::string written = store.Serialize();
    velmora::CIniFile again;
    again.Parse(written);
    if (again.keyNames != store.keyNames || again.Serialize() != written) std::abort();

    // The configuration loader on top of the same store must cope as well.
    velmora::PartitionConfig config;
    velmora::LoadPositionedConfiguration(store, config, store.path);
    return 0;
}
