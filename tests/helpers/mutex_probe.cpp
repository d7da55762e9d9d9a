// A second process for the named-mutex tests.
//   mutex_probe probe NAME                   exit code: MutexExists(NAME)
//   mutex_probe hold NAME READY QUIT         holds an MVMutex NAME, sets event READY, waits for event QUIT
#include <windows.h>

#include <cwchar>

#include "MVMutex.h"
#include "MVThread.h"

namespace
{
int Hold(const wchar_t* name, const wchar_t* readyName, const wchar_t* quitName)
{
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, readyName);
    HANDLE quit = OpenEventW(SYNCHRONIZE, FALSE, quitName);
    if (!ready || !quit)
        return 3;
    int result = 0;
    {
        const MVMutex mutex(name);
        SetEvent(ready);
        if (WaitForSingleObject(quit, 30000) != WAIT_OBJECT_0)
            result = 4;
    }
    CloseHandle(ready);
    CloseHandle(quit);
    return result;
}
}

int wmain(int argc, wchar_t** argv)
{
    try {
        if (argc == 3 && std::wcscmp(argv[1], L"probe") == 0)
            return MutexExists(argv[2]);
        if (argc == 5 && std::wcscmp(argv[1], L"hold") == 0)
            return Hold(argv[2], argv[3], argv[4]);
    } catch (...) {
        return 5;
    }
    return 2;
}
