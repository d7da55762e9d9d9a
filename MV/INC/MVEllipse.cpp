#include "MVEllipse.h"

void MVEllipse::DrawShape(HDC dc)
{
    Ellipse(dc, left, top, right, bottom);
}
