#pragma once
#include <windows.h>

// Owns one kernel handle from CreateFileW (INVALID_HANDLE_VALUE when empty); not copyable.
class FileHandle
{
public:
    FileHandle() = default;
    explicit FileHandle(HANDLE handle) : handle(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle; }

    void Reset(HANDLE newHandle)
    {
        Close();
        handle = newHandle;
    }

    // Closing keeps the thread's last error, so a failure can still be reported afterwards.
    void Close()
    {
        if (IsOpen()) {
            DWORD error = GetLastError();
            CloseHandle(handle);
            handle = INVALID_HANDLE_VALUE;
            SetLastError(error);
        }
    }

private:
    HANDLE handle = INVALID_HANDLE_VALUE;
};
