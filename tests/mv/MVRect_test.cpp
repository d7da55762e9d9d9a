#include <gtest/gtest.h>

#include "MVRect.h"

namespace
{
TEST(MVRect, DeflateMovesEveryEdgeInward)
{
    MVRect rect(0, 0, 10, 8);
    rect.Deflate(3);
    EXPECT_EQ(rect, MVRect(3, 3, 7, 5));
    rect.Deflate(-1);
    EXPECT_EQ(rect, MVRect(2, 2, 8, 6));
}

TEST(MVRect, CenterPointTruncatesTowardZero)
{
    struct Row
    {
        MVRect rect;
        MVPoint centre;
    } rows[] = {
        {MVRect(0, 0, 5, 5), MVPoint(2, 2)},
        {MVRect(5, 5, 0, 0), MVPoint(3, 3)}, // -5 / 2 is -2
        {MVRect(-4, -6, 3, 1), MVPoint(-1, -3)},
        {MVRect(0, 0, 10, 10), MVPoint(5, 5)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.rect.CenterPoint(), row.centre) << row.rect.left << "," << row.rect.top;
}

TEST(MVRect, DiagonalLengthIsTruncated)
{
    const struct
    {
        MVRect rect;
        int length;
    } rows[] = {
        {MVRect(0, 0, 3, 4), 5}, {MVRect(0, 0, 10, 10), 14}, {MVRect(0, 0, 1, 1), 1},  // 14.14, 1.41
        {MVRect(5, 5, 0, 0), 7},  // inverted: squares are positive
        {MVRect(0, 0, 32767, 32767), 46339},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.rect.DiagonalLength(), row.length) << row.rect.right << "x" << row.rect.bottom;
}

TEST(MVRect, ScaleToWidthRoundsTheHeight)
{
    struct Row
    {
        MVRect before;
        int width;
        MVRect after;
        int height;
    } rows[] = {
        {MVRect(0, 0, 10, 10), 7, MVRect(0, 0, 7, 7), 7},
        {MVRect(0, 0, 10, 4), 7, MVRect(0, 0, 7, 3), 3},   // 2.8
        {MVRect(2, 3, 12, 8), 3, MVRect(2, 3, 5, 5), 2},   // 1.5 rounds up
        {MVRect(0, 0, 10, 4), 20, MVRect(0, 0, 20, 8), 8},
    };
    for (Row& row : rows)
    {
        EXPECT_EQ(row.before.ScaleToWidth(row.width), row.height);
        EXPECT_EQ(row.before, row.after);
    }
}
}
