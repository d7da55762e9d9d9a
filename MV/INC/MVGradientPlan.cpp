#include "MVGradientPlan.h"

#include <algorithm>

#include "MVCircle.h"
#include "MVMulDiv.h"

namespace
{
int Channel(COLORREF color, int shift)
{
    return static_cast<int>((color >> shift) & 0xFF);
}

int StepChannel(COLORREF start, COLORREF end, int shift, int step, int steps)
{
    const int c1 = Channel(start, shift);
    const int c2 = Channel(end, shift);
    return (c1 + MVMulDiv(c2 - c1, step, steps)) & 0xFF;
}
}

COLORREF MVGradientPlan::StepColor(COLORREF start, COLORREF end, int step, int steps)
{
    const int red = StepChannel(start, end, 0, step, steps);
    const int green = StepChannel(start, end, 8, step, steps);
    const int blue = StepChannel(start, end, 16, step, steps);
    return static_cast<COLORREF>(red + green * 256 + blue * 65536);
}

int MVGradientPlan::StepCount() const
{
    switch (fillType)
    {
    case VerticalLines:
        return width;
    case HorizontalLines:
        return height;
    case RisingDiagonals:
    case FallingDiagonals:
        return width + height;
    case ConcentricCircles:
    {
        const MVRect circle = MVCircle::Around(MVRect(0, 0, width, height));
        return std::min(circle.Width(), circle.Height()) / 2 + 1;
    }
    case ConcentricRectangles:
        return std::min(width, height) / 2 + 1;
    default:
        return 0;
    }
}

MVGradientPlan::Line MVGradientPlan::LineAt(int i) const
{
    switch (fillType)
    {
    case VerticalLines:
        return Line{{i, 0}, {i, height}};
    case HorizontalLines:
        return Line{{0, i}, {width, i}};
    case RisingDiagonals:
        return Line{{0, i}, {i - 1, -1}};
    case FallingDiagonals:
        return Line{{width - i, 0}, {width, i}};
    default:
        return Line{{0, 0}, {0, 0}};
    }
}
