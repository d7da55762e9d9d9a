#pragma once
#include <windows.h>
#include <string>

// The application object: the program's name and instance, and the one start-up step.
//
// The name is the executable's file name without its extension. It captions every message box
// the application shows and names whatever the application keys on its identity (its instance
// mutex). At most one application object exists at a time; Current() finds it.
class MVApp
{
public:
    MVApp();
    MVApp(const MVApp&) = delete;
    MVApp& operator=(const MVApp&) = delete;
    virtual ~MVApp();

    // Runs InitInstance. An exception that escapes it is shown (MVException::Show for the
    // library's own, a message box for any other) and ends the program with exit code 1;
    // otherwise the exit code is 0. The program's whole life happens inside InitInstance.
    int Run(HINSTANCE instance);

    const std::wstring& Name() const { return name; }
    HINSTANCE Instance() const { return instance; }

    // The running application object, or null outside one.
    static MVApp* Current();
    // The name of the running application; without an application object, the name taken
    // from the executable's path.
    static std::wstring CurrentName();
    // The module holding the resources: the executable.
    static HINSTANCE ResourceInstance();
    // String resource `id`, or an empty text when there is none.
    static std::wstring LoadText(UINT id);
    // A message box captioned with the application's name.
    static int ShowMessage(const wchar_t* text, UINT style, HWND owner = nullptr);

    // "C:\\Tools\\Pelmora.exe" -> "Pelmora": the file name without its last extension.
    static std::wstring NameFromModulePath(const wchar_t* path);

protected:
    // The application's start-up and whole run; its result is not used.
    virtual BOOL InitInstance() = 0;

private:
    std::wstring name;
    HINSTANCE instance;
};
