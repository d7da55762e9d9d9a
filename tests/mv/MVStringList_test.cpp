#include <gtest/gtest.h>
#include <windows.h>

#include <new>
#include <string>
#include <vector>

#include "MVStringList.h"

namespace
{
std::wstring Block(const MVStringList& list) { return std::wstring(list.GetBuffer(), list.GetTotal()); }

// The texts added in turn, each with its NUL, and one more NUL after the last.
TEST(MVStringList, TextsPackIntoOneDoubleTerminatedBlockGrownInGranules)
{
    const std::wstring a200(200, L'a'), b100(100, L'b');
    const struct
    {
        std::vector<const wchar_t*> texts;
        std::wstring block;
        UINT capacity;
    } rows[] = {
        {{L"All files (*.*)", L"*.*"}, std::wstring(L"All files (*.*)\0*.*\0\0", 21), 260},
        {{L""}, std::wstring(2, L'\0'), 260},
        {{L"", nullptr}, std::wstring(3, L'\0'), 260},  // null counts as empty
        {{a200.c_str(), b100.c_str()}, a200 + L'\0' + b100 + L'\0' + L'\0', 520},
    };
    for (const auto& row : rows)
    {
        MVStringList list;
        for (const wchar_t* text : row.texts)
            list.Add(text);
        EXPECT_EQ(row.block, Block(list)) << row.texts.size() << " texts";
        EXPECT_EQ(row.texts.size(), list.GetCount());
        EXPECT_EQ(row.capacity, list.GetCapacity()) << row.texts.size() << " texts";
    }
}

TEST(MVStringList, ReserveWithinCapacityKeepsTheBlock)
{
    MVStringList list;
    list.Reserve(1);
    ASSERT_NE(nullptr, list.GetBuffer());
    EXPECT_EQ(L'\0', list.GetBuffer()[0]);
    EXPECT_EQ(260u, list.GetCapacity());
    const wchar_t* block = list.GetBuffer();
    list.Reserve(260);
    EXPECT_EQ(block, list.GetBuffer());
    list.Reserve(261);

    // A step whose block would wrap to 0 bytes in 32 bits; the old block stays.
    block = list.GetBuffer();
    list.granule = 0x80000000;
    EXPECT_THROW(list.Reserve(521), std::bad_alloc);
    EXPECT_EQ(520u, list.GetCapacity());
    EXPECT_EQ(block, list.GetBuffer());
}
}
