#include "WriterThread.h"
#include <gtest/gtest.h>

namespace {
TEST(WriterThread, RunsTasksElsewhereAndHandsBackTheirOwnError)
{
    const struct {
        bool result;
        DWORD error;
    } cases[] = {{false, ERROR_DISK_FULL}, {true, ERROR_SUCCESS}, {false, ERROR_CRC}};
    WriterThread writer;
    for (const auto& c : cases) {
        DWORD ranOn = GetCurrentThreadId();
        writer.Start([&] {
            ranOn = GetCurrentThreadId();
            SetLastError(c.error);
            return c.result;
        });
        SetLastError(ERROR_ACCESS_DENIED);
        EXPECT_EQ(writer.Finish(), c.result);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_NE(ranOn, GetCurrentThreadId());
    }
    // Nothing pending: nothing to report, and the caller's error is left alone.
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_TRUE(writer.Finish());
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
}

TEST(WriterThread, ATaskInFlightIsWaitedForBeforeTheThreadGoes)
{
    bool finished = false;
    {
        WriterThread writer;
        writer.Start([&] {
            Sleep(50);
            finished = true;
            return true;
        });
    }
    EXPECT_TRUE(finished);
}
}
