#pragma once
#include <windows.h>

// BeginPaint for its lifetime, EndPaint at its end: one per WM_PAINT.
class MVPaintDC
{
public:
    explicit MVPaintDC(HWND window);
    MVPaintDC(const MVPaintDC&) = delete;
    MVPaintDC& operator=(const MVPaintDC&) = delete;
    ~MVPaintDC();

    HDC GetHdc() const { return dc; }
    const PAINTSTRUCT& GetPaintStruct() const { return paint; }

private:
    HWND hwnd;
    PAINTSTRUCT paint{};
    HDC dc;
};
