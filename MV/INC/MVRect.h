#pragma once
#include <windows.h>

#include "MVPoint.h"
#include "MVSize.h"

// A rectangle that stands wherever the library needs a RECT; the right and bottom edges
// lie outside it, as with every GDI rectangle.
class MVRect
{
public:
    int left;
    int top;
    int right;
    int bottom;

    // Leaves the coordinates to the caller, as a RECT would.
    MVRect() {}
    MVRect(int left, int top, int right, int bottom) : left(left), top(top), right(right), bottom(bottom) {}
    MVRect(const RECT& r) : left(r.left), top(r.top), right(r.right), bottom(r.bottom) {}
    explicit MVRect(const MVSize& size) : left(0), top(0), right(size.cx), bottom(size.cy) {}
    MVRect(const MVRect&) = default;
    MVRect& operator=(const MVRect&) = default;
    virtual ~MVRect() = default;

    operator RECT() const { return RECT{left, top, right, bottom}; }
    bool operator==(const MVRect& o) const
    {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const MVRect& o) const { return !(*this == o); }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }

    void Deflate(int d);
    void Offset(int dx, int dy);
    MVPoint CenterPoint() const;
    // sqrt(width² + height²) truncated; the sum must stay below 2^31.
    int DiagonalLength() const;
    // Keeps left and top, makes the width newWidth and scales the height in proportion
    // (rounded to nearest); returns the new height.
    int ScaleToWidth(int newWidth);
};
