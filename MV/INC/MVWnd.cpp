#include "MVWnd.h"

#include <cwchar>

#include "MVException.h"
#include "MVExceptionReport.h"
#include "MVGdiObject.h"
#include "MVMemoryDC.h"
#include "MVPaintDC.h"
#include "MVSelection.h"
#include "MVSystemError.h"
#include "MVWndRegistry.h"

namespace
{
const wchar_t sourceModule[] = L"MV\\INC\\MVWnd";

// The text of the thread's last error goes into the exception before anything can change it.
[[noreturn]] void ThrowSystemError(int line)
{
    const MVString text = SystemErrorText();
    throw MVException(text.GetBuffer(), sourceModule, line, 0);
}

WNDPROC ReplaceProc(HWND window, WNDPROC proc)
{
    return reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}
}

MVWnd::MVWnd() : doubleBuffered(FALSE), className{}, hwnd(nullptr), previousProc(nullptr)
{
    // The registry must exist before any window object so that it outlives them all, static
    // objects included: statics are destroyed in the reverse order of their construction.
    MVWndRegistry::Instance();
}

MVWnd::~MVWnd()
{
    if (previousProc)
    {
        try
        {
            Unsubclass();
        }
        catch (...)
        {
            // No exception may leave a destructor; the window must not keep calling into
            // this object either.
            AbandonSubclass();
        }
    }
    Destroy();
    // A window that could not be destroyed here (one owned by another thread) and a creation
    // still pending must not lead to this object once it is gone.
    MVWndRegistry::Instance().Forget(this);
}

void MVWnd::AbandonSubclass()
{
    // The window is left with a procedure we do not own, or with ours still installed; either
    // way its messages that reach WindowProc go on to the procedure it had before Subclass.
    MVWndRegistry::Instance().Unbind(hwnd, this);
    if (IsWindow(hwnd))
        MVWndRegistry::Instance().Abandon(hwnd, previousProc);
    hwnd = nullptr;
    previousProc = nullptr;
}

void MVWnd::Subclass(HWND window)
{
    if (IsSubclassed())
        Unsubclass();
    previousProc = ReplaceProc(window, WindowProc);
    if (!previousProc)
        ThrowSystemError(523);
    hwnd = window;
    MVWndRegistry::Instance().Bind(window, this);
}

void MVWnd::Unsubclass()
{
    if (!previousProc)
        return;
    if (!IsWindow(hwnd))
    {
        previousProc = nullptr;
        return;
    }
    const WNDPROC replaced = ReplaceProc(hwnd, previousProc);
    if (!replaced)
        ThrowSystemError(543);
    if (replaced != WindowProc)
        ThrowSystemError(545);
    MVWndRegistry::Instance().Unbind(hwnd, this);
    previousProc = nullptr;
    hwnd = nullptr;
}

BOOL MVWnd::OnEraseBackground(HDC dc)
{
    if (!doubleBuffered)
        return FALSE;
    RECT client = {};
    GetClientRect(hwnd, &client);
    MVGdiObject brush(CreateSolidBrush(GetSysColor(COLOR_SCROLLBAR)));
    FillRect(dc, &client, static_cast<HBRUSH>(brush.Get()));
    return TRUE;
}

BOOL MVWnd::PreCreate(CREATESTRUCTW&)
{
    return TRUE;
}

void MVWnd::OnPaint(HDC, const PAINTSTRUCT&)
{
}

LRESULT MVWnd::OnMessage(UINT, WPARAM, LPARAM)
{
    return 0;
}

BOOL MVWnd::OnCommand(HWND, WORD, WORD)
{
    return FALSE;
}

BOOL MVWnd::OnSysCommand(WPARAM, LPARAM)
{
    return FALSE;
}

const wchar_t* MVWnd::RegisterWindowClass(UINT style, HCURSOR cursor, HBRUSH background, HICON icon)
{
    const HINSTANCE module = GetModuleHandleW(nullptr);
    // Handles are written in full (%Ix is pointer-sized): a 64-bit module address cut to 32 bits
    // could give two different classes one name. At most 90 units, so the name always fits.
    _snwprintf(className, ClassNameLength, L"MVWnd:%Ix:%x:%Ix:%Ix:%Ix", reinterpret_cast<UINT_PTR>(module), style,
               reinterpret_cast<UINT_PTR>(cursor), reinterpret_cast<UINT_PTR>(background),
               reinterpret_cast<UINT_PTR>(icon));
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(module, className, &existing))
        return className;

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = style ? style : CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = module;
    wc.hIcon = icon;
    wc.hIconSm = icon;
    wc.hCursor = cursor ? cursor : LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background ? background : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = className;
    // A failure shows up as a failed creation.
    RegisterClassExW(&wc);
    return className;
}

BOOL MVWnd::Create(DWORD exStyle, DWORD style, int x, int y, int width, int height, const wchar_t* classNameOrNull,
                   HWND parent, const wchar_t* windowName, HMENU menuOrId, void* createParam, HINSTANCE instance)
{
    if (!instance)
        instance = GetModuleHandleW(nullptr);
    if (classNameOrNull)
    {
        wcsncpy(className, classNameOrNull, ClassNameLength - 1);
        className[ClassNameLength - 1] = L'\0';
    }
    else if (!className[0])
    {
        RegisterWindowClass();
    }

    CREATESTRUCTW cs = {};
    cs.lpCreateParams = createParam;
    cs.hMenu = menuOrId;
    cs.hwndParent = parent;
    cs.cy = height;
    cs.cx = width;
    cs.y = y;
    cs.x = x;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName ? windowName : L"MVWnd";
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    if (!PreCreate(cs))
        return FALSE;

    // The new window's first message, sent inside CreateWindowExW on this thread, binds it.
    const DWORD thread = GetCurrentThreadId();
    MVWndRegistry::Instance().BeginCreation(thread, this);
    CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y, cs.cx,
                    cs.cy, cs.hwndParent, cs.hMenu, instance, cs.lpCreateParams);
    // A creation that failed before any message (an unknown class, say) must not leave this
    // object pending, or the thread's next window would be bound to it.
    MVWndRegistry::Instance().EndCreation(thread, this);
    return hwnd != nullptr;
}

BOOL MVWnd::CreateOverControl(HWND placeholder, DWORD exStyle, DWORD style, const wchar_t* classNameOrNull,
                              const wchar_t* windowName, void* createParam, HINSTANCE instance)
{
    RECT rect = {};
    GetWindowRect(placeholder, &rect);
    const HWND parent = GetParent(placeholder);
    ScreenRectToClientOf(parent, rect);
    const BOOL created = Create(exStyle, style, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                classNameOrNull, parent, windowName, nullptr, createParam, instance);
    if (created)
        DestroyWindow(placeholder);
    return created;
}

BOOL MVWnd::Destroy()
{
    if (!IsWindow(hwnd))
        return FALSE;
    return DestroyWindow(hwnd);
}

LONG MVWnd::GetStyle(bool extended) const
{
    return GetWindowLongW(hwnd, extended ? GWL_EXSTYLE : GWL_STYLE);
}

void MVWnd::ScreenRectToClient(RECT& rect) const
{
    ScreenRectToClientOf(hwnd, rect);
}

void MVWnd::ScreenRectToClientOf(HWND window, RECT& rect)
{
    POINT topLeft = {rect.left, rect.top};
    POINT bottomRight = {rect.right, rect.bottom};
    ScreenToClient(window, &topLeft);
    ScreenToClient(window, &bottomRight);
    rect = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    // A mirrored window counts x from its right edge, so the corners change sides.
    if (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYOUTRTL)
    {
        const LONG left = rect.left;
        rect.left = rect.right;
        rect.right = left;
    }
}

MVWnd* MVWnd::FromHandle(HWND h)
{
    return MVWndRegistry::Instance().Find(h);
}

MVWnd* MVWnd::PendingCreation(DWORD threadId)
{
    return MVWndRegistry::Instance().PendingCreation(threadId);
}

LRESULT CALLBACK MVWnd::WindowProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam)
{
    try
    {
        MVWnd* wnd = MVWndRegistry::Instance().Resolve(h);
        if (wnd)
            return wnd->Dispatch(h, message, wParam, lParam);
        // No object: a window abandoned by a destroyed object keeps its own procedure;
        // anything else made from a framework class by other means gets the default.
        const WNDPROC abandoned = MVWndRegistry::Instance().AbandonedProc(h);
        if (message == WM_NCDESTROY)
            MVWndRegistry::Instance().ForgetAbandoned(h);
        if (abandoned)
            return CallWindowProcW(abandoned, h, message, wParam, lParam);
        return DefWindowProcW(h, message, wParam, lParam);
    }
    catch (...)
    {
        ShowCurrentException(h);
        return 0;
    }
}

LRESULT MVWnd::Dispatch(HWND h, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT answered = OnMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY)
    {
        // Ended even when OnMessage answers the message: a stale entry would bind a later
        // window that happens to get the same handle to this object.
        MVWndRegistry::Instance().Unbind(h, this);
        hwnd = nullptr;
    }
    if (answered)
        return answered;

    switch (message)
    {
    case WM_PAINT:
        Paint(h);
        break;
    case WM_ERASEBKGND:
        if (doubleBuffered)
            return 1;
        if (const BOOL erased = OnEraseBackground(reinterpret_cast<HDC>(wParam)))
            return erased;
        break;
    case WM_COMMAND:
        if (OnCommand(reinterpret_cast<HWND>(lParam), LOWORD(wParam), HIWORD(wParam)))
            return 0;
        break;
    case WM_SYSCOMMAND:
        if (OnSysCommand(wParam, lParam))
            return 0;
        break;
    default:
        break;
    }
    return DefaultProc(h, message, wParam, lParam);
}

LRESULT MVWnd::DefaultProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) const
{
    if (previousProc)
        return CallWindowProcW(previousProc, h, message, wParam, lParam);
    return DefWindowProcW(h, message, wParam, lParam);
}

void MVWnd::Paint(HWND h)
{
    const MVPaintDC dc(h);
    if (!dc.GetHdc())
        return;
    if (doubleBuffered)
        PaintBuffered(dc.GetPaintStruct());
    else
        OnPaint(dc.GetHdc(), dc.GetPaintStruct());
}

void MVWnd::PaintBuffered(const PAINTSTRUCT& ps)
{
    const HDC screen = ps.hdc;
    RECT client = {};
    GetClientRect(hwnd, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    MVMemoryDC memory(screen);
    MVGdiObject bitmap(CreateCompatibleBitmap(screen, width, height));
    MVSelection selection(memory.Get(), bitmap.Get());
    OnEraseBackground(memory.Get());
    OnPaint(memory.Get(), ps);
    BitBlt(screen, client.left, client.top, width, height, memory.Get(), 0, 0, SRCCOPY);
}
