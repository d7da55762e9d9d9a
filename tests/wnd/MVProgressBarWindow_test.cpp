#include <gtest/gtest.h>
#include <windows.h>

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
    // The bar made over a placeholder of that size at the parent's top-left corner.
    bool Bar(MVProgressBar& bar, int width, int height, unsigned blocks) const
    {
        if (!bar.CreateOverControl(Placeholder(0, 0, width, height), 0, WS_CHILD | WS_VISIBLE, nullptr, nullptr, nullptr,
                                   nullptr))
            return false;
        bar.SetBlockCount(blocks);
        return true;
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

// The bar takes the placeholder's place, size and parent (a mirrored one too) but not its id or
// frame, and is laid out in its own client area; a bar that cannot be made leaves it alone.
TEST(MVProgressBarWindow, ReplacesThePlaceholder)
{
    const struct
    {
        const char* what;
        DWORD parentExStyle;
        const wchar_t* className;
    } rows[] = {{"plain parent", 0, nullptr}, {"mirrored parent", WS_EX_LAYOUTRTL, nullptr},
                {"no such class", 0, L"PelmoraNoSuchClass"}};
    for (const auto& row : rows)
    {
        Parent parent(row.parentExStyle);
        const HWND placeholder = parent.Placeholder(20, 30, 330, 106);
        const RECT placeholderRect = ScreenRect(placeholder);
        MVProgressBar bar;
        const BOOL created =
            bar.CreateOverControl(placeholder, 0, WS_CHILD | WS_VISIBLE, row.className, nullptr, nullptr, nullptr);
        EXPECT_EQ(!row.className, created != FALSE) << row.what;
        EXPECT_EQ(!!row.className, IsWindow(placeholder) != FALSE) << row.what;
        if (!created)
        {
            EXPECT_EQ(bar.hwnd, nullptr);
            continue;
        }
        EXPECT_EQ(GetParent(bar.hwnd), parent.hwnd) << row.what;
        EXPECT_EQ(GetDlgCtrlID(bar.hwnd), 0) << row.what;
        EXPECT_TRUE(SameRect(ScreenRect(bar.hwnd), placeholderRect)) << row.what;
        EXPECT_EQ(bar.GetStyle(false) & (WS_CHILD | WS_VISIBLE | SS_SUNKEN), WS_CHILD | WS_VISIBLE) << row.what;
        RECT client = {};
        GetClientRect(bar.hwnd, &client);
        EXPECT_TRUE(SameRect(client, RECT{0, 0, 330, 106})) << row.what;  // a positive width
        bar.SetBlockCount(528);
        EXPECT_EQ(bar.GetColumns(), 44) << row.what;
    }
}

// The same count or a change of colours without redraw leaves the bar alone; a new count, a new
// size (laid out as the count alone would be there) and every SetPosition repaint it.
TEST(MVProgressBarWindow, RepaintsOnlyWhenSomethingChanged)
{
    Parent parent(0, true);
    MVProgressBar bar;
    ASSERT_TRUE(parent.Bar(bar, 330, 106, 528));
    ValidateRect(bar.hwnd, nullptr);
    bar.SetBlockCount(528);
    bar.SetBlockColor(3, RGB(1, 2, 3), FALSE);
    bar.ClearBlockColors(FALSE);
    EXPECT_FALSE(NeedsPainting(bar.hwnd));
    bar.SetBlockCount(10);
    EXPECT_TRUE(NeedsPainting(bar.hwnd));
    EXPECT_EQ(bar.GetColumns(), 7);
    const struct
    {
        int width, height, columns, rows;
        MVSize blockSize;
    } sizes[] = {
        {100, 50, 5, 2, MVSize(13, 13)},   // an inset of 80 x 30 at pitch 15
        {100, 100, 4, 4, MVSize(18, 18)},  // an inset of 80 x 80 at pitch 20
    };
    for (const auto& c : sizes)
    {
        ValidateRect(bar.hwnd, nullptr);
        SetWindowPos(bar.hwnd, nullptr, 0, 0, c.width, c.height, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_EQ(MVSize(bar.GetColumns(), bar.GetRows()), MVSize(c.columns, c.rows)) << c.width << " x " << c.height;
        EXPECT_EQ(bar.GetBlockSize(), c.blockSize) << c.width << " x " << c.height;
        EXPECT_TRUE(NeedsPainting(bar.hwnd)) << c.width << " x " << c.height;
    }
    ValidateRect(bar.hwnd, nullptr);
    bar.GetProgress()->SetPosition(0);
    EXPECT_TRUE(NeedsPainting(bar.hwnd)) << "SetPosition repaints even when the fill does not change";
}

TEST(MVProgressBarWindow, WorkerNeverWaitsForTheWindowThread)
{
    Parent parent(0, true);
    MVProgressBar bar;
    ASSERT_TRUE(parent.Bar(bar, 330, 106, 528));
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

    // One repaint request waits in the queue however many positions were set; handled, it shows
    // the last position on the screen.
    EXPECT_EQ(CountQueued(RegisterWindowMessageW(L"MVProgressBar.Repaint")), 1);
    EXPECT_TRUE(NeedsPainting(bar.hwnd));
    UpdateWindow(bar.hwnd);
    HDC screen = GetDC(bar.hwnd);
    RECT last;
    bar.GetBlockRect(527, last);
    EXPECT_EQ(GetPixel(screen, last.left + 2, last.top + 2), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(screen, last.right, last.bottom), RGB(0, 0, 0));
    ReleaseDC(bar.hwnd, screen);

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
    ASSERT_TRUE(parent.Bar(bar, 100, 60, 10));
    bar.backgroundColor = static_cast<COLORREF>(-1);
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
