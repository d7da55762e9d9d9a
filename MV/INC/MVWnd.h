#pragma once
#include <windows.h>

// Base class of the library's windows: an object owns one Win32 window, created by Create
// (or CreateOverControl) or taken over from elsewhere by Subclass, and from then on every
// message of that window reaches the object through the shared WindowProc.
//
// Binding: a created window is bound to its object at its first message, inside
// CreateWindowExW, so hwnd is already set when WM_NCCREATE reaches the object. Unbinding:
// WM_NCDESTROY, the window's last message, forgets the handle and clears hwnd; the object
// lives on and may create another window. A taken-over window is given back by Unsubclass.
//
// Teardown order: the destructor first gives back a taken-over window, then destroys a window
// it created. It runs after the derived parts are gone, so the messages of that destruction
// reach only this base's behaviour.
class MVWnd
{
public:
    static constexpr int ClassNameLength = 250; // terminator included

    // When nonzero, WM_PAINT draws through an off-screen bitmap and WM_ERASEBKGND erases
    // nothing. The owner sets it after creation.
    BOOL doubleBuffered;
    wchar_t className[ClassNameLength];
    HWND hwnd;
    // Nonzero exactly while a window is taken over: its own procedure, which gets the
    // messages this object leaves unhandled.
    WNDPROC previousProc;

    MVWnd();
    virtual ~MVWnd();
    MVWnd(const MVWnd&) = delete;
    MVWnd& operator=(const MVWnd&) = delete;

    // Takes over an existing window by replacing its procedure (giving back a window taken
    // over before). Throws MVException (line 523) when the procedure cannot be replaced.
    virtual void Subclass(HWND window);
    // Paints the background into dc; nonzero when it did.
    virtual BOOL OnEraseBackground(HDC dc);
    // May change the creation values; zero cancels the creation.
    virtual BOOL PreCreate(CREATESTRUCTW& cs);
    // Draws the contents into dc (not into ps.hdc), in client coordinates.
    virtual void OnPaint(HDC dc, const PAINTSTRUCT& ps);
    // Sees every message first; a nonzero result answers the message and ends its dispatch.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

    BOOL OnCommand(HWND control, WORD id, WORD code);
    BOOL OnSysCommand(WPARAM wParam, LPARAM lParam);

    // Registers (once per process) the class named "MVWnd:<module>:<style>:<cursor>:<brush>:<icon>"
    // in hex, 0 standing for a defaulted argument, and keeps its name in className.
    const wchar_t* RegisterWindowClass(UINT style = 0, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                                       HICON icon = nullptr);
    // Nonzero when the object has a window afterwards. A null class name uses className,
    // registering the default class when className is empty.
    BOOL Create(DWORD exStyle, DWORD style, int x, int y, int width, int height, const wchar_t* classNameOrNull,
                HWND parent, const wchar_t* windowName, HMENU menuOrId, void* createParam, HINSTANCE instance);
    // Creates the window in the place and size of a placeholder child (child id 0, none of
    // its styles) and destroys the placeholder; on failure the placeholder stays.
    BOOL CreateOverControl(HWND placeholder, DWORD exStyle, DWORD style, const wchar_t* classNameOrNull,
                           const wchar_t* windowName, void* createParam, HINSTANCE instance);
    // Gives a taken-over window its own procedure back. A window that no longer exists is
    // simply forgotten. Throws MVException: line 543 when the procedure cannot be put back,
    // 545 when somebody else replaced it after Subclass (their procedure is then replaced
    // and the object stays subclassed).
    void Unsubclass();
    BOOL IsSubclassed() const { return previousProc != nullptr; }
    BOOL Destroy();
    LONG GetStyle(bool extended) const;
    // Screen to client coordinates of this window, right-to-left layouts included.
    void ScreenRectToClient(RECT& rect) const;

    static LRESULT CALLBACK WindowProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam);
    // Draws the whole client area off-screen (background, then OnPaint) and copies it once.
    void PaintBuffered(const PAINTSTRUCT& ps);

    // The object bound to a window handle; null when none.
    static MVWnd* FromHandle(HWND h);
    // The object whose creation the given thread has pending; null when none.
    static MVWnd* PendingCreation(DWORD threadId);

private:
    LRESULT Dispatch(HWND h, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) const;
    void Paint(HWND h);
    void AbandonSubclass();
    static void ScreenRectToClientOf(HWND window, RECT& rect);
};
