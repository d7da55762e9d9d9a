#include "DriveLetter.h"

wchar_t DriveLetterOf(const std::wstring& entry)
{
    if (entry.size() < 2 || entry[1] != L':')
        return 0;
    const wchar_t c = entry[0];
    if (c >= L'a' && c <= L'z')
        return wchar_t(c - L'a' + L'A');
    return c >= L'A' && c <= L'Z' ? c : 0;
}

std::wstring DevicePathOf(wchar_t letter)
{
    return std::wstring(L"\\\\.\\") + letter + L':';
}
