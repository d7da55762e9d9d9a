#include "InstanceMutex.h"

std::unique_ptr<MVMutex> ClaimInstanceMutex(const wchar_t* name)
{
    // CreateMutexW opens an existing mutex of that name and says so in the last error code,
    // which MVMutex leaves untouched when it succeeds.
    SetLastError(ERROR_SUCCESS);
    auto mutex = std::make_unique<MVMutex>(name, FALSE, nullptr);
    if (GetLastError() == ERROR_ALREADY_EXISTS)
        return nullptr;
    return mutex;
}
