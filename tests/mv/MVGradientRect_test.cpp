#include <gtest/gtest.h>

#include <tuple>

#include "DibCanvas.h"
#include "MVEllipse.h"
#include "MVGradientPlan.h"
#include "MVGradientRect.h"

namespace
{
const COLORREF black = RGB(0, 0, 0);
const COLORREF red = RGB(255, 0, 0);

// Assignment copies the rectangle, the pen and the brush, but the target keeps its gradient;
// SetColor makes a solid fill.
TEST(MVGradientRect, AssignmentKeepsTheGradientOfTheTarget)
{
    MVGradientRect source(RECT{1, 2, 3, 4});
    source.penColor = RGB(1, 2, 3);
    source.penWidth = 4;
    source.brushColor = RGB(5, 6, 7);
    source.endColor = RGB(8, 9, 10);
    source.fillType = 3;
    MVGradientRect target(RECT{0, 0, 9, 9});
    target.endColor = RGB(20, 20, 20);
    target.fillType = 5;
    target = source;
    EXPECT_EQ(static_cast<const MVRect&>(target), MVRect(1, 2, 3, 4));
    EXPECT_EQ(std::make_tuple(target.penColor, target.penWidth, target.brushColor, target.endColor),
              std::make_tuple(RGB(1, 2, 3), 4, RGB(5, 6, 7), RGB(20, 20, 20)));
    EXPECT_EQ(target.fillType, 5);
    target.SetColor(RGB(9, 9, 9));
    EXPECT_EQ(std::make_pair(target.brushColor, target.endColor), std::make_pair(RGB(9, 9, 9), RGB(9, 9, 9)));
}

TEST(MVGradientRect, SolidFillLeavesRightAndBottomLines)
{
    DibCanvas canvas(12, 12);
    const COLORREF background = canvas.Pixel(0, 0);
    MVGradientRect block(RECT{2, 3, 7, 8});
    block.SetColor(red);
    block.Draw(canvas.Dc());
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
        {
            COLORREF expected = background;
            if (x >= 2 && x < 7 && y >= 3 && y < 8)
                expected = red; // the fill covers the left and top lines
            else if ((x == 7 && y >= 3 && y <= 8) || (y == 8 && x >= 2 && x <= 7))
                expected = black;
            EXPECT_EQ(canvas.Pixel(x, y), expected) << "(" << x << ", " << y << ")";
        }
}

TEST(MVGradientRect, NoOutlineWithoutAPen)
{
    const struct
    {
        const char* fault;
        int penWidth;
        COLORREF penColor;
    } rows[] = {{"pen width 0 draws lines", 0, black}, {"a null pen draws lines", 1, MVShape::None}};
    for (const auto& row : rows)
    {
        DibCanvas canvas(12, 12);
        MVGradientRect block(RECT{2, 3, 7, 8});
        block.penWidth = row.penWidth;
        block.penColor = row.penColor;
        block.SetColor(red);
        block.Draw(canvas.Dc());
        EXPECT_EQ(canvas.Count(red, 0, 0, 12, 12), 25) << row.fault;
        EXPECT_EQ(canvas.Count(RGB(0x12, 0x34, 0x56), 0, 0, 12, 12), 144 - 25) << row.fault;
    }
}

// Each pixel of a line gradient has its step's colour (MVGradientPlan's rows): columns from the
// left (the default type), rows from the top, falling diagonals from step W - x + y.
TEST(MVGradientRect, LineGradientsColourEachPixelByItsStep)
{
    const COLORREF start = RGB(0, 0, 200), end = RGB(240, 120, 0);
    const struct
    {
        int fillType, steps;
        int (*step)(int x, int y);
    } rows[] = {
        {MVGradientPlan::VerticalLines, 5, [](int x, int) { return x; }},
        {MVGradientPlan::HorizontalLines, 3, [](int, int y) { return y; }},
        {MVGradientPlan::FallingDiagonals, 8, [](int x, int y) { return 5 - x + y; }},
    };
    for (const auto& row : rows)
    {
        DibCanvas canvas(7, 5);
        MVGradientRect shape(RECT{1, 1, 6, 4});
        shape.penWidth = 0;
        shape.brushColor = start;
        shape.endColor = end;
        if (row.fillType != MVGradientPlan::VerticalLines)
            shape.fillType = row.fillType;
        shape.Draw(canvas.Dc());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(canvas.Pixel(1 + x, 1 + y), MVGradientPlan::StepColor(start, end, row.step(x, y), row.steps))
                    << "type " << row.fillType << " at " << x << "," << y;
        EXPECT_EQ(canvas.Count(RGB(0x12, 0x34, 0x56), 0, 0, 7, 5), 7 * 5 - 5 * 3) << "type " << row.fillType;
    }
}

// From dark edges to a light centre, the colour never falling from one ring to the next inward
// along a row through the middle, every pixel covered.
TEST(MVGradientRect, ConcentricShapesRunFromTheEdgesToTheCentre)
{
    for (int fillType : {MVGradientPlan::ConcentricCircles, MVGradientPlan::ConcentricRectangles})
    {
        DibCanvas canvas(20, 20);
        MVGradientRect shape(RECT{0, 0, 20, 20});
        shape.penWidth = 0;
        shape.brushColor = black;
        shape.endColor = RGB(255, 255, 255);
        shape.fillType = fillType;
        shape.Draw(canvas.Dc());
        EXPECT_LT(GetRValue(canvas.Pixel(0, 0)), 80) << fillType;
        EXPECT_LT(GetRValue(canvas.Pixel(10, 0)), 150) << fillType;
        EXPECT_GT(GetRValue(canvas.Pixel(10, 10)), 180) << fillType;
        for (int x = 1; x <= 10; ++x)
            EXPECT_GE(GetRValue(canvas.Pixel(x, 10)), GetRValue(canvas.Pixel(x - 1, 10))) << fillType << " at " << x;
        EXPECT_EQ(canvas.Count(RGB(0x12, 0x34, 0x56), 0, 0, 20, 20), 0) << fillType;
    }
}

// An empty gradient, an unknown fill type and a solid fill in None: nothing but the outlines.
TEST(MVGradientRect, NothingToFillDrawsNoFill)
{
    DibCanvas canvas(16, 10);
    const COLORREF background = canvas.Pixel(0, 0);
    MVGradientRect columns(RECT{2, 1, 2, 5}); // no width: no columns
    MVGradientRect rows(RECT{1, 3, 5, 3});    // no height: no rows
    rows.fillType = MVGradientPlan::HorizontalLines;
    MVGradientRect unknown(RECT{1, 1, 5, 5});
    unknown.fillType = 6;
    for (MVGradientRect* shape : {&columns, &rows, &unknown})
    {
        shape->penWidth = shape == &unknown ? 1 : 0;
        shape->brushColor = black;
        shape->endColor = RGB(255, 255, 255);
        shape->Draw(canvas.Dc());
    }
    MVGradientRect colourless(RECT{10, 5, 14, 9}); // brushColor and endColor both None
    colourless.Draw(canvas.Dc());
    EXPECT_EQ(canvas.Pixel(5, 3), black);
    EXPECT_EQ(canvas.Pixel(14, 7), black);
    EXPECT_EQ(canvas.Count(background, 0, 0, 16, 10), 16 * 10 - 2 * 16);
}

TEST(MVEllipse, HollowBrushDrawsOnlyTheOutline)
{
    DibCanvas canvas(16, 16);
    const COLORREF background = canvas.Pixel(0, 0);
    MVEllipse ellipse(RECT{2, 2, 14, 12});
    ellipse.Draw(canvas.Dc());
    EXPECT_EQ(canvas.Pixel(8, 7), background);
    EXPECT_GT(canvas.Count(black, 2, 2, 3, 12), 0); // the left side of the outline
    EXPECT_EQ(canvas.Pixel(0, 0), background);

    MVEllipse filled(RECT{2, 2, 14, 12});
    filled.brushColor = red;
    filled.penColor = MVShape::None;
    filled.Draw(canvas.Dc());
    EXPECT_EQ(canvas.Pixel(8, 7), red);
}
}
