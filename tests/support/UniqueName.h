#pragma once
#include <windows.h>
#include <string>

// A name for a named kernel object that no other test, run or process is using.
inline std::wstring UniqueName(const wchar_t* what)
{
    return std::wstring(L"PelmoraTest-") + what + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount());
}
