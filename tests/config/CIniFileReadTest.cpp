#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/CIniFile.h"
#include "support/ScriptedFrontend.h"
#include "support/TempDir.h"

namespace velmora {
namespace {

using test::ScriptedFrontend;
using test::TempDir;

// The store's sections as (section, [(name, text)...]) for whole-store comparisons.
using Entry = std::pair<std::wstring, std::wstring>;
using Section = std::pair<std::wstring, std::vector<Entry>>;

std::vector<Section> Contents(const CIniFile& store) {
    std::vector<Section> out;
    for (std::size_t i = 0; i < store.keys.size(); ++i) {
        Section section{store.keyNames[i], {}};
        const auto& k = store.keys[i];
        for (std::size_t j = 0; j < k.names.size(); ++j)
            section.second.emplace_back(k.names[j], k.values[j]);
        out.push_back(section);
    }
    return out;
}

CIniFile Parsed(const std::string& bytes) {
    CIniFile store;
    store.Parse(bytes);
    return store;
}

struct EntryCase {
    const char* line;
    const wchar_t* name;
    const wchar_t* text;
};

class EntryLine : public ::testing::TestWithParam<EntryCase> {};

TEST_P(EntryLine, SplitsAtTheFirstEquals) {
    const EntryCase& c = GetParam();
    const CIniFile store = Parsed(std::string("[S]\n") + c.line + "\n");
    const std::vector<Section> expected{{L"S", {{c.name, c.text}}}};
    EXPECT_EQ(Contents(store), expected) << "line: \"" << c.line << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, EntryLine,
    ::testing::Values(EntryCase{"a=b=c", L"a", L"b=c"},
                      EntryCase{" a = b ", L" a ", L" b "},
                      EntryCase{"=x", L"", L"x"},
                      EntryCase{"a=", L"a", L""},
                      EntryCase{"=", L"", L""},
                      // Without "=" the first character is dropped.
                      EntryCase{"xyz", L"", L"yz"},
                      EntryCase{"x", L"", L""},
                      // Not a header: the last character is a blank.
                      EntryCase{"[A] ", L"", L"A] "},
                      EntryCase{" [A]", L"", L"[A]"},
                      EntryCase{"[A", L"", L"A"},
                      // No comment syntax.
                      EntryCase{";note=1", L";note", L"1"},
                      EntryCase{"# note", L"", L" note"},
                      // A carriage return ends the line, alone or before the line feed.
                      EntryCase{"k=v\r", L"k", L"v"},
                      EntryCase{"k=v\r\r", L"k", L"v"},
                      EntryCase{"k=\tv\t", L"k", L"\tv\t"}));

struct HeaderCase {
    const char* line;
    const wchar_t* section;
};

class HeaderLine : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderLine, StripsEveryLeadingAndTrailingBracket) {
    const HeaderCase& c = GetParam();
    const CIniFile store = Parsed(std::string(c.line) + "\nk=v\n");
    const std::vector<Section> expected{{c.section, {{L"k", L"v"}}}};
    EXPECT_EQ(Contents(store), expected) << "header: \"" << c.line << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Headers, HeaderLine,
    ::testing::Values(HeaderCase{"[GENERAL]", L"GENERAL"}, HeaderCase{"[[GENERAL]]]", L"GENERAL"},
                      HeaderCase{"[]", L""}, HeaderCase{"[[]]", L""}, HeaderCase{"[]]]", L""},
                      HeaderCase{"[a]b]", L"a]b"}, HeaderCase{"[ S ]", L" S "},
                      HeaderCase{"[a=b]", L"a=b"}, HeaderCase{"[S]\r", L"S"}));

TEST(CIniFileRead, EntriesBeforeAnyHeaderGoToTheEmptySection) {
    CIniFile store = Parsed("a=1\n[S]\nb=2\n");
    const std::vector<Section> expected{{L"", {{L"a", L"1"}}}, {L"S", {{L"b", L"2"}}}};
    EXPECT_EQ(Contents(store), expected);
    EXPECT_EQ(store.Serialize(), "[]\r\na=1\r\n\r\n[S]\r\nb=2\r\n\r\n");
}

TEST(CIniFileRead, HeaderWithoutEntriesCreatesNothing) {
    const CIniFile store = Parsed("[EMPTY]\n[S]\nk=v\n[TRAILING]\n");
    EXPECT_EQ(store.keyNames, (std::vector<std::wstring>{L"S"}));
    EXPECT_EQ(store.keys.size(), store.keyNames.size());
}

TEST(CIniFileRead, SkipsEmptyLinesAndCountsALastLineWithoutLineFeed) {
    const CIniFile store = Parsed("\n\r\n[S]\n\n\r\na=1\r\n\nb=2");
    const std::vector<Section> expected{{L"S", {{L"a", L"1"}, {L"b", L"2"}}}};
    EXPECT_EQ(Contents(store), expected);
}

// Files saved by some Windows editors: a byte-order mark in front, or carriage
// returns alone as line ends. Both read like the plain file.
struct LayoutCase {
    const char* what;
    std::string bytes;
};

class CIniFileLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(CIniFileLayout, ReadsLikeThePlainFile) {
    const std::vector<Section> expected{{L"GENERAL", {{L"TEMPLATE_PATH", L"C:\\out"}, {L"NSBA", L"0x10040000"}}},
                                        {L"PRJ0", {{L"NAME", L"A"}}}};
    EXPECT_EQ(Contents(Parsed(GetParam().bytes)), expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Editors, CIniFileLayout,
    ::testing::Values(
        LayoutCase{"CRLF", "[GENERAL]\r\nTEMPLATE_PATH=C:\\out\r\nNSBA=0x10040000\r\n\r\n[PRJ0]\r\nNAME=A\r\n"},
        LayoutCase{"LF", "[GENERAL]\nTEMPLATE_PATH=C:\\out\nNSBA=0x10040000\n[PRJ0]\nNAME=A"},
        LayoutCase{"CR alone", "[GENERAL]\rTEMPLATE_PATH=C:\\out\rNSBA=0x10040000\r\r[PRJ0]\rNAME=A\r"},
        LayoutCase{"mixed", "[GENERAL]\rTEMPLATE_PATH=C:\\out\nNSBA=0x10040000\r\n\r[PRJ0]\nNAME=A\r"},
        LayoutCase{"BOM and CRLF", "\xEF\xBB\xBF[GENERAL]\r\nTEMPLATE_PATH=C:\\out\r\nNSBA=0x10040000\r\n[PRJ0]\r\nNAME=A\r\n"},
        LayoutCase{"BOM and CR", "\xEF\xBB\xBF[GENERAL]\rTEMPLATE_PATH=C:\\out\rNSBA=0x10040000\r[PRJ0]\rNAME=A"}));

TEST(CIniFileRead, OnlyALeadingByteOrderMarkIsSkipped) {
    // A second mark, or one inside the file, is text like any other.
    const std::string bom = "\xEF\xBB\xBF";
    const CIniFile twice = Parsed(bom + bom + "[S]\nk=v\n");
    ASSERT_EQ(twice.keys.size(), 1u);
    EXPECT_TRUE(twice.keys[0].names[0].empty());  // the header line became an entry
    const CIniFile inside = Parsed("[S]\nk=" + bom + "v\n");
    ASSERT_EQ(inside.keys.size(), 1u);
    EXPECT_EQ(inside.keys[0].values[0].size(), 2u);  // the mark and v
}

TEST(CIniFileRead, CarriageReturnsInsideTextsAreWrittenAsQuestionMarks) {
    CIniFile store;
    store.PutText(L"S", L"k", L"a\rb", true);
    EXPECT_EQ(store.Serialize(), "[S]\r\nk=a?b\r\n\r\n");
}

TEST(CIniFileRead, RepeatedHeadersMergeIntoTheFirstSection) {
    const CIniFile store = Parsed("[S]\nk=1\n[T]\nk=2\n[S]\nk=3\n");
    const std::vector<Section> expected{{L"S", {{L"k", L"3"}}}, {L"T", {{L"k", L"2"}}}};
    EXPECT_EQ(Contents(store), expected);
}

TEST(CIniFileRead, RepeatedNameOverwritesAndKeepsItsPlace) {
    const CIniFile store = Parsed("[S]\na=1\nb=2\na=3\n");
    const std::vector<Section> expected{{L"S", {{L"a", L"3"}, {L"b", L"2"}}}};
    EXPECT_EQ(Contents(store), expected);
}

TEST(CIniFileRead, MergesIntoWhatTheStoreHolds) {
    CIniFile store;
    store.PutText(L"X", L"v", L"old", true);
    store.PutText(L"X", L"kept", L"1", true);
    store.Parse("[S]\na=1\n[X]\nw=2\nv=new\n");
    const std::vector<Section> expected{{L"X", {{L"v", L"new"}, {L"kept", L"1"}, {L"w", L"2"}}},
                                        {L"S", {{L"a", L"1"}}}};
    EXPECT_EQ(Contents(store), expected);
}

TEST(CIniFileRead, NamesDifferingInCaseAreDifferent) {
    CIniFile store = Parsed("[prj0]\nName=a\nNAME=b\n");
    EXPECT_EQ(store.KeyIndexOf(L"PRJ0"), -1);
    EXPECT_EQ(store.KeyIndexOf(L"prj0"), 0);
    EXPECT_EQ(store.CountValues(L"prj0"), 2);
    EXPECT_EQ(store.GetText(L"prj0", L"NAME"), L"b");
}

TEST(CIniFileRead, MissingFileReturnsFalseSilently) {
    TempDir dir;
    ScriptedFrontend ui;
    CIniFile store(&ui);
    store.PutText(L"S", L"k", L"v", true);
    store.path = dir.file("absent.ini").wstring();
    EXPECT_FALSE(store.Read());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(store.LastError(), L"");
    EXPECT_EQ(Contents(store), (std::vector<Section>{{L"S", {{L"k", L"v"}}}}));
}

TEST(CIniFileRead, UnopenableFileIsReportedThroughTheFrontEnd) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("config.ini"));
    ScriptedFrontend ui;
    CIniFile store(&ui);
    store.path = dir.file("config.ini").wstring();
    EXPECT_FALSE(store.Read());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, L"Unable to open ini file.");
    EXPECT_EQ(ui.messages[0].caption, L"Velmora");
    EXPECT_EQ(ui.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(ui.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(store.LastError(), L"Unable to open ini file.");
    EXPECT_TRUE(store.keys.empty());
}

TEST(CIniFileRead, UnopenableFileWithoutFrontEndOnlySetsTheError) {
    TempDir dir;
    std::filesystem::create_directory(dir.file("config.ini"));
    CIniFile store;
    store.path = dir.file("config.ini").wstring();
    EXPECT_FALSE(store.Read());
    EXPECT_EQ(store.LastError(), L"Unable to open ini file.");
}

TEST(CIniFileRead, ReadsAFileFromDisk) {
    TempDir dir;
    dir.writeFile("a.ini", "[S]\r\na=1\r\nb=2\r\n");
    CIniFile store;
    store.path = dir.file("a.ini").wstring();
    ASSERT_TRUE(store.Read());
    EXPECT_EQ(Contents(store), (std::vector<Section>{{L"S", {{L"a", L"1"}, {L"b", L"2"}}}}));
}

TEST(CIniFileStore, LookupsReportMissingEntries) {
    CIniFile store = Parsed("[S]\na=1\n");
    EXPECT_EQ(store.KeyIndexOf(L"T"), -1);
    EXPECT_EQ(store.ValueIndexOf(-1, L"a"), -1);
    EXPECT_EQ(store.ValueIndexOf(1, L"a"), -1);
    EXPECT_EQ(store.ValueIndexOf(0, L"b"), -1);
    EXPECT_EQ(store.ValueIndexOf(0, L"a"), 0);
    EXPECT_EQ(store.CountValues(L"T"), -1);
    EXPECT_EQ(store.CountValues(L"S"), 1);
}

TEST(CIniFileStore, GetTextSetsTheErrorAndSuccessNeverClearsIt) {
    CIniFile store = Parsed("[S]\na=1\n");
    EXPECT_EQ(store.LastError(), L"");
    EXPECT_EQ(store.GetText(L"T", L"a"), L"");
    EXPECT_EQ(store.LastError(), L"Unable to locate specified key.");
    EXPECT_EQ(store.GetText(L"S", L"b"), L"");
    EXPECT_EQ(store.LastError(), L"Unable to locate specified value.");
    EXPECT_EQ(store.GetText(L"S", L"a"), L"1");
    EXPECT_TRUE(store.PutText(L"S", L"a", L"2", false));
    EXPECT_EQ(store.LastError(), L"Unable to locate specified value.");
}

TEST(CIniFileStore, PutWithoutCreateNeverAdds) {
    CIniFile store = Parsed("[S]\na=1\n");
    EXPECT_FALSE(store.PutText(L"T", L"a", L"x", false));
    EXPECT_FALSE(store.PutText(L"S", L"b", L"x", false));
    EXPECT_FALSE(store.PutHex(L"S", L"b", 1, false));
    EXPECT_FALSE(store.PutDecimal(L"T", L"b", 1, false));
    EXPECT_EQ(Contents(store), (std::vector<Section>{{L"S", {{L"a", L"1"}}}}));
    EXPECT_TRUE(store.PutText(L"S", L"a", L"x", false));
    EXPECT_EQ(store.GetText(L"S", L"a"), L"x");
}

TEST(CIniFileStore, PutAppendsNewSectionsAndValuesAtTheEnd) {
    CIniFile store = Parsed("[S]\na=1\n[T]\nb=2\n");
    EXPECT_TRUE(store.PutText(L"S", L"c", L"3", true));
    EXPECT_TRUE(store.PutText(L"", L"", L"", true));
    EXPECT_TRUE(store.PutText(L"S", L"a", L"changed", true));
    const std::vector<Section> expected{{L"S", {{L"a", L"changed"}, {L"c", L"3"}}},
                                        {L"T", {{L"b", L"2"}}},
                                        {L"", {{L"", L""}}}};
    EXPECT_EQ(Contents(store), expected);
}

TEST(CIniFileStore, RemoveKeyDropsTheSectionFromBothLists) {
    CIniFile store = Parsed("[A]\na=1\n[B]\nb=2\n[C]\nc=3\n");
    EXPECT_FALSE(store.RemoveKey(L"b"));
    EXPECT_TRUE(store.RemoveKey(L"B"));
    EXPECT_FALSE(store.RemoveKey(L"B"));
    const std::vector<Section> expected{{L"A", {{L"a", L"1"}}}, {L"C", {{L"c", L"3"}}}};
    EXPECT_EQ(Contents(store), expected);
    // A section created again after removal goes to the end.
    store.PutText(L"B", L"b", L"new", true);
    EXPECT_EQ(store.keyNames, (std::vector<std::wstring>{L"A", L"C", L"B"}));
}

}  // namespace
}  // namespace velmora
