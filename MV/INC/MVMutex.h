#pragma once
#include <windows.h>

// Owns a named mutex for its lifetime. Throws MVException (MV\INC\MVThread, line 227, no
// message) when the mutex cannot be created or opened, e.g. when another kind of object holds
// the name. While one exists in any process, MutexExists(name) (MVThread.h) returns 1.
class MVMutex
{
public:
    MVMutex(const wchar_t* name, BOOL initialOwner = FALSE, LPSECURITY_ATTRIBUTES security = nullptr);
    MVMutex(const MVMutex&) = delete;
    MVMutex& operator=(const MVMutex&) = delete;
    virtual ~MVMutex();

    HANDLE GetHandle() const { return handle; }

private:
    HANDLE handle = nullptr;
};
