#pragma once
#include <windows.h>

// Switches the calling thread's error mode for the length of a scope, then puts it back. A
// drive without its disc must fail the call that reads it, not stop the thread behind a system
// box ("There is no disk in the drive") that nobody asked for. Only the calling thread's mode
// changes: the process's mode belongs to every thread.
class ThreadErrorModeScope
{
public:
    explicit ThreadErrorModeScope(DWORD mode = SEM_FAILCRITICALERRORS)
        : switched(SetThreadErrorMode(mode, &previous) != FALSE)
    {
    }
    ~ThreadErrorModeScope()
    {
        if (switched) {
            DWORD error = GetLastError();
            SetThreadErrorMode(previous, nullptr);
            SetLastError(error);
        }
    }
    ThreadErrorModeScope(const ThreadErrorModeScope&) = delete;
    ThreadErrorModeScope& operator=(const ThreadErrorModeScope&) = delete;

private:
    DWORD previous = 0;
    bool switched;
};
