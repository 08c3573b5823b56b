#include <gtest/gtest.h>

#include <string>

#include "cli/JsonText.h"

namespace velmora {
namespace {

// The escapes are those of the JSON grammar (RFC 8259, section 7).
TEST(JsonText, EscapesWhatTheGrammarRequiresAndEverythingBeyondAscii) {
    struct Case {
        std::wstring text;
        std::wstring json;
    };
    const Case cases[] = {
        {L"", L"\"\""},
        {L" Worng BSP path", L"\" Worng BSP path\""},
        {L"must be \"S\" or \"NS\".", L"\"must be \\\"S\\\" or \\\"NS\\\".\""},
        {L"C:\\Keil\\BSP", L"\"C:\\\\Keil\\\\BSP\""},
        {L"a\nb\tc\rd\be\ff", L"\"a\\nb\\tc\\rd\\be\\ff\""},
        {std::wstring(L"\x01\x1f\x7f", 3), L"\"\\u0001\\u001f\\u007f\""},
        {std::wstring(1, L'\0'), L"\"\\u0000\""},
        {L"caf\u00e9 \u65b0\u7d30\u660e\u9ad4", L"\"caf\\u00e9 \\u65b0\\u7d30\\u660e\\u9ad4\""},
        {L"/ stays", L"\"/ stays\""},
        // Beyond U+FFFF: a surrogate pair, on both widths of wchar_t.
        {L"\U0001F512", L"\"\\ud83d\\udd12\""},
        // A byte that was not valid in the code page reaches here as U+DC80 + byte.
        {std::wstring(1, static_cast<wchar_t>(0xDCE9)), L"\"\\ufffd\""},
        {std::wstring(1, static_cast<wchar_t>(0xD83D)) + L"x", L"\"\\ufffdx\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cli::JsonString(c.text), c.json);
    }
}

}  // namespace
}  // namespace velmora
