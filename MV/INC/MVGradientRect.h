#pragma once
#include <windows.h>

#include "MVRect.h"
#include "MVShape.h"

// A rectangle filled with one colour (brushColor == endColor) or a two-colour gradient from
// brushColor to endColor. Its outline is drawn before the fill, so the fill covers the left
// and top lines and only the right line (x = right) and the bottom line (y = bottom) remain:
// that is the look of the progress bar's blocks. penWidth 0 draws no outline at all.
//
// Fill types: 0 columns left to right, 1 rows top to bottom, 2 diagonals from the top-left,
// 3 diagonals from the top-right, 4 concentric circles and 5 concentric rectangles, both from
// the edges towards the centre. Type 5 draws each step as a hollow rectangle frame three
// pixels wide, one pixel further in than the step before, so the frames overlap and the
// colour changes from the edges to the centre like type 4 but with square corners. A gradient
// is drawn into an off-screen bitmap and copied in one BitBlt. An unknown fill type draws no
// fill, and a solid fill in colour None (-1) draws no fill either: None means no brush.
class MVGradientRect : public MVRect, public MVShape
{
public:
    COLORREF endColor; // None counts as white in a gradient
    int fillType;

    MVGradientRect() : endColor(None), fillType(0) {}
    explicit MVGradientRect(const RECT& rect) : MVRect(rect), endColor(None), fillType(0) {}
    MVGradientRect(const MVGradientRect&) = default;
    // Copies the rectangle and the pen and brush settings; endColor and fillType stay.
    MVGradientRect& operator=(const MVGradientRect& other);
    ~MVGradientRect() override = default;

    // brushColor = endColor = color: a solid fill.
    void SetColor(COLORREF color);

    void DrawShape(HDC dc) override;

private:
    void DrawFrameLines(HDC dc) const;
    void DrawSolid(HDC dc) const;
    void DrawGradient(HDC target, HDC bitmapDC) const;
    void DrawLines(HDC bitmapDC) const;
    void DrawCircles(HDC bitmapDC) const;
    void DrawRectangles(HDC bitmapDC) const;
};
