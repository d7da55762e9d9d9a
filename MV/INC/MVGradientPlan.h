#pragma once
#include <windows.h>

// What a gradient fill draws, worked out without any DC: how many steps, the colour of each
// step and, for the line gradients, where each line runs. Coordinates are those of the
// off-screen bitmap, (0, 0) being the rectangle's top-left corner and (W, H) its size.
class MVGradientPlan
{
public:
    enum FillType
    {
        VerticalLines = 0,     // one column per step, left to right
        HorizontalLines = 1,   // one row per step, top to bottom
        RisingDiagonals = 2,   // from the top-left corner towards the bottom-right
        FallingDiagonals = 3,  // from the top-right corner towards the bottom-left
        ConcentricCircles = 4, // rings from the corners towards the centre
        ConcentricRectangles = 5
    };

    struct Line
    {
        POINT from;
        POINT to; // not drawn itself, as with LineTo
    };

    MVGradientPlan(int fillType, int width, int height) : fillType(fillType), width(width), height(height) {}

    static bool IsKnownFillType(int fillType) { return fillType >= VerticalLines && fillType <= ConcentricRectangles; }

    // Each channel is start + MVMulDiv(end - start, step, steps), cut to 8 bits; step 0 is the
    // start colour and the last step stops about one step short of the end colour.
    static COLORREF StepColor(COLORREF start, COLORREF end, int step, int steps);

    bool IsLineGradient() const { return fillType >= VerticalLines && fillType <= FallingDiagonals; }
    // Lines for types 0-3; rings (circles or rectangles) for types 4 and 5; 0 for others.
    int StepCount() const;
    Line LineAt(int step) const;

private:
    int fillType;
    int width;
    int height;
};
