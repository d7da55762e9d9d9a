#include "PumpMessages.h"
#include <windows.h>
#include <gtest/gtest.h>

namespace {
const UINT kPing = WM_APP + 7;
int pings = 0;

LRESULT CALLBACK CountPings(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kPing) {
        ++pings;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class PumpMessagesTest : public ::testing::Test
{
protected:
    HWND window = nullptr;

    void SetUp() override
    {
        pings = 0;
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = CountPings;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"PumpMessagesTest";
        RegisterClassW(&windowClass);
        window = CreateWindowW(L"PumpMessagesTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        MSG stale;
        while (PeekMessageW(&stale, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    void TearDown() override { DestroyWindow(window); }
};

TEST_F(PumpMessagesTest, DispatchesEverythingWaitingAndReportsAnEmptyQueue)
{
    PostMessageW(window, kPing, 0, 0);
    PostMessageW(window, kPing, 0, 0);
    EXPECT_EQ(PumpMessages(), 1);
    EXPECT_EQ(pings, 2);
    EXPECT_EQ(PumpMessages(), 1);
}

TEST_F(PumpMessagesTest, QuitStopsThePumpAndStaysForTheOuterLoop)
{
    PostMessageW(window, kPing, 0, 0);
    PostQuitMessage(3);
    EXPECT_EQ(PumpMessages(), 0);
    EXPECT_EQ(pings, 1);
    MSG message;
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, UINT(WM_QUIT));
    EXPECT_EQ(message.wParam, 0u);
}
}
