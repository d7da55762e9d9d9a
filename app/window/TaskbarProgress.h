#pragma once
#include <windows.h>

// What the taskbar button shows of a copy: nothing, a running bar, or the error colour.
enum class TaskbarProgressState { None, Normal, Error };

// The progress display of the window's taskbar button. Win32TaskbarProgress shows it through
// the shell; tests record the calls. Called on the window's thread only.
class TaskbarProgress
{
public:
    virtual ~TaskbarProgress() = default;
    virtual void SetState(TaskbarProgressState state) = 0;
    // done out of total; the state becomes Normal when it was None.
    virtual void SetValue(ULONGLONG done, ULONGLONG total) = 0;
};
