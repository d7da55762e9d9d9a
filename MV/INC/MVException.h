#pragma once
#include <windows.h>

// The library's exception, thrown and caught by value or reference. It carries a message (may
// be null), the throw site's source file name and line, a value given by the thrower, and the
// code address the throwing function continued at after constructing it.
class MVException
{
public:
    // sourcePath may be a path ("MV\\INC\\MVThread"); only the part after its last backslash is
    // kept. Both texts may be null.
    MVException(const wchar_t* message, const wchar_t* sourcePath, int line, DWORD value);
    MVException(const MVException& other);
    MVException& operator=(const MVException&) = delete;
    ~MVException();

    // A message box captioned "Exception" showing the message; a null message first becomes
    // "Exception". Returns MessageBoxW's result.
    virtual int Show(HWND owner, UINT style);
    virtual const wchar_t* GetText() const;

    const wchar_t* GetFile() const { return file; }
    int GetLine() const { return line; }
    DWORD GetValue() const { return value; }
    const void* GetAddress() const { return address; }

private:
    wchar_t* message = nullptr;
    wchar_t* secondText = nullptr;
    wchar_t* thirdText = nullptr;
    const void* address = nullptr;
    wchar_t* fourthText = nullptr;
    int line = 0;
    wchar_t* file = nullptr;
    DWORD value = 0;
};
