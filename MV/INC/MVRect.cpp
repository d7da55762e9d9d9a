#include "MVRect.h"

#include <cmath>

#include "MVMulDiv.h"

void MVRect::Deflate(int d)
{
    left += d;
    top += d;
    right -= d;
    bottom -= d;
}

void MVRect::Offset(int dx, int dy)
{
    left += dx;
    right += dx;
    top += dy;
    bottom += dy;
}

MVPoint MVRect::CenterPoint() const
{
    // Integer division truncates toward zero, so an inverted rectangle's centre leans
    // towards its left/top values: (5, 5, 0, 0) gives (3, 3).
    return MVPoint(left + (right - left) / 2, top + (bottom - top) / 2);
}

int MVRect::DiagonalLength() const
{
    const int w = Width();
    const int h = Height();
    return static_cast<int>(std::sqrt(static_cast<double>(w * w + h * h)));
}

int MVRect::ScaleToWidth(int newWidth)
{
    const int newHeight = MVMulDiv(Height(), newWidth, Width());
    right = left + newWidth;
    bottom = top + newHeight;
    return newHeight;
}
