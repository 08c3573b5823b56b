#include <gtest/gtest.h>

#include <clocale>

#include "platform/Format.h"
#include "platform/TextCodec.h"

namespace velmora {
namespace {

TEST(TextCodec, Utf8RoundTripOfValidText) {
    const std::wstring text = L"Ab\u00e9\u4e2d\U0001F600";
    const std::string utf8 = WideToUtf8(text);
    EXPECT_EQ(utf8, "Ab\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToWide(utf8), text);
}

TEST(TextCodec, InvalidBytesSurviveARoundTrip) {
    const std::string bytes("a\xFF\xC3(b\xE4\xB8\x00z", 9);
    const std::wstring wide = Utf8ToWide(bytes);
    EXPECT_EQ(WideToUtf8(wide), bytes);
    EXPECT_EQ(wide.front(), L'a');
    EXPECT_EQ(wide.back(), L'z');
}

TEST(TextCodec, OverlongAndSurrogateEncodingsAreNotDecoded) {
    for (const std::string& bad : {std::string("\xC0\xAF"), std::string("\xED\xA0\x80")}) {
        const std::wstring wide = Utf8ToWide(bad);
        EXPECT_EQ(wide.size(), bad.size());
        EXPECT_EQ(WideToUtf8(wide), bad);
    }
}

TEST(TextCodec, CLocaleUsesUtf8BothWays) {
    std::setlocale(LC_ALL, "C");
    EXPECT_TRUE(NarrowIsUtf8());
    const std::wstring text = L"Z\u00fcrich";
    EXPECT_EQ(ToNarrow(text), "Z\xC3\xBCrich");
    EXPECT_EQ(ToWide(ToNarrow(text)), text);
}

TEST(TextCodec, LongTextIsConvertedWhole) {
    const std::wstring text(100000, L'\u00e9');
    EXPECT_EQ(ToNarrow(text).size(), 200000u);
    EXPECT_EQ(ToWide(ToNarrow(text)), text);
}

TEST(Format, LiteralFormatsAndLongArguments) {
    EXPECT_EQ(Format(L"0x%x", 0x3f000u), L"0x3f000");
    EXPECT_EQ(Format(L"0x%08X", 0x7FFu), L"0x000007FF");
    EXPECT_EQ(Format(L"%d KB(0x%X)", 510, 0x7F800u), L"510 KB(0x7F800)");
    const std::wstring name(5000, L'n');
    EXPECT_EQ(Format(L"[%ls] x", name.c_str()).size(), 5004u);
}

}  // namespace
}  // namespace velmora
