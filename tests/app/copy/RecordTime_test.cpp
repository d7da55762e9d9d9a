#include "RecordTime.h"
#include <gtest/gtest.h>

namespace {
TEST(RecordTime, Iso8601CarriesTheOffsetInHoursAndMinutes)
{
    const struct { const char* fault; SYSTEMTIME local; int offset; const wchar_t* text; } rows[] = {
        {"fields not zero-padded", {987, 3, 0, 5, 4, 3, 2, 1}, 0, L"0987-03-05T04:03:02+00:00"},
        {"a west offset written east, or minutes lost", {2024, 12, 0, 31, 23, 59, 59, 999}, -210,
         L"2024-12-31T23:59:59-03:30"},
        {"an offset of whole hours written as minutes", {2024, 7, 0, 1, 12, 0, 0, 0}, 345,
         L"2024-07-01T12:00:00+05:45"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Iso8601({row.local, row.offset}), row.text) << row.fault;
}
}
