#include <gtest/gtest.h>

#include "MVGradientPlan.h"
#include "MVShape.h"

namespace
{
TEST(MVGradientPlan, StepColorsStopShortOfTheEnd)
{
    const int expected[] = {0, 64, 128, 191};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(MVGradientPlan::StepColor(RGB(0, 0, 0), RGB(255, 255, 255), i, 4),
                  RGB(expected[i], expected[i], expected[i]))
            << "step " << i;
}

TEST(MVGradientPlan, StepColorWorksPerChannel)
{
    // Red rises, green stays, blue falls; 3 steps of 0 -> 255 and 255 -> 0.
    const COLORREF start = RGB(0, 100, 255);
    const COLORREF end = RGB(255, 100, 0);
    EXPECT_EQ(MVGradientPlan::StepColor(start, end, 0, 3), start);
    EXPECT_EQ(MVGradientPlan::StepColor(start, end, 1, 3), RGB(85, 100, 170));
    EXPECT_EQ(MVGradientPlan::StepColor(start, end, 2, 3), RGB(170, 100, 85));
    // Halves round away from zero in both directions: 255 * 1 / 2 = 127.5.
    EXPECT_EQ(MVGradientPlan::StepColor(RGB(0, 255, 0), RGB(255, 0, 0), 1, 2), RGB(128, 127, 0));
}

TEST(MVGradientPlan, NoneCountsAsWhite)
{
    EXPECT_EQ(MVGradientPlan::StepColor(RGB(0, 0, 0), MVShape::None, 2, 4), RGB(128, 128, 128));
    EXPECT_EQ(MVGradientPlan::StepColor(MVShape::None, RGB(0, 0, 0), 1, 4), RGB(191, 191, 191));
}

TEST(MVGradientPlan, StepCountsPerFillType)
{
    struct Row
    {
        int fillType, width, height, steps;
    } rows[] = {
        {0, 4, 3, 4},   {0, 0, 3, 0},  {1, 4, 3, 3},  {1, 4, 0, 0},   {2, 4, 3, 7},
        {3, 4, 3, 7},   {4, 10, 10, 8}, {4, 3, 4, 3}, {5, 10, 10, 6}, {5, 7, 3, 2},
        {5, 0, 0, 1},   {6, 10, 10, 0}, {-1, 10, 10, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(MVGradientPlan(row.fillType, row.width, row.height).StepCount(), row.steps)
            << "type " << row.fillType << " " << row.width << "x" << row.height;
}

TEST(MVGradientPlan, LineEndPoints)
{
    struct Row
    {
        int fillType, step;
        POINT from, to;
    } rows[] = {
        {0, 0, {0, 0}, {0, 3}},   {0, 3, {3, 0}, {3, 3}},   // columns, full height
        {1, 0, {0, 0}, {4, 0}},   {1, 2, {0, 2}, {4, 2}},   // rows, full width
        {2, 0, {0, 0}, {-1, -1}}, {2, 5, {0, 5}, {4, -1}},  // up from the left edge
        {3, 0, {4, 0}, {4, 0}},   {3, 5, {-1, 0}, {4, 5}},  // down to the right edge
    };
    for (const Row& row : rows)
    {
        const MVGradientPlan::Line line = MVGradientPlan(row.fillType, 4, 3).LineAt(row.step);
        EXPECT_EQ(line.from.x, row.from.x) << row.fillType << "/" << row.step;
        EXPECT_EQ(line.from.y, row.from.y) << row.fillType << "/" << row.step;
        EXPECT_EQ(line.to.x, row.to.x) << row.fillType << "/" << row.step;
        EXPECT_EQ(line.to.y, row.to.y) << row.fillType << "/" << row.step;
    }
}
}
