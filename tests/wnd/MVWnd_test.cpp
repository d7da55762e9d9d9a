#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

#include "DibCanvas.h"
#include "MVException.h"
#include "MVWnd.h"
#include "ThrownAt.h"

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
        return Create(WS_EX_TOOLWINDOW, WS_OVERLAPPEDWINDOW, 10, 10, 200, 150, cls, nullptr, nullptr, nullptr, param,
                      nullptr);
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

// A class is named after the module and its settings and registered once: windows made with the
// default settings share it; other settings make another class.
TEST(MVWnd, ClassesAreRegisteredOncePerSetting)
{
    Probe first;
    ASSERT_TRUE(first.Create(0, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(std::wstring(first.className), ModuleClassName(L"0:0:0:0"));
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), first.className, &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(wc.hCursor, LoadCursorW(nullptr, IDC_ARROW));

    MVWnd second; // no PreCreate override: the default title
    ASSERT_TRUE(second.Create(0, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_STREQ(second.className, first.className);
    wchar_t title[32] = {}, registeredName[64] = {};
    GetWindowTextW(second.hwnd, title, 32);
    EXPECT_STREQ(title, L"MVWnd");
    GetClassNameW(second.hwnd, registeredName, 64);
    EXPECT_STREQ(registeredName, first.className);

    const std::wstring name = second.RegisterWindowClass(CS_HREDRAW | CS_VREDRAW);
    EXPECT_EQ(name, ModuleClassName(L"3:0:0:0"));
    EXPECT_EQ(second.RegisterWindowClass(CS_HREDRAW | CS_VREDRAW), second.className);
    EXPECT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), name.c_str(), &wc));
    const std::wstring withCursor = second.RegisterWindowClass(0, LoadCursorW(nullptr, IDC_CROSS));
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
    EXPECT_TRUE(probe.GetStyle(true) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(probe.GetStyle(false) & WS_EX_TOOLWINDOW);
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

// A creation that PreCreate cancels or the system refuses sends nothing and leaves nothing
// pending that would capture the next window.
TEST(MVWnd, FailedCreationDoesNotCaptureTheNextWindow)
{
    Probe cancelled, failed;
    cancelled.allowCreate = FALSE;
    EXPECT_FALSE(cancelled.CreateTopLevel());
    EXPECT_EQ(MVWnd::PendingCreation(GetCurrentThreadId()), nullptr);
    EXPECT_FALSE(failed.CreateTopLevel(L"PelmoraNoSuchClass"));
    EXPECT_EQ(MVWnd::PendingCreation(GetCurrentThreadId()), nullptr);
    EXPECT_STREQ(failed.className, L"PelmoraNoSuchClass");

    Probe next;
    ASSERT_TRUE(next.CreateTopLevel());
    for (const Probe* probe : {&cancelled, &failed})
    {
        EXPECT_EQ(probe->hwnd, nullptr);
        EXPECT_TRUE(probe->messages.empty());
    }
    EXPECT_EQ(MVWnd::FromHandle(next.hwnd), &next);
}

// WM_NCDESTROY unbinds, whatever OnMessage answers; the object outlives its window and can make
// another of the same class. The destructor destroys a window the object made.
TEST(MVWnd, NcDestroyUnbinds)
{
    for (LRESULT answer : {0, 1})
    {
        Probe probe;
        ASSERT_TRUE(probe.CreateTopLevel());
        probe.answerMessage = WM_NCDESTROY;
        probe.answer = answer;
        const HWND window = probe.hwnd;
        EXPECT_TRUE(DestroyWindow(window));
        EXPECT_TRUE(probe.Saw(WM_NCDESTROY));
        EXPECT_EQ(probe.hwnd, nullptr) << answer;
        EXPECT_EQ(MVWnd::FromHandle(window), nullptr) << answer;
        EXPECT_FALSE(probe.Destroy());
        const std::wstring name = probe.className;
        ASSERT_TRUE(probe.CreateTopLevel());
        EXPECT_EQ(std::wstring(probe.className), name);
    }
    HWND window = nullptr;
    {
        Probe probe;
        ASSERT_TRUE(probe.CreateTopLevel());
        window = probe.hwnd;
    }
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(MVWnd::FromHandle(window), nullptr);
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
    DibCanvas canvas(8, 6, RGB(1, 2, 3));
    const WPARAM dc = reinterpret_cast<WPARAM>(canvas.Dc());

    // Direct: the base leaves erasing to DefWindowProcW and the class's white brush.
    EXPECT_EQ(probe.OnEraseBackground(canvas.Dc()), FALSE);
    EXPECT_NE(SendMessageW(probe.hwnd, WM_ERASEBKGND, dc, 0), 0);
    EXPECT_EQ(canvas.Pixel(2, 2), RGB(255, 255, 255));

    // Double-buffered: answered 1 and the DC is not touched.
    canvas.Fill(RGB(1, 2, 3));
    probe.doubleBuffered = TRUE;
    EXPECT_EQ(SendMessageW(probe.hwnd, WM_ERASEBKGND, dc, 0), 1);
    EXPECT_EQ(canvas.Pixel(2, 2), RGB(1, 2, 3));
    // The base erase, called directly, lays down the scroll-bar colour.
    EXPECT_EQ(probe.OnEraseBackground(canvas.Dc()), TRUE);
    EXPECT_EQ(canvas.Count(GetSysColor(COLOR_SCROLLBAR), 0, 0, 8, 6), 8 * 6);
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
    const auto e = ThrownAt(L"MVWnd", 523, [&] { wnd.Subclass(reinterpret_cast<HWND>(0x1234)); });
    // The system's text for the invalid handle.
    EXPECT_TRUE(e && e->GetValue() == 0 && e->GetText() && wcslen(e->GetText()) > 0);
    EXPECT_EQ(wnd.previousProc, nullptr);
    EXPECT_EQ(wnd.hwnd, nullptr);
}

TEST(MVWnd, SubclassRoutesMessagesAndPassesTheRestOn)
{
    const HWND window = CreatePlainWindow();
    ASSERT_NE(window, nullptr);
    Probe probe;
    probe.Subclass(window);
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

// A second Subclass gives the first window back; once the window is gone, WM_NCDESTROY has
// ended the binding and Unsubclass has nothing to give back.
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
    DestroyWindow(first);
    DestroyWindow(second);
    EXPECT_EQ(probe.hwnd, nullptr);
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
    ThrownAt(L"MVWnd", 545, [&] { probe.Unsubclass(); });
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
}
