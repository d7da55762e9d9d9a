#include "ThreadEndWaiter.h"
#include <gtest/gtest.h>

namespace {
DWORD WINAPI WaitForEvent(LPVOID event)
{
    WaitForSingleObject(static_cast<HANDLE>(event), INFINITE);
    return 0;
}

TEST(ThreadEndWaiter, WaitsForTheRealEndOfEveryThread)
{
    ThreadEndWaiter waiter;
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE first = CreateThread(nullptr, 0, WaitForEvent, release, 0, nullptr);
    HANDLE second = CreateThread(nullptr, 0, WaitForEvent, release, 0, nullptr);
    ASSERT_TRUE(waiter.Add(first));
    ASSERT_TRUE(waiter.Add(second));
    // The waiter keeps handles of its own.
    CloseHandle(first);
    CloseHandle(second);
    EXPECT_EQ(waiter.Count(), 2u);
    EXPECT_FALSE(waiter.WaitForAll(50));
    SetEvent(release);
    EXPECT_TRUE(waiter.WaitForAll(5000));
    EXPECT_EQ(waiter.Count(), 0u);
    CloseHandle(release);
}
}
