#include <gtest/gtest.h>

#include "MVGradientPlan.h"
#include "MVRect.h"
#include "MVShape.h"

namespace
{
TEST(MVGradientPlan, StepColorsRunPerChannelAndStopShortOfTheEnd)
{
    const struct
    {
        COLORREF start, end;
        int step, steps;
        COLORREF expected;
    } rows[] = {
        {RGB(0, 0, 0), RGB(255, 255, 255), 0, 4, RGB(0, 0, 0)},
        {RGB(0, 0, 0), RGB(255, 255, 255), 3, 4, RGB(191, 191, 191)},  // never the end colour itself
        // Red rises, green stays, blue falls.
        {RGB(0, 100, 255), RGB(255, 100, 0), 1, 3, RGB(85, 100, 170)},
        {RGB(0, 100, 255), RGB(255, 100, 0), 2, 3, RGB(170, 100, 85)},
        // Halves round away from zero in both directions: 255 * 1 / 2 = 127.5.
        {RGB(0, 255, 0), RGB(255, 0, 0), 1, 2, RGB(128, 127, 0)},
        // None counts as white at either end.
        {RGB(0, 0, 0), MVShape::None, 2, 4, RGB(128, 128, 128)},
        {MVShape::None, RGB(0, 0, 0), 1, 4, RGB(191, 191, 191)},
    };
    for (const auto& row : rows)
        EXPECT_EQ(MVGradientPlan::StepColor(row.start, row.end, row.step, row.steps), row.expected)
            << std::hex << row.start << " to " << row.end << std::dec << ", step " << row.step << " of " << row.steps;
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
        EXPECT_EQ(MVRect(line.from.x, line.from.y, line.to.x, line.to.y), MVRect(row.from.x, row.from.y, row.to.x, row.to.y))
            << row.fillType << "/" << row.step;
    }
}
}
