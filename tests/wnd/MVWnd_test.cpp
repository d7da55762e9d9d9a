#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

#include "MVException.h"
#include "MVWnd.h"

namespace
{
// Records what reaches a framework window's overridable operations.
struct Probe : MVWnd
{
    std::vector<UINT> messages;
    HWND hwndAtNcCreate = nullptr;
    void* createParamAtNcCreate = nullptr;
    UINT answerMessage = 0xFFFFFFFF;
    LRESULT answer = 0;
    BOOL allowCreate = TRUE;
    int paints = 0;
    HDC paintDc = nullptr;
    HDC paintStructDc = nullptr;
    std::vector<COLORREF> pixelsAtPaint;
    COLORREF paintFill = 0xFFFFFFFF;

    LRESULT OnMessage(UINT message, WPARAM, LPARAM lParam) override
    {
        messages.push_back(message);
        if (message == WM_NCCREATE)
        {
            hwndAtNcCreate = hwnd;
            createParamAtNcCreate = reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams;
        }
        return message == answerMessage ? answer : 0;
    }
    BOOL PreCreate(CREATESTRUCTW& cs) override
    {
        cs.lpszName = L"Probe";
        return allowCreate;
    }
    void OnPaint(HDC dc, const PAINTSTRUCT& ps) override
    {
        ++paints;
        paintDc = dc;
        paintStructDc = ps.hdc;
        RECT client;
        GetClientRect(hwnd, &client);
        pixelsAtPaint.clear();
        if (client.right > 0 && client.bottom > 0)
            for (POINT p : {POINT{0, 0}, POINT{client.right - 1, client.bottom - 1}, POINT{client.right / 2, 3}})
                pixelsAtPaint.push_back(GetPixel(dc, p.x, p.y));
        if (paintFill != 0xFFFFFFFF)
        {
            HBRUSH brush = CreateSolidBrush(paintFill);
            RECT part = {0, 0, 10, 10};
            FillRect(dc, &part, brush);
            DeleteObject(brush);
        }
    }
    bool Saw(UINT message) const
    {
        for (UINT m : messages)
            if (m == message)
                return true;
        return false;
    }
    BOOL CreateTopLevel(const wchar_t* cls = nullptr, void* param = nullptr)
    {
        return Create(0, WS_OVERLAPPEDWINDOW, 10, 10, 200, 150, cls, nullptr, nullptr, nullptr, param, nullptr);
    }
};

std::wstring ModuleClassName(const wchar_t* tail)
{
    std::wostringstream name;
    name << L"MVWnd:" << std::hex << reinterpret_cast<UINT_PTR>(GetModuleHandleW(nullptr)) << L':' << tail;
    return name.str();
}

// A window with a procedure of its own, to be taken over.
struct PlainLog
{
    int calls = 0;
    UINT lastMessage = 0;
    WPARAM lastWParam = 0;
    LPARAM lastLParam = 0;
} plainLog;

LRESULT CALLBACK PlainProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam)
{
    ++plainLog.calls;
    plainLog.lastMessage = message;
    plainLog.lastWParam = wParam;
    plainLog.lastLParam = lParam;
    return DefWindowProcW(h, message, wParam, lParam);
}

HWND CreatePlainWindow()
{
    static bool registered = false;
    if (!registered)
    {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PelmoraPlainWindow";
        registered = RegisterClassExW(&wc) != 0;
    }
    return CreateWindowExW(0, L"PelmoraPlainWindow", L"plain", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

WNDPROC ProcOf(HWND h)
{
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(h, GWLP_WNDPROC));
}

// Another component's subclass, installed after ours, that forwards to what it replaced.
WNDPROC foreignPrevious = nullptr;
LRESULT CALLBACK ForeignProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcW(foreignPrevious, h, message, wParam, lParam);
}

TEST(MVWnd, FreshObject)
{
    const MVWnd wnd;
    EXPECT_EQ(wnd.doubleBuffered, FALSE);
    EXPECT_EQ(wnd.className[0], L'\0');
    EXPECT_EQ(wnd.hwnd, nullptr);
    EXPECT_EQ(wnd.previousProc, nullptr);
    EXPECT_FALSE(wnd.IsSubclassed());
}

TEST(MVWnd, DefaultClassIsRegisteredOnceAndShared)
{
    Probe first;
    ASSERT_TRUE(first.Create(0, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(std::wstring(first.className), ModuleClassName(L"0:0:0:0"));

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), first.className, &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(wc.lpfnWndProc, &MVWnd::WindowProc);
    EXPECT_EQ(wc.hCursor, LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(wc.hbrBackground, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(wc.hIcon, nullptr);
    EXPECT_EQ(wc.cbClsExtra, 0);
    EXPECT_EQ(wc.cbWndExtra, 0);

    MVWnd second; // no PreCreate override: the default title
    ASSERT_TRUE(second.Create(0, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ(second.className, first.className);
    wchar_t title[32] = {};
    GetWindowTextW(second.hwnd, title, 32);
    EXPECT_STREQ(title, L"MVWnd");
    wchar_t registeredName[64] = {};
    GetClassNameW(second.hwnd, registeredName, 64);
    EXPECT_STREQ(registeredName, first.className);
}

TEST(MVWnd, ExplicitStyleIsAnotherClass)
{
    MVWnd wnd;
    const std::wstring name = wnd.RegisterWindowClass(CS_HREDRAW | CS_VREDRAW);
    EXPECT_EQ(name, ModuleClassName(L"3:0:0:0"));
    EXPECT_EQ(wnd.RegisterWindowClass(CS_HREDRAW | CS_VREDRAW), wnd.className);
    EXPECT_EQ(std::wstring(wnd.className), name);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    EXPECT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), name.c_str(), &wc));
    const std::wstring withCursor = wnd.RegisterWindowClass(0, LoadCursorW(nullptr, IDC_CROSS));
    EXPECT_NE(withCursor, ModuleClassName(L"0:0:0:0"));
    EXPECT_NE(withCursor, name);
}

TEST(MVWnd, BindsAtTheFirstMessage)
{
    Probe probe;
    int parameter = 0;
    ASSERT_TRUE(probe.CreateTopLevel(nullptr, &parameter));
    EXPECT_NE(probe.hwnd, nullptr);
    EXPECT_EQ(probe.hwndAtNcCreate, probe.hwnd); // already bound when WM_NCCREATE arrives
    EXPECT_EQ(probe.createParamAtNcCreate, &parameter);
    EXPECT_TRUE(probe.Saw(WM_CREATE));
    EXPECT_EQ(MVWnd::FromHandle(probe.hwnd), &probe);
    EXPECT_EQ(MVWnd::PendingCreation(GetCurrentThreadId()), nullptr);
    wchar_t title[32] = {};
    GetWindowTextW(probe.hwnd, title, 32);
    EXPECT_STREQ(title, L"Probe"); // as PreCreate left it
}

TEST(MVWnd, WindowOfAFrameworkClassMadeElsewhereGetsTheDefault)
{
    MVWnd owner;
    const std::wstring name = owner.RegisterWindowClass();
    const HWND window = CreateWindowExW(0, name.c_str(), L"stray", WS_POPUP, 0, 0, 30, 30, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(MVWnd::FromHandle(window), nullptr);
    EXPECT_EQ(owner.hwnd, nullptr);
    wchar_t title[16] = {};
    GetWindowTextW(window, title, 16);
    EXPECT_STREQ(title, L"stray");
    EXPECT_TRUE(DestroyWindow(window));
}

TEST(MVWnd, PreCreateCancels)
{
    Probe probe;
    probe.allowCreate = FALSE;
    EXPECT_FALSE(probe.CreateTopLevel());
    EXPECT_EQ(probe.hwnd, nullptr);
    EXPECT_TRUE(probe.messages.empty());
    EXPECT_EQ(MVWnd::PendingCreation(GetCurrentThreadId()), nullptr);
}

TEST(MVWnd, FailedCreationDoesNotCaptureTheNextWindow)
{
    Probe failed;
    EXPECT_FALSE(failed.CreateTopLevel(L"PelmoraNoSuchClass"));
    EXPECT_EQ(MVWnd::PendingCreation(GetCurrentThreadId()), nullptr);
    EXPECT_STREQ(failed.className, L"PelmoraNoSuchClass");

    Probe next;
    ASSERT_TRUE(next.CreateTopLevel());
    EXPECT_EQ(failed.hwnd, nullptr);
    EXPECT_TRUE(failed.messages.empty());
    EXPECT_EQ(MVWnd::FromHandle(next.hwnd), &next);
}

TEST(MVWnd, NcDestroyUnbinds)
{
    Probe probe;
    ASSERT_TRUE(probe.CreateTopLevel());
    const HWND window = probe.hwnd;
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_TRUE(probe.Saw(WM_NCDESTROY));
    EXPECT_EQ(probe.hwnd, nullptr);
    EXPECT_EQ(MVWnd::FromHandle(window), nullptr);
    EXPECT_FALSE(probe.Destroy());
    // The object outlives its window and can make another with the same class.
    const std::wstring name = probe.className;
    ASSERT_TRUE(probe.CreateTopLevel());
    EXPECT_EQ(std::wstring(probe.className), name);
}

TEST(MVWnd, NcDestroyUnbindsEvenWhenAnswered)
{
    Probe probe;
    ASSERT_TRUE(probe.CreateTopLevel());
    probe.answerMessage = WM_NCDESTROY;
    probe.answer = 1;
    const HWND window = probe.hwnd;
    DestroyWindow(window);
    EXPECT_EQ(probe.hwnd, nullptr);
    EXPECT_EQ(MVWnd::FromHandle(window), nullptr);
}

TEST(MVWnd, DestructorDestroysTheWindow)
{
    HWND window = nullptr;
    {
        Probe probe;
        ASSERT_TRUE(probe.CreateTopLevel());
        window = probe.hwnd;
    }
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(MVWnd::FromHandle(window), nullptr);
}

TEST(MVWnd, StyleAndExtendedStyle)
{
    MVWnd wnd;
    ASSERT_TRUE(wnd.Create(WS_EX_TOOLWINDOW, WS_POPUP | WS_BORDER, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr));
    EXPECT_TRUE(wnd.GetStyle(false) & WS_POPUP);
    EXPECT_TRUE(wnd.GetStyle(false) & WS_BORDER);
    EXPECT_TRUE(wnd.GetStyle(true) & WS_EX_TOOLWINDOW);
}

TEST(MVWnd, OnMessageAnswerSuppressesPainting)
{
    Probe probe;
    ASSERT_TRUE(probe.Create(0, WS_POPUP | WS_VISIBLE, 0, 0, 60, 40, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    probe.answerMessage = WM_PAINT;
    probe.answer = 1;
    InvalidateRect(probe.hwnd, nullptr, FALSE);
    UpdateWindow(probe.hwnd);
    EXPECT_EQ(probe.paints, 0);
    probe.answerMessage = 0xFFFFFFFF;
    InvalidateRect(probe.hwnd, nullptr, FALSE);
    UpdateWindow(probe.hwnd);
    EXPECT_EQ(probe.paints, 1);
    EXPECT_EQ(probe.paintDc, probe.paintStructDc); // direct painting draws into BeginPaint's DC
}

TEST(MVWnd, EraseBackgroundDirectAndDoubleBuffered)
{
    Probe probe;
    ASSERT_TRUE(probe.Create(0, WS_POPUP, 0, 0, 8, 6, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    HDC memory = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, -6, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SetPixel(memory, 2, 2, RGB(1, 2, 3));

    // Direct: the base leaves erasing to DefWindowProcW and the class's white brush.
    EXPECT_EQ(probe.OnEraseBackground(memory), FALSE);
    EXPECT_NE(SendMessageW(probe.hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0), 0);
    EXPECT_EQ(GetPixel(memory, 2, 2), RGB(255, 255, 255));

    // Double-buffered: answered 1 and the DC is not touched.
    SetPixel(memory, 2, 2, RGB(1, 2, 3));
    probe.doubleBuffered = TRUE;
    EXPECT_EQ(SendMessageW(probe.hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(memory), 0), 1);
    EXPECT_EQ(GetPixel(memory, 2, 2), RGB(1, 2, 3));
    // The base erase, called directly, lays down the scroll-bar colour.
    EXPECT_EQ(probe.OnEraseBackground(memory), TRUE);
    EXPECT_EQ(GetPixel(memory, 2, 2), GetSysColor(COLOR_SCROLLBAR));
    EXPECT_EQ(GetPixel(memory, 7, 5), GetSysColor(COLOR_SCROLLBAR));

    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

TEST(MVWnd, DoubleBufferedPaintStartsFromTheScrollBarColour)
{
    Probe probe;
    ASSERT_TRUE(probe.Create(0, WS_POPUP | WS_VISIBLE, 30, 30, 40, 20, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    probe.doubleBuffered = TRUE;
    probe.paintFill = RGB(255, 0, 0);
    InvalidateRect(probe.hwnd, nullptr, TRUE);
    UpdateWindow(probe.hwnd);
    ASSERT_EQ(probe.paints, 1);
    EXPECT_NE(probe.paintDc, probe.paintStructDc); // drawn off-screen
    ASSERT_EQ(probe.pixelsAtPaint.size(), 3u);
    for (COLORREF pixel : probe.pixelsAtPaint)
        EXPECT_EQ(pixel, GetSysColor(COLOR_SCROLLBAR));
    // The off-screen picture reached the window.
    HDC screen = GetDC(probe.hwnd);
    EXPECT_EQ(GetPixel(screen, 5, 5), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(screen, 30, 15), GetSysColor(COLOR_SCROLLBAR));
    ReleaseDC(probe.hwnd, screen);
}

TEST(MVWnd, EmptyClientAreaStillPaints)
{
    Probe probe;
    ASSERT_TRUE(probe.Create(0, WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    probe.doubleBuffered = TRUE;
    SendMessageW(probe.hwnd, WM_PAINT, 0, 0);
    EXPECT_EQ(probe.paints, 1);
    EXPECT_TRUE(probe.pixelsAtPaint.empty());
}

TEST(MVWnd, SubclassNonWindowThrows523)
{
    MVWnd wnd;
    try
    {
        wnd.Subclass(reinterpret_cast<HWND>(0x1234));
        FAIL() << "no exception";
    }
    catch (const MVException& e)
    {
        EXPECT_EQ(e.GetLine(), 523);
        EXPECT_STREQ(e.GetFile(), L"MVWnd");
        EXPECT_EQ(e.GetValue(), 0u);
        ASSERT_NE(e.GetText(), nullptr);
        EXPECT_GT(wcslen(e.GetText()), 0u); // the system's text for the invalid handle
    }
    EXPECT_EQ(wnd.previousProc, nullptr);
    EXPECT_EQ(wnd.hwnd, nullptr);
}

TEST(MVWnd, SubclassRoutesMessagesAndPassesTheRestOn)
{
    const HWND window = CreatePlainWindow();
    ASSERT_NE(window, nullptr);
    Probe probe;
    probe.Subclass(window);
    EXPECT_TRUE(probe.IsSubclassed());
    EXPECT_EQ(probe.previousProc, &PlainProc);
    EXPECT_EQ(probe.hwnd, window);
    EXPECT_EQ(ProcOf(window), &MVWnd::WindowProc);
    EXPECT_EQ(MVWnd::FromHandle(window), &probe);

    // WM_COMMAND and WM_SYSCOMMAND reach the window's own procedure unchanged.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(1004, 3), 0x1234);
    EXPECT_TRUE(probe.Saw(WM_COMMAND));
    EXPECT_EQ(plainLog.lastMessage, static_cast<UINT>(WM_COMMAND));
    EXPECT_EQ(plainLog.lastWParam, static_cast<WPARAM>(MAKEWPARAM(1004, 3)));
    EXPECT_EQ(plainLog.lastLParam, 0x1234);
    SendMessageW(window, WM_SYSCOMMAND, 0xF0F0, 0x5678);
    EXPECT_EQ(plainLog.lastMessage, static_cast<UINT>(WM_SYSCOMMAND));
    EXPECT_EQ(plainLog.lastWParam, 0xF0F0u);

    // An answered message does not go on.
    const int calls = plainLog.calls;
    probe.answerMessage = WM_USER + 5;
    probe.answer = 77;
    EXPECT_EQ(SendMessageW(window, WM_USER + 5, 0, 0), 77);
    EXPECT_EQ(plainLog.calls, calls);

    probe.Unsubclass();
    EXPECT_FALSE(probe.IsSubclassed());
    EXPECT_EQ(probe.hwnd, nullptr);
    EXPECT_EQ(ProcOf(window), &PlainProc);
    EXPECT_EQ(MVWnd::FromHandle(window), nullptr);
    EXPECT_TRUE(IsWindow(window)); // given back, not destroyed
    DestroyWindow(window);
}

TEST(MVWnd, SubclassTwiceGivesTheFirstWindowBack)
{
    const HWND first = CreatePlainWindow();
    const HWND second = CreatePlainWindow();
    Probe probe;
    probe.Subclass(first);
    probe.Subclass(second);
    EXPECT_EQ(ProcOf(first), &PlainProc);
    EXPECT_EQ(MVWnd::FromHandle(first), nullptr);
    EXPECT_EQ(ProcOf(second), &MVWnd::WindowProc);
    EXPECT_EQ(MVWnd::FromHandle(second), &probe);
    EXPECT_EQ(probe.hwnd, second);
    probe.Unsubclass();
    DestroyWindow(first);
    DestroyWindow(second);
}

TEST(MVWnd, UnsubclassAfterTheWindowIsGone)
{
    const HWND window = CreatePlainWindow();
    Probe probe;
    probe.Subclass(window);
    DestroyWindow(window);
    EXPECT_EQ(probe.hwnd, nullptr); // WM_NCDESTROY ended the binding
    EXPECT_TRUE(probe.IsSubclassed());
    EXPECT_NO_THROW(probe.Unsubclass());
    EXPECT_EQ(probe.previousProc, nullptr);
}

TEST(MVWnd, UnsubclassAfterAForeignSubclassThrows545)
{
    const HWND window = CreatePlainWindow();
    Probe probe;
    probe.Subclass(window);
    foreignPrevious = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));
    ASSERT_EQ(foreignPrevious, &MVWnd::WindowProc);
    try
    {
        probe.Unsubclass();
        FAIL() << "no exception";
    }
    catch (const MVException& e)
    {
        EXPECT_EQ(e.GetLine(), 545);
        EXPECT_STREQ(e.GetFile(), L"MVWnd");
    }
    EXPECT_EQ(ProcOf(window), probe.previousProc);
    EXPECT_EQ(ProcOf(window), &PlainProc);
    EXPECT_TRUE(probe.IsSubclassed());
    EXPECT_EQ(probe.hwnd, window);
    // Put our procedure back in place, as the foreign component would on leaving, and
    // give the window back properly.
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MVWnd::WindowProc));
    probe.Unsubclass();
    EXPECT_EQ(ProcOf(window), &PlainProc);
    DestroyWindow(window);
}

TEST(MVWnd, DestructorSwallowsAFailedUnsubclass)
{
    const HWND window = CreatePlainWindow();
    {
        Probe probe;
        probe.Subclass(window);
        foreignPrevious = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ForeignProc)));
        // The destructor's Unsubclass raises 545; it must not leave the destructor.
    }
    EXPECT_TRUE(IsWindow(window)); // a window taken over is not the object's to destroy
    EXPECT_EQ(MVWnd::FromHandle(window), nullptr);
    // The foreign component later restores what it found: our procedure, whose object is
    // gone. Messages must still reach the window's own procedure.
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(foreignPrevious));
    const int calls = plainLog.calls;
    SendMessageW(window, WM_USER + 9, 1, 2);
    EXPECT_EQ(plainLog.calls, calls + 1);
    EXPECT_EQ(plainLog.lastMessage, static_cast<UINT>(WM_USER + 9));
    EXPECT_TRUE(DestroyWindow(window));
}

TEST(MVWnd, ScreenRectToClient)
{
    MVWnd wnd;
    ASSERT_TRUE(wnd.Create(0, WS_POPUP, 100, 50, 200, 100, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    RECT rect = {110, 70, 150, 90};
    wnd.ScreenRectToClient(rect);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.right, 50);
    EXPECT_EQ(rect.bottom, 40);
}
}
