#include "RecordText.h"
#include <windows.h>

namespace {
bool IsControl(wchar_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

std::wstring Hex(unsigned value, int digits)
{
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring hex;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        hex += kDigits[(value >> shift) & 15];
    return hex;
}
}

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(std::size_t(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

std::wstring EscapeControls(const std::wstring& text)
{
    std::wstring escaped;
    escaped.reserve(text.size());
    for (wchar_t c : text) {
        if (!IsControl(c))
            escaped += c;
        else if (c <= 0xFF)
            escaped += L"\\x" + Hex(c, 2);
        else
            escaped += L"\\u" + Hex(c, 4);
    }
    return escaped;
}
