#include <gtest/gtest.h>

#include "MVBlockLayout.h"

namespace
{
// The area given to the search is the client area less a margin of 10 on each side.
MVBlockLayout Lay(int clientWidth, int clientHeight, unsigned blocks, MVSize aspect = MVSize(10, 10), int gap = 2)
{
    return MVBlockLayout::Search(MVSize(clientWidth - 20, clientHeight - 20), blocks, aspect, gap);
}

TEST(MVBlockLayout, LargestPitchThatHoldsEveryBlock)
{
    const struct
    {
        int clientWidth, clientHeight;
        unsigned blocks;
        MVSize aspect, blockSize;
        int columns, rows;
    } rows[] = {
        {330, 106, 528, MVSize(10, 10), MVSize(5, 5), 44, 12},  // pitch 7: exactly 528
        {330, 106, 100, MVSize(10, 10), MVSize(13, 13), 20, 5}, // pitch 15
        {100, 100, 10, MVSize(10, 10), MVSize(18, 18), 4, 4},   // pitch 20
        {330, 106, 1, MVSize(10, 10), MVSize(84, 84), 3, 1},    // pitch 86, the area's height
        {22, 22, 1, MVSize(10, 10), MVSize(0, 0), 0, 0},        // pitch 2: blocks no larger than the gap
        {23, 23, 1, MVSize(10, 10), MVSize(1, 1), 1, 1},        // pitch 3
        // A pitch twice as wide as high: 14 x 7 gives 22 x 12 = 264 >= 200; 15 x 8 gives 20 x 10.
        {330, 106, 200, MVSize(2, 1), MVSize(12, 5), 22, 12},
        // The largest window the system allows.
        {32787, 120, 1, MVSize(10, 10), MVSize(98, 98), 327, 1},
        {32787, 32787, 1000000, MVSize(10, 10), MVSize(30, 30), 1023, 1023},
    };
    for (const auto& row : rows)
    {
        const MVBlockLayout layout = Lay(row.clientWidth, row.clientHeight, row.blocks, row.aspect);
        EXPECT_EQ(layout.blockSize, row.blockSize) << row.clientWidth << "x" << row.clientHeight << " " << row.blocks;
        EXPECT_EQ(layout.columns, row.columns) << row.clientWidth << "x" << row.clientHeight << " " << row.blocks;
        EXPECT_EQ(layout.rows, row.rows) << row.clientWidth << "x" << row.clientHeight << " " << row.blocks;
    }
}

TEST(MVBlockLayout, BlockRectanglesRunRowByRow)
{
    const MVBlockLayout layout = Lay(330, 106, 528);
    struct Row
    {
        unsigned index;
        MVRect rect;
    } rows[] = {
        {0, MVRect(10, 10, 15, 15)},
        {1, MVRect(17, 10, 22, 15)},
        {43, MVRect(311, 10, 316, 15)},
        {44, MVRect(10, 17, 15, 22)},
        {527, MVRect(311, 87, 316, 92)},
    };
    for (const Row& row : rows)
        EXPECT_EQ(layout.BlockRect(row.index, 2, 10), row.rect) << row.index;
}

TEST(MVBlockLayout, NoGridWhereNoneFits)
{
    struct Row
    {
        const char* what;
        MVSize area;
        unsigned blocks;
        MVSize aspect;
    } rows[] = {
        {"no blocks", MVSize(310, 86), 0, MVSize(10, 10)},
        {"client narrower than both margins", MVSize(-5, 86), 528, MVSize(10, 10)},
        {"client lower than both margins", MVSize(310, -1), 528, MVSize(10, 10)},
        {"area without width", MVSize(0, 86), 528, MVSize(10, 10)},
        {"fewer pixels than blocks", MVSize(20, 20), 528, MVSize(10, 10)},
        {"less than one pixel per two blocks", MVSize(10, 10), 1000, MVSize(10, 10)},
        {"flat aspect", MVSize(310, 86), 528, MVSize(10, 0)},
        {"aspect without width", MVSize(310, 86), 528, MVSize(0, 10)},
        {"negative aspect", MVSize(310, 86), 528, MVSize(-10, 10)},
        {"pitch height rounding to 0", MVSize(310, 86), 5000, MVSize(100, 1)},
    };
    for (const Row& row : rows)
    {
        const MVBlockLayout layout = MVBlockLayout::Search(row.area, row.blocks, row.aspect, 2);
        EXPECT_EQ(MVSize(layout.columns, layout.rows), MVSize(0, 0)) << row.what;
        EXPECT_EQ(layout.blockSize, MVSize(0, 0)) << row.what;
        EXPECT_EQ(layout.BlockRect(7, 2, 10), MVRect(10, 10, 10, 10)) << row.what;
    }
}

TEST(MVBlockLayout, EveryGridHoldsItsBlocks)
{
    for (int width = 21; width < 400; width += 37)
        for (int height = 21; height < 200; height += 23)
            for (unsigned blocks : {1u, 2u, 7u, 100u, 528u, 5000u})
            {
                const MVBlockLayout layout = Lay(width, height, blocks);
                if (!layout.HasGrid())
                    continue;
                EXPECT_GE(static_cast<unsigned>(layout.columns * layout.rows), blocks) << width << "x" << height;
                const MVRect last = layout.BlockRect(blocks - 1, 2, 10);
                EXPECT_LE(last.right, width - 10) << width << "x" << height << " " << blocks;
                EXPECT_LE(last.bottom, height - 10) << width << "x" << height << " " << blocks;
            }
}
}
