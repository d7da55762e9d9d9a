#pragma once
#include <windows.h>
#include <memory>
#include "TaskbarProgress.h"

struct ITaskbarList3;

// The taskbar button's progress through the shell's ITaskbarList3 (Windows 7 and later).
// Made on the window's thread once the window has received "TaskbarButtonCreated"; it keeps
// that thread's COM apartment open for as long as it lives.
class Win32TaskbarProgress : public TaskbarProgress
{
public:
    // Null where the shell offers no ITaskbarList3 (older systems, some shells): the button
    // then simply shows no progress.
    static std::unique_ptr<TaskbarProgress> Create(HWND window);
    // True while the user works in `window` or one it owns (a message box, the About box).
    static bool IsInForeground(HWND window);
    // Flashes the window's taskbar button until the user comes back to it.
    static void Flash(HWND window);

    ~Win32TaskbarProgress() override;
    Win32TaskbarProgress(const Win32TaskbarProgress&) = delete;
    Win32TaskbarProgress& operator=(const Win32TaskbarProgress&) = delete;

    void SetState(TaskbarProgressState state) override;
    void SetValue(ULONGLONG done, ULONGLONG total) override;

private:
    Win32TaskbarProgress(HWND window, bool comInitialized, ITaskbarList3* taskbar);

    HWND window;
    bool comInitialized;
    ITaskbarList3* taskbar;
};
