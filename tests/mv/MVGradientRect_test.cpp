#include <gtest/gtest.h>

#include "DibCanvas.h"
#include "MVEllipse.h"
#include "MVGradientPlan.h"
#include "MVGradientRect.h"

namespace
{
const COLORREF black = RGB(0, 0, 0);
const COLORREF red = RGB(255, 0, 0);

TEST(MVGradientRect, Defaults)
{
    const MVGradientRect shape(RECT{1, 2, 3, 4});
    EXPECT_EQ(static_cast<const MVRect&>(shape), MVRect(1, 2, 3, 4));
    EXPECT_EQ(shape.penColor, black);
    EXPECT_EQ(shape.penWidth, 1);
    EXPECT_EQ(shape.brushColor, MVShape::None);
    EXPECT_EQ(shape.endColor, MVShape::None);
    EXPECT_EQ(shape.fillType, 0);
}

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
    EXPECT_EQ(target.penColor, RGB(1, 2, 3));
    EXPECT_EQ(target.penWidth, 4);
    EXPECT_EQ(target.brushColor, RGB(5, 6, 7));
    EXPECT_EQ(target.endColor, RGB(20, 20, 20));
    EXPECT_EQ(target.fillType, 5);
    target.SetColor(RGB(9, 9, 9));
    EXPECT_EQ(target.brushColor, RGB(9, 9, 9));
    EXPECT_EQ(target.endColor, RGB(9, 9, 9));
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

TEST(MVGradientRect, PenWidthZeroDrawsNoOutline)
{
    DibCanvas canvas(12, 12);
    const COLORREF background = canvas.Pixel(0, 0);
    MVGradientRect block(RECT{2, 3, 7, 8});
    block.penWidth = 0;
    block.SetColor(red);
    block.Draw(canvas.Dc());
    EXPECT_EQ(canvas.Count(red, 0, 0, 12, 12), 25);
    EXPECT_EQ(canvas.Count(background, 0, 0, 12, 12), 144 - 25);
}

TEST(MVGradientRect, NullPenDrawsNoOutline)
{
    DibCanvas canvas(12, 12);
    const COLORREF background = canvas.Pixel(0, 0);
    MVGradientRect block(RECT{2, 3, 7, 8});
    block.penColor = MVShape::None;
    block.SetColor(red);
    block.Draw(canvas.Dc());
    EXPECT_EQ(canvas.Count(red, 0, 0, 12, 12), 25);
    EXPECT_EQ(canvas.Count(black, 0, 0, 12, 12), 0);
    EXPECT_EQ(canvas.Pixel(7, 5), background);
}

TEST(MVGradientRect, ColumnsFromBlackToWhite)
{
    DibCanvas canvas(8, 4);
    MVGradientRect shape(RECT{2, 0, 6, 3});
    shape.penWidth = 0;
    shape.brushColor = black;
    shape.endColor = RGB(255, 255, 255);
    shape.Draw(canvas.Dc());
    const int grey[] = {0, 64, 128, 191};
    for (int x = 0; x < 4; ++x)
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(canvas.Pixel(2 + x, y), RGB(grey[x], grey[x], grey[x])) << x << "," << y;
}

TEST(MVGradientRect, RowsFromTheTop)
{
    DibCanvas canvas(4, 4);
    MVGradientRect shape(RECT{0, 0, 3, 4});
    shape.penWidth = 0;
    shape.brushColor = RGB(0, 0, 200);
    shape.endColor = RGB(0, 0, 0);
    shape.fillType = MVGradientPlan::HorizontalLines;
    shape.Draw(canvas.Dc());
    const int blue[] = {200, 150, 100, 50};
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(canvas.Pixel(1, y), RGB(0, 0, blue[y])) << y;
}

TEST(MVGradientRect, FallingDiagonalsColourByStep)
{
    // Pixel (x, y) gets the colour of step W - x + y.
    const int width = 5;
    const int height = 3;
    DibCanvas canvas(width, height);
    MVGradientRect shape(RECT{0, 0, width, height});
    shape.penWidth = 0;
    shape.brushColor = black;
    shape.endColor = RGB(240, 240, 240);
    shape.fillType = MVGradientPlan::FallingDiagonals;
    shape.Draw(canvas.Dc());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const int step = width - x + y;
            EXPECT_EQ(canvas.Pixel(x, y), MVGradientPlan::StepColor(black, RGB(240, 240, 240), step, width + height))
                << x << "," << y;
        }
}

TEST(MVGradientRect, EmptyGradientDrawsNothing)
{
    DibCanvas canvas(6, 6);
    const COLORREF background = canvas.Pixel(0, 0);
    MVGradientRect columns(RECT{2, 1, 2, 5}); // no width: no columns
    columns.penWidth = 0;
    columns.brushColor = black;
    columns.Draw(canvas.Dc());
    MVGradientRect rows(RECT{1, 3, 5, 3}); // no height: no rows
    rows.penWidth = 0;
    rows.brushColor = black;
    rows.fillType = MVGradientPlan::HorizontalLines;
    rows.Draw(canvas.Dc());
    EXPECT_EQ(canvas.Count(background, 0, 0, 6, 6), 36);
}

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
        const int corner = GetRValue(canvas.Pixel(0, 0));
        const int edge = GetRValue(canvas.Pixel(10, 0));
        const int centre = GetRValue(canvas.Pixel(10, 10));
        EXPECT_LT(corner, 80) << fillType;
        EXPECT_LT(edge, 150) << fillType;
        EXPECT_GT(centre, 180) << fillType;
        EXPECT_LT(corner, centre) << fillType;
    }
}

TEST(MVGradientRect, ConcentricRectanglesCoverEveryPixelByDistanceFromTheEdge)
{
    DibCanvas canvas(12, 12);
    MVGradientRect shape(RECT{0, 0, 12, 12});
    shape.penWidth = 0;
    shape.brushColor = black;
    shape.endColor = RGB(252, 252, 252);
    shape.fillType = MVGradientPlan::ConcentricRectangles;
    shape.Draw(canvas.Dc());
    // The colour never falls from one ring to the next one inward, along a row through the middle.
    int previous = -1;
    for (int x = 0; x < 6; ++x)
    {
        const int level = GetRValue(canvas.Pixel(x, 6));
        EXPECT_GE(level, previous) << x;
        previous = level;
    }
    EXPECT_EQ(canvas.Count(RGB(0x12, 0x34, 0x56), 0, 0, 12, 12), 0);
}

TEST(MVGradientRect, UnknownFillTypeAndColourlessFillDrawNoFill)
{
    DibCanvas canvas(10, 10);
    const COLORREF background = canvas.Pixel(0, 0);
    MVGradientRect unknown(RECT{1, 1, 5, 5});
    unknown.brushColor = black;
    unknown.endColor = RGB(255, 255, 255);
    unknown.fillType = 6;
    unknown.Draw(canvas.Dc());
    MVGradientRect colourless(RECT{5, 5, 9, 9}); // brushColor and endColor both None
    colourless.Draw(canvas.Dc());
    // Only the right and bottom lines of both outlines.
    EXPECT_EQ(canvas.Pixel(2, 2), background);
    EXPECT_EQ(canvas.Pixel(6, 6), background);
    EXPECT_EQ(canvas.Pixel(5, 3), black);
    EXPECT_EQ(canvas.Pixel(9, 7), black);
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
