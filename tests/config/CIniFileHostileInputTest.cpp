#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

#include "config/CIniFile.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

using test::TempDir;
using Clock = std::chrono::steady_clock;

// Concatenation by appending (GCC 12 warns falsely about "x" + std::string at -O2).
template <typename... Parts>
std::string Cat(const Parts&... parts) {
    std::string text;
    (text += ... += parts);
    return text;
}

// Reads bytes through a real file, as start-up does.
CIniFile ReadFromFile(const std::string& bytes) {
    TempDir dir;
    dir.writeFile("hostile.ini", bytes);
    CIniFile store;
    store.path = dir.file("hostile.ini").wstring();
    EXPECT_TRUE(store.Read());
    return store;
}

void ExpectParallelLists(const CIniFile& store) {
    ASSERT_EQ(store.keys.size(), store.keyNames.size());
    for (const auto& k : store.keys) EXPECT_EQ(k.names.size(), k.values.size());
}

TEST(CIniFileHostileInput, NulBytesAreKeptAsCharacters) {
    using namespace std::string_literals;
    const CIniFile store = ReadFromFile("\0\n[S\0]\na\0b=c\0d\n\0\0\0"s);
    ExpectParallelLists(store);
    ASSERT_EQ(store.keyNames.size(), 2u);
    EXPECT_EQ(store.keyNames[0], L"");
    EXPECT_EQ(store.keyNames[1], std::wstring(L"S\0", 2));
    EXPECT_EQ(store.keys[1].names[0], std::wstring(L"a\0b", 3));
    EXPECT_EQ(store.keys[1].values[0], std::wstring(L"c\0d", 3));
    // "\0\0\0" has no "=": the first character goes, two NULs stay.
    EXPECT_EQ(store.keys[1].values[1], std::wstring(L"\0\0", 2));
}

TEST(CIniFileHostileInput, OnlyALastLineWithoutLineFeed) {
    const CIniFile store = ReadFromFile("k=v");
    EXPECT_EQ(store.keyNames, (std::vector<std::wstring>{L""}));
    EXPECT_EQ(store.keys[0].values, (std::vector<std::wstring>{L"v"}));
}

TEST(CIniFileHostileInput, EmptyFileAndLoneSeparators) {
    EXPECT_TRUE(ReadFromFile("").keys.empty());
    EXPECT_TRUE(ReadFromFile("\n\n\r\n").keys.empty());
    EXPECT_TRUE(ReadFromFile("\r").keys.empty());
    EXPECT_TRUE(ReadFromFile("\r\r\n\r").keys.empty());
    EXPECT_TRUE(ReadFromFile("\xEF\xBB\xBF").keys.empty());
}

TEST(CIniFileHostileInput, OneMegabyteLines) {
    const std::string big(1 << 20, 'x');
    CIniFile store = ReadFromFile("[" + big + "]\n" + big + "=" + big + "\n" + big);
    ExpectParallelLists(store);
    const std::wstring wideBig(1 << 20, L'x');
    EXPECT_EQ(store.GetText(wideBig, wideBig), wideBig);
    EXPECT_EQ(store.GetText(wideBig, L""), wideBig.substr(1));
    EXPECT_EQ(store.Serialize().size(), 4u * (1u << 20) + 11u);
}

TEST(CIniFileHostileInput, HundredThousandDistinctSectionsReadQuickly) {
    std::string bytes;
    for (int i = 0; i < 100000; ++i) bytes += Cat("[S", std::to_string(i), "]\nk=", std::to_string(i), "\n");
    const auto start = Clock::now();
    CIniFile store = ReadFromFile(bytes);
    const auto elapsed = Clock::now() - start;
    ASSERT_EQ(store.keys.size(), 100000u);
    EXPECT_EQ(store.keyNames[0], L"S0");
    EXPECT_EQ(store.keyNames[99999], L"S99999");
    EXPECT_EQ(store.GetText(L"S54321", L"k"), L"54321");
    // A quadratic read would take minutes; this bound also holds under the sanitizers.
    EXPECT_LT(elapsed, std::chrono::seconds(20));
}

TEST(CIniFileHostileInput, HundredThousandValuesInOneSectionReadQuickly) {
    std::string bytes = "[S]\n";
    for (int i = 0; i < 100000; ++i) bytes += Cat("v", std::to_string(i), "=", std::to_string(i), "\n");
    bytes += "v7=again\n";
    const auto start = Clock::now();
    CIniFile store = ReadFromFile(bytes);
    const auto elapsed = Clock::now() - start;
    ASSERT_EQ(store.CountValues(L"S"), 100000);
    EXPECT_EQ(store.keys[0].names[7], L"v7");
    EXPECT_EQ(store.keys[0].values[7], L"again");
    EXPECT_LT(elapsed, std::chrono::seconds(20));
}

TEST(CIniFileHostileInput, RepeatedSectionsInterleavedKeepFirstOrder) {
    std::string bytes;
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 1000; ++i)
            bytes += Cat("[S", std::to_string(i), "]\nk", std::to_string(round), "=",
                         std::to_string(i), "\n");
    CIniFile store = ReadFromFile(bytes);
    ASSERT_EQ(store.keys.size(), 1000u);
    EXPECT_EQ(store.keyNames[999], L"S999");
    EXPECT_EQ(store.keys[999].names, (std::vector<std::wstring>{L"k0", L"k1", L"k2"}));
}

TEST(CIniFileHostileInput, RandomBytesNeverBreakTheStore) {
    std::mt19937 random(20260512);
    const char alphabet[] = "[]=\r\n\0ab\x80\xc3\xe2\xf0\xff";
    std::string bytes;
    for (int i = 0; i < 300000; ++i) {
        const auto pick = random() % 3;
        bytes += pick == 0 ? static_cast<char>(random() & 0xFF)
                           : alphabet[random() % (sizeof(alphabet) - 1)];
    }
    CIniFile store = ReadFromFile(bytes);
    ExpectParallelLists(store);
    // What the store writes reads back into the same store.
    const std::string once = store.Serialize();
    EXPECT_FALSE(once.empty());
    CIniFile again;
    again.Parse(once);
    EXPECT_EQ(again.keyNames, store.keyNames);
    EXPECT_EQ(again.Serialize(), once);
}

TEST(CIniFileHostileInput, InvalidMultibyteSequencesSurviveReadAndWrite) {
    std::string bytes = "[S]\n";
    for (int b = 0x80; b <= 0xFF; ++b) bytes += Cat("k", std::to_string(b), "=", static_cast<char>(b), "x\n");
    bytes += "trunc=\xe2\x82\n";
    CIniFile store = ReadFromFile(bytes);
    ASSERT_EQ(store.CountValues(L"S"), 129);
    std::string expected = "[S]\r\n";
    for (int b = 0x80; b <= 0xFF; ++b)
        expected += Cat("k", std::to_string(b), "=", static_cast<char>(b), "x\r\n");
    expected += "trunc=\xe2\x82\r\n\r\n";
    EXPECT_EQ(store.Serialize(), expected);
}

}  // namespace
}  // namespace velmora
