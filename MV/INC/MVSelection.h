#pragma once
#include <windows.h>

// Selects an object into a DC for the length of a scope and selects the previous one back.
// Selecting a null object does nothing, so a failed CreatePen/CreateSolidBrush leaves the DC
// as it was.
class MVSelection
{
public:
    MVSelection(HDC dc, HGDIOBJ object) : dc(dc), previous(object ? SelectObject(dc, object) : nullptr) {}
    ~MVSelection()
    {
        if (previous)
            SelectObject(dc, previous);
    }
    MVSelection(const MVSelection&) = delete;
    MVSelection& operator=(const MVSelection&) = delete;

private:
    HDC dc;
    HGDIOBJ previous;
};
