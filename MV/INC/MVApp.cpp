#include "MVApp.h"
#include <vector>
#include "MVExceptionReport.h"

namespace
{
MVApp* currentApp = nullptr;

std::wstring ModulePath()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;)
    {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0)
            return std::wstring();
        // A full buffer means the path was cut: long-path systems allow up to 32767 units.
        if (n < path.size())
            return std::wstring(path.data(), n);
        if (path.size() >= 32768)
            return std::wstring(path.data(), n);
        path.resize(path.size() * 2);
    }
}
}

MVApp::MVApp() : name(NameFromModulePath(ModulePath().c_str())), instance(GetModuleHandleW(nullptr))
{
    currentApp = this;
}

MVApp::~MVApp()
{
    if (currentApp == this)
        currentApp = nullptr;
}

int MVApp::Run(HINSTANCE runInstance)
{
    if (runInstance)
        instance = runInstance;
    try
    {
        InitInstance();
        return 0;
    }
    catch (...)
    {
        ShowCurrentException(nullptr);
        return 1;
    }
}

MVApp* MVApp::Current()
{
    return currentApp;
}

std::wstring MVApp::CurrentName()
{
    if (currentApp)
        return currentApp->name;
    return NameFromModulePath(ModulePath().c_str());
}

HINSTANCE MVApp::ResourceInstance()
{
    return currentApp ? currentApp->instance : GetModuleHandleW(nullptr);
}

std::wstring MVApp::LoadText(UINT id)
{
    // With a zero length LoadStringW hands out a read-only pointer to the resource itself.
    const wchar_t* text = nullptr;
    const int n = LoadStringW(ResourceInstance(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (n <= 0 || !text)
        return std::wstring();
    return std::wstring(text, static_cast<size_t>(n));
}

int MVApp::ShowMessage(const wchar_t* text, UINT style, HWND owner)
{
    return MessageBoxW(owner, text ? text : L"", CurrentName().c_str(), style);
}

std::wstring MVApp::NameFromModulePath(const wchar_t* path)
{
    std::wstring file(path ? path : L"");
    const size_t slash = file.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        file.erase(0, slash + 1);
    const size_t dot = file.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0)
        file.erase(dot);
    return file;
}
