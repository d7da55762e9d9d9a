#include <gtest/gtest.h>

#include "DibCanvas.h"
#include "MVCircle.h"

namespace
{
TEST(MVCircle, SurroundsTheRectangle)
{
    struct Row
    {
        RECT given;
        MVRect circle;
    } rows[] = {
        {{0, 0, 10, 10}, MVRect(-2, -2, 12, 12)}, // diagonal 14, radius 7
        {{0, 0, 3, 4}, MVRect(-1, 0, 3, 4)},      // diagonal 5, radius 2, centre (1, 2)
        {{10, 20, 10, 20}, MVRect(10, 20, 10, 20)},
    };
    for (const Row& row : rows)
    {
        const MVCircle circle(row.given);
        EXPECT_EQ(static_cast<const MVRect&>(circle), row.circle) << row.given.right;
    }
}

TEST(MVCircle, HollowCircleDrawsOnlyItsOutline)
{
    DibCanvas canvas(16, 16);
    const COLORREF background = canvas.Pixel(0, 0);
    MVCircle circle(RECT{3, 3, 13, 13}); // circle (1, 1, 15, 15)
    circle.Draw(canvas.Dc());
    EXPECT_EQ(canvas.Pixel(8, 8), background);
    EXPECT_EQ(canvas.Pixel(8, 1), RGB(0, 0, 0));
    EXPECT_EQ(canvas.Pixel(0, 0), background);
    EXPECT_GT(canvas.Count(RGB(0, 0, 0), 0, 0, 16, 16), 20);
}
}
