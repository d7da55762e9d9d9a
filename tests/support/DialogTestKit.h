#pragma once
// Running real modal dialogs and message boxes inside a test: the test's body runs from a
// thread timer inside the dialog's own modal loop, and boxes the code under test shows are
// read and dismissed by a watcher timer of the same thread.
#include <windows.h>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>
#include "MVDialog.h"

namespace dialogtest
{
// Window text of any window, also across threads.
inline std::wstring TextOf(HWND window)
{
    wchar_t text[512] = {};
    GetWindowTextW(window, text, ARRAYSIZE(text));
    return text;
}

inline std::wstring ClassOf(HWND window)
{
    wchar_t name[128] = {};
    GetClassNameW(window, name, ARRAYSIZE(name));
    return name;
}

// Runs messages until done() holds or timeoutMs have passed, looking every pollMs; false on
// timeout.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000, DWORD pollMs = 5)
{
    const DWORD start = GetTickCount();
    while (!done())
    {
        if (GetTickCount() - start > timeoutMs)
            return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
            {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return done();
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(pollMs);
    }
    return true;
}

inline BOOL CALLBACK VisitWindow(HWND window, LPARAM param)
{
    return (*reinterpret_cast<const std::function<bool(HWND)>*>(param))(window) ? TRUE : FALSE;
}

// Calls visit(window) for every top-level window, or with a parent for every descendant at any
// depth, until it returns false; also for other processes' windows.
inline void ForEachWindow(HWND parent, const std::function<bool(HWND)>& visit)
{
    if (parent)
        EnumChildWindows(parent, VisitWindow, reinterpret_cast<LPARAM>(&visit));
    else
        EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(&visit));
}

// A dialog window of the calling thread (or of `thread`) with that caption (any when null),
// other than `except`; null if none.
inline HWND FindThreadDialog(const wchar_t* caption, HWND except = nullptr, DWORD thread = GetCurrentThreadId())
{
    HWND found = nullptr;
    const std::function<bool(HWND)> match = [&](HWND window) {
        if (window != except && IsWindowVisible(window) && ClassOf(window) == L"#32770" &&
            (!caption || TextOf(window) == caption))
            found = window;
        return found == nullptr;
    };
    EnumThreadWindows(thread, VisitWindow, reinterpret_cast<LPARAM>(&match));
    return found;
}

// What a message box showed.
struct Box
{
    std::wstring caption;
    std::wstring text;
};

// While it lives, every message box that this thread shows with one of the given captions
// (a #32770 window with the message-box text control 0xFFFF) is recorded and closed with its
// first button. The captions keep it away from the program's own dialogs, which may hold a
// static control with the id -1 (0xFFFF) too.
class BoxWatcher
{
public:
    explicit BoxWatcher(std::vector<std::wstring> boxCaptions = {L"Exception", L"app_tests"})
        : captions(std::move(boxCaptions))
    {
        current = this;
        timer = SetTimer(nullptr, 0, 30, Tick);
    }
    ~BoxWatcher()
    {
        KillTimer(nullptr, timer);
        current = nullptr;
    }
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    std::vector<Box> boxes;

private:
    static BOOL CALLBACK CloseBox(HWND window, LPARAM)
    {
        HWND text = GetDlgItem(window, 0xFFFF);
        const std::wstring caption = TextOf(window);
        if (ClassOf(window) == L"#32770" && text && IsWindowVisible(window) &&
            std::find(current->captions.begin(), current->captions.end(), caption) != current->captions.end() &&
            std::find(current->closing.begin(), current->closing.end(), window) == current->closing.end())
        {
            current->closing.push_back(window);
            current->boxes.push_back({caption, TextOf(text)});
            PostMessageW(window, WM_COMMAND, IDOK, 0);
        }
        return TRUE;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (!current)
            return;
        // A box being closed is seen once; a handle value may come back for the next box.
        auto& closing = current->closing;
        closing.erase(std::remove_if(closing.begin(), closing.end(), [](HWND w) { return !IsWindow(w); }),
                      closing.end());
        EnumThreadWindows(GetCurrentThreadId(), CloseBox, 0);
    }

    std::vector<std::wstring> captions;
    std::vector<HWND> closing;
    static inline BoxWatcher* current = nullptr;
    UINT_PTR timer = 0;
};

struct Soon
{
    static void Run(const std::function<void()>& what, UINT delayMs = 50)
    {
        action = what;
        SetTimer(nullptr, 0, delayMs, Fire);
    }
    static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        std::function<void()> what;
        what.swap(action);
        if (what)
            what();
    }
    static inline std::function<void()> action;
};

// Calls step() from this thread's message loop (a modal loop's too) every pollMs until it returns
// true, to act on a window as soon as it is there; after timeoutMs it stops and calls giveUp().
struct Poll
{
    static void Until(const std::function<bool()>& what, const std::function<void()>& onTimeout,
                      DWORD timeoutMs = 10000, UINT pollMs = 20)
    {
        step = what;
        giveUp = onTimeout;
        start = GetTickCount();
        limit = timeoutMs;
        SetTimer(nullptr, 0, pollMs, Tick);
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR id, DWORD)
    {
        const bool done = !step || step();
        if (!done && GetTickCount() - start < limit)
            return;
        KillTimer(nullptr, id);
        std::function<void()> timedOut;
        if (!done)
            timedOut.swap(giveUp);
        step = nullptr;
        giveUp = nullptr;
        if (timedOut)
            timedOut();
    }
    static inline std::function<bool()> step;
    static inline std::function<void()> giveUp;
    static inline DWORD start = 0;
    static inline DWORD limit = 0;
};

// A descendant of parent (at any depth) with that control id, else the first of that class.
inline HWND FindDescendant(HWND parent, int id, const wchar_t* className)
{
    HWND byId = nullptr, byClass = nullptr;
    ForEachWindow(parent, [&](HWND window) {
        if (id && GetDlgCtrlID(window) == id)
            byId = window;
        else if (!byClass && className && ClassOf(window) == className)
            byClass = window;
        return byId == nullptr;
    });
    return byId ? byId : byClass;
}

struct ModalRun
{
    MVDialog* dialog;
    std::function<void(HWND)> body;

    static void CALLBACK Start(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        HWND window = current ? current->dialog->GetHwnd() : nullptr;
        if (!window)
            return;
        current->body(window);
        if (IsWindow(window))
            PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    static void CALLBACK Guard(HWND, UINT, UINT_PTR id, DWORD)
    {
        KillTimer(nullptr, id);
        if (current && current->dialog->GetHwnd())
            EndDialog(current->dialog->GetHwnd(), -2);
    }
    static inline ModalRun* current = nullptr;
};

// Runs dialog.DoModal(); once the dialog is up, body runs inside its modal loop. Afterwards
// the dialog is asked to close with SC_CLOSE, and ended by force if that does not end it
// within 20 seconds. A quit message left by the dialog's close protocol is removed.
// Returns DoModal's result.
inline INT_PTR RunModal(MVDialog& dialog, const std::function<void(HWND)>& body)
{
    ModalRun state{&dialog, body};
    ModalRun::current = &state;
    const UINT_PTR start = SetTimer(nullptr, 0, 10, ModalRun::Start);
    const UINT_PTR guard = SetTimer(nullptr, 0, 20000, ModalRun::Guard);
    const INT_PTR result = dialog.DoModal();
    KillTimer(nullptr, start);
    KillTimer(nullptr, guard);
    ModalRun::current = nullptr;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
    {
    }
    return result;
}
}
