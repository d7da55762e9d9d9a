#include "ImageFileName.h"

#include <cwchar>
#include <cwctype>

namespace
{
const wchar_t kLabelSeparator[] = L" - ";

bool IsForbiddenInFileName(wchar_t c)
{
    return c < 0x20 || c == 0x7F || std::wcschr(L"\\/:*?\"<>|", c) != nullptr;
}

// The part before the first dot, without trailing spaces: what Windows compares with the
// device names ("con .iso" and "Con.iso" both name the console).
std::wstring DeviceStem(const std::wstring& name)
{
    std::wstring stem = name.substr(0, name.find(L'.'));
    stem.erase(stem.find_last_not_of(L' ') + 1);
    for (wchar_t& c : stem)
        c = static_cast<wchar_t>(std::towupper(c));
    return stem;
}

bool IsReservedDeviceName(const std::wstring& name)
{
    const std::wstring stem = DeviceStem(name);
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL")
        return true;
    // Windows reserves the superscript digits one to three there too (U+00B9, U+00B2, U+00B3).
    return stem.size() == 4 && (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           ((stem[3] >= L'1' && stem[3] <= L'9') || std::wcschr(L"\u00B9\u00B2\u00B3", stem[3]) != nullptr);
}
}

std::wstring ImageFileNameForLabel(const std::wstring& label)
{
    std::wstring name = label;
    for (wchar_t& c : name)
        if (IsForbiddenInFileName(c))
            c = L'_';
    const size_t kept = name.find_last_not_of(L". ");
    name.erase(kept == std::wstring::npos ? 0 : kept + 1);
    if (name.empty())
        return name;
    if (IsReservedDeviceName(name))
        name.insert(0, 1, L'_');
    return name + L".iso";
}

std::wstring ImageFileNameForEntry(const std::wstring& driveEntry)
{
    const size_t separator = driveEntry.find(kLabelSeparator);
    if (separator == std::wstring::npos)
        return std::wstring();
    return ImageFileNameForLabel(driveEntry.substr(separator + std::wcslen(kLabelSeparator)));
}
