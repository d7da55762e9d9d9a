#pragma once
#include <windows.h>

// A 32-bit DIB section selected into a memory DC: a drawing target that needs no window
// and no display, read back pixel by pixel.
class DibCanvas
{
public:
    DibCanvas(int width, int height, COLORREF fill = RGB(0x12, 0x34, 0x56)) : width(width), height(height)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        dc = CreateCompatibleDC(nullptr);
        previous = SelectObject(dc, bitmap);
        Fill(fill);
    }
    ~DibCanvas()
    {
        SelectObject(dc, previous);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    DibCanvas(const DibCanvas&) = delete;
    DibCanvas& operator=(const DibCanvas&) = delete;

    HDC Dc() const { return dc; }

    void Fill(COLORREF color)
    {
        HBRUSH brush = CreateSolidBrush(color);
        RECT all = {0, 0, width, height};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
    }

    COLORREF Pixel(int x, int y) const
    {
        GdiFlush();
        const DWORD bgrx = bits[y * width + x];
        return RGB((bgrx >> 16) & 0xFF, (bgrx >> 8) & 0xFF, bgrx & 0xFF);
    }

    // Number of pixels of the given colour inside [left, right) x [top, bottom).
    int Count(COLORREF color, int left, int top, int right, int bottom) const
    {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += Pixel(x, y) == color ? 1 : 0;
        return n;
    }

    const int width;
    const int height;

private:
    HBITMAP bitmap = nullptr;
    DWORD* bits = nullptr;
    HDC dc = nullptr;
    HGDIOBJ previous = nullptr;
};
