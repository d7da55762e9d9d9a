#include "MVExceptionReport.h"
#include <cstring>
#include <exception>
#include "MVApp.h"
#include "MVException.h"
#include "MVStringfunc.h"

namespace
{
const wchar_t DefaultMVExceptionText[] = L"Exception";

std::wstring WidenAnsi(const char* text)
{
    if (!text)
        return std::wstring();
    // An ANSI text never needs more UTF-16 units than it has bytes.
    std::wstring wide(std::strlen(text) + 1, L'\0');
    const int n = AnsiToWide(text, &wide[0]);
    wide.resize(n > 1 ? static_cast<size_t>(n - 1) : 0);
    return wide;
}
}

std::wstring CurrentExceptionText(const wchar_t* otherText)
{
    std::wstring text;
    try
    {
        throw;
    }
    catch (const MVException& e)
    {
        text = e.GetText() ? e.GetText() : DefaultMVExceptionText;
    }
    catch (const std::exception& e)
    {
        text = WidenAnsi(e.what());
    }
    catch (...)
    {
    }
    return text.empty() ? std::wstring(otherText ? otherText : L"") : text;
}

void ShowCurrentException(HWND owner) noexcept
{
    const UINT style = MB_OK | MB_ICONERROR;
    try
    {
        try
        {
            throw;
        }
        catch (MVException& e)
        {
            e.Show(owner, style);
        }
        catch (...)
        {
            MVApp::ShowMessage(CurrentExceptionText(L"Unexpected error.").c_str(), style, owner);
        }
    }
    catch (...)
    {
        // Nothing is left to tell the user with; the caller goes on deliberately regardless.
    }
}
