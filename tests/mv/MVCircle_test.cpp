#include <gtest/gtest.h>

#include "MVCircle.h"

namespace
{
// A circle is drawn as MVEllipse draws (MVGradientRect_test.cpp); its own rule is where it lies.
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
}
