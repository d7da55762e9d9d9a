#include "MVString.h"
#include "TimeSpan.h"
#include <gtest/gtest.h>

namespace {
struct SpanCase
{
    DWORD low;
    DWORD high;
    UINT hours, minutes, seconds;
};

TEST(TimeSpan, ReadsAsAClockFaceThatWrapsDaily)
{
    const SpanCase cases[] = {
        {0, 0, 0, 0, 0},
        {999, 0, 0, 0, 0},
        {59999, 0, 0, 0, 59},
        {60000, 0, 0, 1, 0},
        {3599999, 0, 0, 59, 59},
        {90061001, 0, 1, 1, 1},
        {86399999, 0, 23, 59, 59},
        {86400000, 0, 0, 0, 0},
        {90000000, 0, 1, 0, 0},
        // 2^32 - 1 ms is 49 days 17:02:47.295; the high word counts too.
        {0xFFFFFFFF, 0, 17, 2, 47},
        {1000, 1, 17, 2, 48},
    };
    for (const SpanCase& c : cases) {
        TimeSpan span(c.low, c.high);
        EXPECT_EQ(span.Hours(), c.hours) << c.low << "," << c.high;
        EXPECT_EQ(span.Minutes(), c.minutes) << c.low << "," << c.high;
        EXPECT_EQ(span.Seconds(), c.seconds) << c.low << "," << c.high;
    }
}

TEST(TimeSpan, TimeLineShowsHoursMinutesSeconds)
{
    const std::pair<DWORD, const wchar_t*> cases[] = {
        {90061001, L"Time: 01:01:01"},
        {25 * 3600 * 1000, L"Time: 01:00:00"},
        {59999, L"Time: 00:00:59"},
        {0, L"Time: 00:00:00"},
        {86399999, L"Time: 23:59:59"},
    };
    for (const auto& c : cases) {
        MVString line(L"old text that is longer than the time line");
        FormatElapsedTime(line, c.first);
        EXPECT_STREQ(line.GetBuffer(), c.second);
        EXPECT_EQ(line.GetLength(), 14u);
    }
}
}
