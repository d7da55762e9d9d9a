#include "RecordText.h"
#include <gtest/gtest.h>

namespace {
TEST(RecordText, EveryCharacterThatCouldBreakALineIsEscaped)
{
    const struct { const char* fault; std::wstring text; std::wstring escaped; } rows[] = {
        {"a path's backslashes escaped", L"D:\\images\\x.iso", L"D:\\images\\x.iso"},
        {"a line end, NUL or tab kept", std::wstring(L"\r\n\0\t", 4), L"\\x0D\\x0A\\x00\\x09"},
        {"DEL or a C1 control kept, or the next character taken", L"\x7F\x85\x9F\xA0", L"\\x7F\\x85\\x9F\xA0"},
        {"the Unicode line or paragraph separator kept", L"\u2028\u2029\u2027", L"\\u2028\\u2029\u2027"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(EscapeControls(row.text), row.escaped) << row.fault;
}
}
