#include "MVPaintDC.h"

MVPaintDC::MVPaintDC(HWND window) : hwnd(window), dc(BeginPaint(window, &paint))
{
}

MVPaintDC::~MVPaintDC()
{
    EndPaint(hwnd, &paint);
}
