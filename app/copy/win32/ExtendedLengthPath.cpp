#include "ExtendedLengthPath.h"
#include <windows.h>
#include <vector>

namespace
{
const wchar_t kPrefix[] = L"\\\\?\\";
const wchar_t kUncPrefix[] = L"\\\\?\\UNC\\";

bool StartsWith(const std::wstring& text, const wchar_t* head)
{
    return text.compare(0, wcslen(head), head) == 0;
}

// The system does not clean up a "\\?\" path: ".", "..", and forward slashes must be gone first.
std::wstring FullPath(const std::wstring& path)
{
    std::vector<wchar_t> full(kLongestPath);
    const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size())
        return std::wstring();
    return std::wstring(full.data(), length);
}
}

std::wstring ExtendedLengthPath(const std::wstring& path)
{
    if (path.size() < MAX_PATH || StartsWith(path, kPrefix))
        return path;
    const std::wstring full = FullPath(path);
    std::wstring extended;
    if (full.size() > 2 && full[1] == L':' && full[2] == L'\\')
        extended = kPrefix + full;
    else if (StartsWith(full, L"\\\\") && !StartsWith(full, L"\\\\.\\") && !StartsWith(full, L"\\\\?\\"))
        extended = kUncPrefix + full.substr(2);
    if (extended.size() >= kLongestPath)
        return std::wstring();
    return extended;
}
