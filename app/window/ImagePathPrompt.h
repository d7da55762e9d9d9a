#pragma once
#include <windows.h>
#include <string>

// Asks where a drive's image goes: the system's save dialog, proposing a name after the disc's
// label, then the question that an existing file needs. Window thread only; the dialog and the
// boxes belong to `owner`.
class ImagePathPrompt
{
public:
    explicit ImagePathPrompt(HWND owner) : owner(owner) {}

    // True once the user has chosen a path, given in the form the copy opens (extended-length
    // where it is long); false when they cancelled, declined to replace a file, or the path
    // cannot be used (they were told why).
    bool Ask(const std::wstring& driveEntry, std::wstring& imagePath) const;

private:
    bool ConfirmReplace(const std::wstring& imagePath) const;
    int Show(const std::wstring& text, UINT style) const;

    HWND owner;
};
