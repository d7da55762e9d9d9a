#include "MVExceptionReport.h"
#include <exception>
#include <string>
#include "MVApp.h"
#include "MVException.h"

namespace
{
std::wstring WidenAnsi(const char* text)
{
    const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}
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
        catch (const std::exception& e)
        {
            MVApp::ShowMessage(WidenAnsi(e.what()).c_str(), style, owner);
        }
        catch (...)
        {
            MVApp::ShowMessage(L"Unexpected error.", style, owner);
        }
    }
    catch (...)
    {
        // Nothing is left to tell the user with; the caller goes on deliberately regardless.
    }
}
