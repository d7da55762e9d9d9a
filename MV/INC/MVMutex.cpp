#include "MVMutex.h"

#include "MVException.h"

namespace
{
const wchar_t ModulePath[] = L"MV\\INC\\MVThread";
const int CreateFailedLine = 227;
}

MVMutex::MVMutex(const wchar_t* name, BOOL initialOwner, LPSECURITY_ATTRIBUTES security)
{
    handle = CreateMutexW(security, initialOwner, name);
    if (!handle)
        throw MVException(nullptr, ModulePath, CreateFailedLine, 0);
}

MVMutex::~MVMutex()
{
    if (handle) {
        CloseHandle(handle);
        handle = nullptr;
    }
}
