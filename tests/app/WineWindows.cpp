// Under Wine on a display without a window manager (the tests' Xvfb), hiding a managed
// top-level window waits two seconds for a state change that never comes: every dialog and
// message box of a test would cost that. Wine reads this program's setting when the process
// starts, so the setting is written here, during test discovery, and every test process that
// the test runner starts afterwards has unmanaged windows. On Windows nothing is changed.
#include <windows.h>

namespace
{
bool RunningUnderWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

bool AskWineForUnmanagedWindows()
{
    if (!RunningUnderWine())
        return false;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\app_tests.exe\\X11 Driver", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const wchar_t no[] = L"N";
    const bool set = RegSetValueExW(key, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(no), sizeof(no)) ==
                     ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}

const bool unmanagedWineWindows = AskWineForUnmanagedWindows();
}
