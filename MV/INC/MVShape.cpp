#include "MVShape.h"

#include "MVGdiObject.h"
#include "MVSelection.h"

void MVShape::Draw(HDC dc)
{
    if (brushColor == None)
    {
        MVSelection brush(dc, GetStockObject(NULL_BRUSH));
        DrawOutline(dc);
        return;
    }
    MVGdiObject ownBrush(CreateSolidBrush(brushColor));
    MVSelection brush(dc, ownBrush.Get());
    DrawOutline(dc);
}

void MVShape::DrawOutline(HDC dc)
{
    MVGdiObject pen(penColor == None ? CreatePen(PS_NULL, 0, 0) : CreatePen(PS_SOLID, penWidth, penColor));
    MVSelection selection(dc, pen.Get());
    DrawShape(dc);
}
