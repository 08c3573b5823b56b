// The configuration file is read only when it is a regular file: a pipe or a
// device named default.kiv is refused at once instead of hanging start-up, and a
// read that fails part-way keeps what was read (no exception leaves the reader).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "config/CIniFile.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace velmora {
namespace {

using test::ScriptedFrontend;
using test::TempDir;

#ifndef _WIN32
TEST(CIniFileSpecialFiles, PipesAndDevicesAreRefusedLikeUnopenableFiles) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("pipe.kiv").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir.file("zero.kiv"));
    for (const char* name : {"pipe.kiv", "zero.kiv"}) {
        SCOPED_TRACE(name);
        ScriptedFrontend ui;
        CIniFile store(&ui);
        store.path = dir.file(name).wstring();
        EXPECT_FALSE(store.Read());
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, L"Unable to open ini file.");
        EXPECT_TRUE(store.keys.empty());
    }
}
#endif

#ifdef __linux__
// /proc/self/mem is a regular file whose first read fails (EIO): the store keeps
// what it held, Read succeeds and nothing is shown.
TEST(CIniFileSpecialFiles, AReadErrorKeepsTheStoreAndIsNoFailure) {
    ScriptedFrontend ui;
    CIniFile store(&ui);
    store.PutText(L"S", L"k", L"v", true);
    store.path = L"/proc/self/mem";
    EXPECT_TRUE(store.Read());
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_EQ(store.keyNames.size(), 1u);
    EXPECT_EQ(store.keys[0].values, std::vector<std::wstring>{L"v"});
}
#endif

}  // namespace
}  // namespace velmora
