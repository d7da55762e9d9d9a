#include "MVGradientRect.h"

#include "MVCircle.h"
#include "MVGdiObject.h"
#include "MVGradientPlan.h"
#include "MVMemoryDC.h"
#include "MVSelection.h"

MVGradientRect& MVGradientRect::operator=(const MVGradientRect& other)
{
    if (this != &other)
    {
        MVRect::operator=(other);
        penColor = other.penColor;
        penWidth = other.penWidth;
        brushColor = other.brushColor;
    }
    return *this;
}

void MVGradientRect::SetColor(COLORREF color)
{
    brushColor = color;
    endColor = color;
}

void MVGradientRect::DrawShape(HDC dc)
{
    // The outline goes first so that the fill hides its left and top lines.
    if (penWidth != 0)
        DrawFrameLines(dc);
    if (brushColor == endColor)
    {
        DrawSolid(dc);
        return;
    }
    if (!MVGradientPlan::IsKnownFillType(fillType))
        return;
    MVMemoryDC bitmapDC(dc);
    MVGdiObject bitmap(CreateCompatibleBitmap(dc, Width(), Height()));
    if (!bitmapDC || !bitmap)
        return;
    MVSelection selection(bitmapDC.Get(), bitmap.Get());
    DrawGradient(dc, bitmapDC.Get());
}

void MVGradientRect::DrawFrameLines(HDC dc) const
{
    MoveToEx(dc, left, top, nullptr);
    LineTo(dc, right, top);
    LineTo(dc, right, bottom);
    LineTo(dc, left, bottom);
    LineTo(dc, left, top);
}

void MVGradientRect::DrawSolid(HDC dc) const
{
    if (brushColor == None)
        return;
    MVGdiObject brush(CreateSolidBrush(brushColor));
    const RECT rect = *this;
    FillRect(dc, &rect, static_cast<HBRUSH>(brush.Get()));
}

void MVGradientRect::DrawGradient(HDC target, HDC bitmapDC) const
{
    switch (fillType)
    {
    case MVGradientPlan::ConcentricCircles:
        DrawCircles(bitmapDC);
        break;
    case MVGradientPlan::ConcentricRectangles:
        DrawRectangles(bitmapDC);
        break;
    default:
        DrawLines(bitmapDC);
        break;
    }
    BitBlt(target, left, top, Width(), Height(), bitmapDC, 0, 0, SRCCOPY);
}

void MVGradientRect::DrawLines(HDC bitmapDC) const
{
    const MVGradientPlan plan(fillType, Width(), Height());
    const int steps = plan.StepCount();
    for (int i = 0; i < steps; ++i)
    {
        const MVGradientPlan::Line line = plan.LineAt(i);
        MVGdiObject pen(CreatePen(PS_SOLID, 1, MVGradientPlan::StepColor(brushColor, endColor, i, steps)));
        MVSelection selection(bitmapDC, pen.Get());
        MoveToEx(bitmapDC, line.from.x, line.from.y, nullptr);
        LineTo(bitmapDC, line.to.x, line.to.y);
    }
}

void MVGradientRect::DrawCircles(HDC bitmapDC) const
{
    const int steps = MVGradientPlan(fillType, Width(), Height()).StepCount();
    MVCircle circle(MVRect(0, 0, Width(), Height()));
    circle.penWidth = 3;
    for (int i = 0; i < steps; ++i)
    {
        circle.penColor = MVGradientPlan::StepColor(brushColor, endColor, i, steps);
        circle.Draw(bitmapDC);
        if (circle.left >= circle.right || circle.top >= circle.bottom)
            break;
        circle.Deflate(1);
    }
}

void MVGradientRect::DrawRectangles(HDC bitmapDC) const
{
    const int steps = MVGradientPlan(fillType, Width(), Height()).StepCount();
    MVGradientRect frame(MVRect(0, 0, Width(), Height()));
    MVSelection hollow(bitmapDC, GetStockObject(NULL_BRUSH));
    for (int i = 0; i < steps; ++i)
    {
        MVGdiObject pen(CreatePen(PS_SOLID, 3, MVGradientPlan::StepColor(brushColor, endColor, i, steps)));
        MVSelection selection(bitmapDC, pen.Get());
        frame.DrawFrameLines(bitmapDC);
        if (frame.left >= frame.right || frame.top >= frame.bottom)
            break;
        frame.Deflate(1);
    }
}
