#include <gtest/gtest.h>
#include <windows.h>

#include <new>
#include <string>

#include "MVStringList.h"

namespace
{
std::wstring Block(const MVStringList& list) { return std::wstring(list.GetBuffer(), list.GetTotal()); }

TEST(MVStringList, DefaultFilterPacksIntoOneDoubleTerminatedBlock)
{
    MVStringList list;
    list.Add(L"All files (*.*)");
    list.Add(L"*.*");
    EXPECT_EQ(260u, list.granule);
    EXPECT_EQ(21u, list.GetTotal());
    EXPECT_EQ(2u, list.GetCount());
    EXPECT_EQ(260u, list.GetCapacity());
    EXPECT_EQ(std::wstring(L"All files (*.*)\0*.*\0\0", 21), Block(list));
}

TEST(MVStringList, FirstEmptyTextGivesTwoNuls)
{
    MVStringList list;
    list.Add(L"");
    EXPECT_EQ(2u, list.GetTotal());
    EXPECT_EQ(1u, list.GetCount());
    EXPECT_EQ(std::wstring(2, L'\0'), Block(list));

    list.Add(nullptr);  // counts as empty
    EXPECT_EQ(3u, list.GetTotal());
    EXPECT_EQ(std::wstring(3, L'\0'), Block(list));
}

TEST(MVStringList, GrowsInGranulesAndKeepsEarlierTexts)
{
    MVStringList list;
    const std::wstring first(200, L'a');
    const std::wstring second(100, L'b');
    list.Add(first.c_str());
    EXPECT_EQ(260u, list.GetCapacity());
    list.Add(second.c_str());
    EXPECT_EQ(303u, list.GetTotal());
    EXPECT_EQ(520u, list.GetCapacity());
    EXPECT_EQ(first + L'\0' + second + L'\0' + L'\0', Block(list));
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
    EXPECT_EQ(520u, list.GetCapacity());

    // A step whose block would wrap to 0 bytes in 32 bits; the old block stays.
    block = list.GetBuffer();
    list.granule = 0x80000000;
    EXPECT_THROW(list.Reserve(521), std::bad_alloc);
    EXPECT_EQ(520u, list.GetCapacity());
    EXPECT_EQ(block, list.GetBuffer());
}
}
