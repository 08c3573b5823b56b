// What must hold on every system the core is built for: Linux and 64-bit Windows.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>

#include "platform/FileSystem.h"
#include "platform/TextCodec.h"
#include "support/TempDir.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace velmora {
namespace {

// Restores the C locale when a test that switched to the user's locale ends.
struct UserLocale {
    UserLocale() { UseUserLocale(); }
    ~UserLocale() { std::setlocale(LC_ALL, "C"); }
};

std::string Read(const fs::Path& path) {
    std::string bytes;
    EXPECT_TRUE(fs::ReadFileBytes(path, bytes)) << fs::ToText(path).size();
    return bytes;
}

TEST(Portability, SeparatorAndWideCharacters) {
#ifdef _WIN32
    EXPECT_EQ(fs::Separator(), L'\\');
    EXPECT_EQ(sizeof(wchar_t), 2u);
    EXPECT_EQ(fs::WithPlatformSeparators(L"out\\Secure\\KEIL"), L"out\\Secure\\KEIL");
#else
    EXPECT_EQ(fs::Separator(), L'/');
    EXPECT_EQ(fs::WithPlatformSeparators(L"out\\Secure\\KEIL"), L"out/Secure/KEIL");
#endif
    // A character outside the basic plane is one code point either way.
    const std::wstring emoji = Utf8ToWide("\xF0\x9F\x98\x80");
    EXPECT_EQ(emoji.size(), sizeof(wchar_t) == 2 ? 2u : 1u);
    EXPECT_EQ(WideToUtf8(emoji), "\xF0\x9F\x98\x80");
}

TEST(Portability, CopyReplacesALongerTargetWhole) {
    test::TempDir dir;
    const auto from = dir.writeFile("short.txt", "new");
    const auto to = dir.writeFile("long.txt", "a much longer old text than the new one");
    ASSERT_TRUE(fs::CopyFileReplacing(from, to));
    EXPECT_EQ(dir.readFile("long.txt"), "new");
    // Again onto the file it made, and the source is left as it was.
    const auto other = dir.writeFile("other.txt", "second");
    ASSERT_TRUE(fs::CopyFileReplacing(other, to));
    EXPECT_EQ(dir.readFile("long.txt"), "second");
    EXPECT_EQ(dir.readFile("short.txt"), "new");
    // A folder is not a file to copy, and a folder in the way is not replaced.
    fs::CreateOneDirectory(dir.file("folder"));
    EXPECT_FALSE(fs::CopyFileReplacing(dir.file("folder"), dir.file("copy")));
    EXPECT_FALSE(fs::Exists(dir.file("copy")));
    EXPECT_FALSE(fs::CopyFileReplacing(from, dir.file("folder")));
    EXPECT_TRUE(fs::IsDirectory(dir.file("folder")));
}

TEST(Portability, FileOperationsKeepNamesOutsideTheCodePage) {
    // Names travel as wide text to the system: nothing passes through the narrow
    // code page, so characters that it cannot hold survive.
    test::TempDir dir;
    const std::wstring name = L"\u00dcbersicht \u4e2d\u6587 \u0416";
    const fs::Path folder = dir.path() / fs::ToPath(name);
    ASSERT_TRUE(fs::CreateOneDirectory(folder));
    const fs::Path a = folder / fs::ToPath(name + L".c");
    const fs::Path b = folder / fs::ToPath(name + L".h");
    ASSERT_TRUE(fs::WriteFileAtomically(a, "first"));
    ASSERT_TRUE(fs::WriteFileAtomically(a, "second"));
    EXPECT_EQ(Read(a), "second");
    ASSERT_TRUE(fs::CopyFileReplacing(a, b));
    ASSERT_TRUE(fs::CopyFileReplacing(a, b));
    EXPECT_EQ(Read(b), "second");
    EXPECT_FALSE(fs::MoveNoReplace(a, b));
    const auto entries = fs::ListDirectory(folder);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, name + L".c");
    EXPECT_EQ(entries[1].name, name + L".h");
    const auto top = fs::ListDirectory(dir.path());
    ASSERT_EQ(top.size(), 1u);
    EXPECT_EQ(top[0].name, name);
    EXPECT_TRUE(top[0].isDirectory);
    EXPECT_FALSE(fs::IsDirectoryEmpty(folder));
}

#ifndef _WIN32
TEST(Portability, NamesThatAreNoValidTextStillCopy) {
    // A name made of bytes that no code page decodes (possible on Linux): listed,
    // copied and moved by its exact bytes.
    test::TempDir dir;
    dir.writeFile("in/a\xFF\xFE.c", "bytes");
    const auto entries = fs::ListDirectory(dir.file("in"));
    ASSERT_EQ(entries.size(), 1u);
    const fs::Path from = fs::ToPath(fs::ToText(dir.file("in")) + L"/" + entries[0].name);
    const fs::Path to = fs::ToPath(fs::ToText(dir.path()) + L"/" + entries[0].name);
    EXPECT_EQ(from.native(), (dir.file("in") / "a\xFF\xFE.c").native());
    ASSERT_TRUE(fs::CopyFileReplacing(from, to));
    EXPECT_EQ(dir.readFile("a\xFF\xFE.c"), "bytes");
    EXPECT_TRUE(fs::MoveNoReplace(from, fs::ToPath(fs::ToText(from) + L".moved")));
    EXPECT_EQ(dir.readFile("in/a\xFF\xFE.c.moved"), "bytes");
}
#endif

TEST(Portability, UserLocaleRoundTripsWhatItCanHold) {
    UserLocale locale;
    const std::wstring text = L"Z\u00fcrich caf\u00e9";
    EXPECT_EQ(ToWide(ToNarrow(text)), text);
    if (NarrowIsUtf8()) {
        EXPECT_EQ(ToNarrow(L"\u4e2d"), "\xE4\xB8\xAD");
    } else {
        // A character the code page lacks becomes '?', and the text goes on.
        EXPECT_EQ(ToNarrow(L"a\u4e2db"), "a?b");
    }
}

#ifdef _WIN32
TEST(Portability, WindowsUserLocaleIsTheAnsiCodePage) {
    UserLocale locale;
    const char* name = std::setlocale(LC_CTYPE, nullptr);
    ASSERT_NE(name, nullptr);
    std::string suffix = std::to_string(GetACP());
    suffix.insert(suffix.begin(), '.');
    const std::string locale_name(name);
    ASSERT_GE(locale_name.size(), suffix.size());
    EXPECT_EQ(locale_name.substr(locale_name.size() - suffix.size()), suffix) << locale_name;
    if (GetACP() == 1252) {
        EXPECT_FALSE(NarrowIsUtf8());
        EXPECT_EQ(ToNarrow(L"Z\u00fcrich"), "Z\xFCrich");
        EXPECT_EQ(ToWide("Z\xFCrich"), L"Z\u00fcrich");
        EXPECT_EQ(ToNarrow(L"\u20ac"), "\x80");
    }
    // The same bytes as the system's own conversion.
    const std::wstring text = L"Gr\u00f6\u00dfe \u00e9t\u00e9";
    const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string expected(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), expected.data(),
                        size, nullptr, nullptr);
    EXPECT_EQ(ToNarrow(text), expected);
}
#endif

}  // namespace
}  // namespace velmora
