#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "MVProgressBar.h"
#include "MVProgressRange.h"

// The bar as the main window uses it: created over a placeholder static control.
namespace
{
struct Parent
{
    HWND hwnd = nullptr;
    // Only a visible window paints; showing one costs Wine a wait for the X server.
    explicit Parent(DWORD exStyle = 0, bool visible = false)
    {
        hwnd = CreateWindowExW(exStyle, L"STATIC", L"parent", WS_POPUP | (visible ? WS_VISIBLE : 0), 100, 80, 400, 200, nullptr,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~Parent() { DestroyWindow(hwnd); }
    HWND Placeholder(int x, int y, int width, int height) const
    {
        return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_SUNKEN, x, y, width, height, hwnd,
                               reinterpret_cast<HMENU>(1004), GetModuleHandleW(nullptr), nullptr);
    }
};

RECT ScreenRect(HWND h)
{
    RECT rect = {};
    GetWindowRect(h, &rect);
    return rect;
}

bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool NeedsPainting(HWND h)
{
    return GetUpdateRect(h, nullptr, FALSE) != FALSE;
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

int CountQueued(UINT message)
{
    int count = 0;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, message, message, PM_REMOVE))
    {
        ++count;
        DispatchMessageW(&msg);
    }
    return count;
}

TEST(MVProgressBarWindow, ReplacesThePlaceholder)
{
    Parent parent;
    const HWND placeholder = parent.Placeholder(20, 30, 330, 106);
    const RECT placeholderRect = ScreenRect(placeholder);
    MVProgressBar bar;
    ASSERT_TRUE(bar.CreateOverControl(placeholder, 0, WS_CHILD | WS_VISIBLE, nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE(IsWindow(placeholder));
    EXPECT_EQ(GetParent(bar.hwnd), parent.hwnd);
    EXPECT_EQ(GetDlgCtrlID(bar.hwnd), 0);
    EXPECT_TRUE(SameRect(ScreenRect(bar.hwnd), placeholderRect));
    EXPECT_EQ(bar.GetStyle(false) & SS_SUNKEN, 0);
    EXPECT_EQ(bar.GetStyle(false) & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);

    bar.backgroundColor = GetSysColor(COLOR_BTNFACE);
    bar.SetBlockCount(528);
    bar.GetProgress()->filledColor = RGB(255, 0, 0);
    bar.doubleBuffered = TRUE;
    EXPECT_EQ(bar.GetColumns(), 44);
    EXPECT_EQ(bar.GetRows(), 12);
    EXPECT_EQ(bar.GetBlockSize(), MVSize(5, 5));
}

TEST(MVProgressBarWindow, ReplacesAPlaceholderInAMirroredParent)
{
    Parent parent(WS_EX_LAYOUTRTL);
    ASSERT_TRUE(GetWindowLongW(parent.hwnd, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
    const HWND placeholder = parent.Placeholder(20, 30, 150, 40);
    const RECT placeholderRect = ScreenRect(placeholder);
    MVProgressBar bar;
    ASSERT_TRUE(bar.CreateOverControl(placeholder, 0, WS_CHILD | WS_VISIBLE, nullptr, nullptr, nullptr, nullptr));
    RECT client = {};
    GetClientRect(bar.hwnd, &client);
    EXPECT_EQ(client.right, 150); // a positive width
    EXPECT_EQ(client.bottom, 40);
    EXPECT_TRUE(SameRect(ScreenRect(bar.hwnd), placeholderRect));
}

TEST(MVProgressBarWindow, FailedCreationKeepsThePlaceholder)
{
    Parent parent;
    const HWND placeholder = parent.Placeholder(20, 30, 150, 40);
    MVProgressBar bar;
    EXPECT_FALSE(bar.CreateOverControl(placeholder, 0, WS_CHILD | WS_VISIBLE, L"PelmoraNoSuchClass", nullptr, nullptr,
                                       nullptr));
    EXPECT_TRUE(IsWindow(placeholder));
    EXPECT_EQ(bar.hwnd, nullptr);
}

TEST(MVProgressBarWindow, RepaintsOnlyWhenSomethingChanged)
{
    Parent parent(0, true);
    MVProgressBar bar;
    ASSERT_TRUE(bar.CreateOverControl(parent.Placeholder(0, 0, 330, 106), 0, WS_CHILD | WS_VISIBLE, nullptr, nullptr,
                                      nullptr, nullptr));
    bar.SetBlockCount(528);
    ValidateRect(bar.hwnd, nullptr);
    bar.SetBlockCount(528);
    EXPECT_FALSE(NeedsPainting(bar.hwnd));
    bar.SetBlockColor(3, RGB(1, 2, 3), FALSE);
    bar.ClearBlockColors(FALSE);
    EXPECT_FALSE(NeedsPainting(bar.hwnd));
    bar.SetBlockCount(100);
    EXPECT_TRUE(NeedsPainting(bar.hwnd));
    EXPECT_EQ(bar.GetColumns(), 20);

    // SetPosition repaints even when the fill does not change.
    ValidateRect(bar.hwnd, nullptr);
    bar.GetProgress()->SetPosition(0);
    EXPECT_TRUE(NeedsPainting(bar.hwnd));
}

TEST(MVProgressBarWindow, ResizingLaysTheGridOutAgain)
{
    Parent parent(0, true);
    MVProgressBar bar;
    ASSERT_TRUE(bar.CreateOverControl(parent.Placeholder(0, 0, 330, 106), 0, WS_CHILD | WS_VISIBLE, nullptr, nullptr,
                                      nullptr, nullptr));
    bar.SetBlockCount(10);
    // Each size as the block count alone would have laid it out; a smaller bar is repainted too.
    struct SizeCase
    {
        int width, height, columns, rows;
        MVSize blockSize;
    };
    const SizeCase cases[] = {
        {100, 50, 5, 2, MVSize(13, 13)},   // an inset of 80 x 30 at pitch 15
        {100, 100, 4, 4, MVSize(18, 18)},  // an inset of 80 x 80 at pitch 20
    };
    for (const SizeCase& c : cases)
    {
        ValidateRect(bar.hwnd, nullptr);
        SetWindowPos(bar.hwnd, nullptr, 0, 0, c.width, c.height, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_EQ(bar.GetColumns(), c.columns) << c.width << " x " << c.height;
        EXPECT_EQ(bar.GetRows(), c.rows) << c.width << " x " << c.height;
        EXPECT_EQ(bar.GetBlockSize(), c.blockSize) << c.width << " x " << c.height;
        EXPECT_TRUE(NeedsPainting(bar.hwnd)) << c.width << " x " << c.height;
    }
}

TEST(MVProgressBarWindow, WorkerSetsPositionsWhileTheWindowPaints)
{
    Parent parent(0, true);
    MVProgressBar bar;
    ASSERT_TRUE(bar.CreateOverControl(parent.Placeholder(0, 0, 330, 106), 0, WS_CHILD | WS_VISIBLE, nullptr, nullptr,
                                      nullptr, nullptr));
    bar.backgroundColor = GetSysColor(COLOR_BTNFACE);
    bar.SetBlockCount(528);
    MVProgressRange* range = bar.GetProgress();
    bar.doubleBuffered = TRUE;
    range->SetRange(0, 1000000);

    std::atomic<bool> done(false);
    std::thread worker([&] {
        range->SetPosition(17);
        range->SetRange(0, 5000);
        for (int sectors = 0; sectors <= 5000; sectors += 25)
            range->SetPosition(sectors);
        done = true;
    });
    // The window thread keeps painting until the worker is through.
    int paints = 0;
    while (!done)
    {
        UpdateWindow(bar.hwnd);
        ++paints;
        PumpMessages();
    }
    worker.join();
    PumpMessages();
    UpdateWindow(bar.hwnd);
    EXPECT_GT(paints, 0);
    EXPECT_EQ(range->position, 5000);
    EXPECT_EQ(bar.GetBlockColor(527), RGB(255, 0, 0));

    HDC screen = GetDC(bar.hwnd);
    RECT last;
    bar.GetBlockRect(527, last);
    EXPECT_EQ(GetPixel(screen, last.left + 2, last.top + 2), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(screen, last.right, last.bottom), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(screen, 2, 2), GetSysColor(COLOR_BTNFACE));
    ReleaseDC(bar.hwnd, screen);
}

TEST(MVProgressBarWindow, WorkerNeverWaitsForTheWindowThread)
{
    Parent parent(0, true);
    MVProgressBar bar;
    ASSERT_TRUE(bar.CreateOverControl(parent.Placeholder(0, 0, 330, 106), 0, WS_CHILD | WS_VISIBLE, nullptr, nullptr,
                                      nullptr, nullptr));
    bar.SetBlockCount(528);
    bar.doubleBuffered = TRUE;
    UpdateWindow(bar.hwnd);
    PumpMessages();
    ValidateRect(bar.hwnd, nullptr);

    // The window thread is busy waiting for the worker and handles no messages meanwhile.
    std::thread worker([&] {
        bar.GetProgress()->SetRange(0, 100);
        for (int position = 0; position <= 100; ++position)
            bar.GetProgress()->SetPosition(position);
    });
    worker.join();

    // One repaint request waits in the queue however many positions were set.
    EXPECT_EQ(CountQueued(RegisterWindowMessageW(L"MVProgressBar.Repaint")), 1);
    EXPECT_TRUE(NeedsPainting(bar.hwnd));
    EXPECT_EQ(bar.GetBlockColor(527), RGB(255, 0, 0));

    // After that request has been handled, the next position posts again.
    ValidateRect(bar.hwnd, nullptr);
    std::thread(([&] { bar.GetProgress()->SetPosition(0); })).join();
    EXPECT_EQ(CountQueued(RegisterWindowMessageW(L"MVProgressBar.Repaint")), 1);
    EXPECT_TRUE(NeedsPainting(bar.hwnd));
}

TEST(MVProgressBarWindow, NoBackgroundShowsTheScrollBarColourUnderDoubleBuffering)
{
    Parent parent(0, true);
    MVProgressBar bar;
    ASSERT_TRUE(bar.CreateOverControl(parent.Placeholder(0, 0, 100, 60), 0, WS_CHILD | WS_VISIBLE, nullptr, nullptr,
                                      nullptr, nullptr));
    bar.backgroundColor = static_cast<COLORREF>(-1);
    bar.SetBlockCount(10);
    bar.doubleBuffered = TRUE;
    InvalidateRect(bar.hwnd, nullptr, TRUE);
    UpdateWindow(bar.hwnd);
    HDC screen = GetDC(bar.hwnd);
    EXPECT_EQ(GetPixel(screen, 2, 2), GetSysColor(COLOR_SCROLLBAR));
    EXPECT_EQ(GetPixel(screen, 99, 59), GetSysColor(COLOR_SCROLLBAR));
    RECT first;
    bar.GetBlockRect(0, first);
    EXPECT_EQ(GetPixel(screen, first.left, first.top), bar.emptyColor);
    ReleaseDC(bar.hwnd, screen);
}
}
