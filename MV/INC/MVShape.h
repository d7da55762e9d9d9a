#pragma once
#include <windows.h>

// A shape that carries its own pen and brush settings and draws itself into a DC. Every pen
// and brush is made and released inside one Draw call; nothing is kept between calls.
class MVShape
{
public:
    static constexpr COLORREF None = 0xFFFFFFFF; // no pen or no brush

    COLORREF penColor;  // None: a null pen, no outline
    int penWidth;
    COLORREF brushColor; // None: the stock null brush, hollow

    MVShape() : penColor(0), penWidth(1), brushColor(None) {}

    // Selects this shape's brush, then draws the shape with its outline pen.
    virtual void Draw(HDC dc);
    // Draws the geometry with whatever pen and brush are selected in dc.
    virtual void DrawShape(HDC dc) = 0;
    // Selects this shape's outline pen and draws the shape with it.
    void DrawOutline(HDC dc);

protected:
    // Shapes are destroyed through their rectangle base, never through MVShape.
    ~MVShape() = default;
    MVShape(const MVShape&) = default;
    MVShape& operator=(const MVShape&) = default;
};
