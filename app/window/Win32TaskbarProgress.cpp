#include "Win32TaskbarProgress.h"

#include <objbase.h>
#include <shobjidl.h>

std::unique_ptr<TaskbarProgress> Win32TaskbarProgress::Create(HWND window)
{
    // S_FALSE (already initialised) counts too and must be balanced; RPC_E_CHANGED_MODE means
    // the thread is in another apartment already, which the taskbar object works from as well.
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool comInitialized = SUCCEEDED(init);
    ITaskbarList3* taskbar = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                   reinterpret_cast<void**>(&taskbar))))
    {
        if (SUCCEEDED(taskbar->HrInit()))
            return std::unique_ptr<TaskbarProgress>(new Win32TaskbarProgress(window, comInitialized, taskbar));
        taskbar->Release();
    }
    if (comInitialized)
        CoUninitialize();
    return nullptr;
}

Win32TaskbarProgress::Win32TaskbarProgress(HWND progressWindow, bool initialized, ITaskbarList3* list)
    : window(progressWindow), comInitialized(initialized), taskbar(list)
{
}

Win32TaskbarProgress::~Win32TaskbarProgress()
{
    taskbar->Release();
    if (comInitialized)
        CoUninitialize();
}

void Win32TaskbarProgress::SetState(TaskbarProgressState state)
{
    TBPFLAG flag = TBPF_NOPROGRESS;
    if (state == TaskbarProgressState::Normal)
        flag = TBPF_NORMAL;
    else if (state == TaskbarProgressState::Error)
        flag = TBPF_ERROR;
    // A failure leaves the button as it was: the window shows the copy's progress anyway.
    taskbar->SetProgressState(window, flag);
}

void Win32TaskbarProgress::SetValue(ULONGLONG done, ULONGLONG total)
{
    taskbar->SetProgressValue(window, done, total);
}

bool Win32TaskbarProgress::IsInForeground(HWND window)
{
    HWND foreground = GetForegroundWindow();
    return foreground && GetAncestor(foreground, GA_ROOTOWNER) == window;
}

void Win32TaskbarProgress::Flash(HWND window)
{
    FLASHWINFO flash = {};
    flash.cbSize = sizeof(flash);
    flash.hwnd = window;
    flash.dwFlags = FLASHW_TRAY | FLASHW_TIMERNOFG;
    FlashWindowEx(&flash);
}
