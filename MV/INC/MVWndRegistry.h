#pragma once
#include <windows.h>

#include <map>
#include <mutex>

class MVWnd;

// The process-wide tables that bind window handles to their MVWnd objects. None of them owns
// an object. A lock guards them, so framework windows may live on several threads; the lock
// is held only for the table operation itself, never while a message is being handled.
//
//   windowsByHandle      from the binding of a window until its WM_NCDESTROY or Unsubclass
//   windowsBeingCreated  from Create, just before CreateWindowExW, until the new window's first
//                        message on that thread (or until CreateWindowExW returns without one)
//   abandonedProcs       windows whose procedure could not be given back when their object was
//                        destroyed: their messages still go to the procedure they had before
class MVWndRegistry
{
public:
    static MVWndRegistry& Instance();

    // The object serving a message of window h: the one bound to h, else the one that the
    // calling thread is creating, which is then bound to h (its hwnd is set here). Null when
    // neither exists.
    MVWnd* Resolve(HWND h);
    MVWnd* Find(HWND h) const;
    // Inserts, never replaces: a handle stays bound to the object that bound it first.
    void Bind(HWND h, MVWnd* wnd);
    // Removes h's entry if it belongs to wnd.
    void Unbind(HWND h, const MVWnd* wnd);

    // Inserts, never replaces: at most one object pending per thread.
    void BeginCreation(DWORD threadId, MVWnd* wnd);
    // Drops the thread's pending entry if it is still wnd's, i.e. no message bound it.
    void EndCreation(DWORD threadId, const MVWnd* wnd);
    MVWnd* PendingCreation(DWORD threadId) const;
    // Forgets every entry, bound or pending, that points to wnd.
    void Forget(const MVWnd* wnd);

    void Abandon(HWND h, WNDPROC previous);
    // The procedure an abandoned window had before it was taken over; 0 when not abandoned.
    WNDPROC AbandonedProc(HWND h) const;
    void ForgetAbandoned(HWND h);

private:
    MVWndRegistry() = default;

    mutable std::mutex lock;
    std::map<HWND, MVWnd*> windowsByHandle;
    std::map<DWORD, MVWnd*> windowsBeingCreated;
    std::map<HWND, WNDPROC> abandonedProcs;
};
