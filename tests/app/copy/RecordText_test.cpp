#include "RecordText.h"
#include <gtest/gtest.h>

namespace {
TEST(RecordText, EveryCharacterThatCouldBreakALineIsEscaped)
{
    const struct { const char* fault; std::wstring text; std::wstring escaped; } rows[] = {
        {"a path's backslashes escaped", L"D:\\images\\x.iso", L"D:\\images\\x.iso"},
        {"a line feed or carriage return kept", L"A\r\nB", L"A\\x0D\\x0AB"},
        {"NUL ends the text, or tab kept", std::wstring(L"A\0\tB", 4), L"A\\x00\\x09B"},
        {"DEL or a C1 control kept", L"\x7F\x85\x9F\xA0", L"\\x7F\\x85\\x9F\xA0"},
        {"the Unicode line or paragraph separator kept", L"\u2028\u2029\u2027", L"\\u2028\\u2029\u2027"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(EscapeControls(row.text), row.escaped) << row.fault;
}

TEST(RecordText, Utf8OfTextBeyondOneByte)
{
    EXPECT_EQ(Utf8(L"D\u00E4\u20AC\U0001F4BF"), "D\xC3\xA4\xE2\x82\xAC\xF0\x9F\x92\xBF");
    EXPECT_EQ(Utf8(L""), "");
}
}
