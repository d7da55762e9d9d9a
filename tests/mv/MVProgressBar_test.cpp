#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

#include "DibCanvas.h"
#include "MVProgressBar.h"
#include "MVProgressRange.h"
#include "MVShape.h"

// The bar without a window: the layout is given a client rectangle and painting goes into a
// memory bitmap, exactly as OnPaint would draw into its DC.
namespace
{
const COLORREF red = RGB(255, 0, 0);
const COLORREF black = RGB(0, 0, 0);
const RECT client330 = {0, 0, 330, 106};

struct Bar : MVProgressBar
{
    explicit Bar(unsigned blocks, const RECT& client = client330)
    {
        backgroundColor = RGB(200, 200, 200);
        emptyColor = RGB(0, 0, 255);
        SetBlockCount(blocks);
        UpdateLayout(client);
    }

    unsigned CountFilled(COLORREF color, unsigned upTo)
    {
        unsigned filled = 0;
        for (unsigned i = 0; i < upTo; ++i)
            filled += GetBlockColor(i) == color ? 1 : 0;
        return filled;
    }
};

// What the main window leaves as it is: the grid's spacing, the empty and filled colours, the lines.
TEST(MVProgressBar, DefaultsTheMainWindowReliesOn)
{
    MVProgressBar bar;
    EXPECT_EQ(bar.gap, 2);
    EXPECT_EQ(bar.margin, 10);
    EXPECT_EQ(bar.blockAspect, MVSize(10, 10));
    EXPECT_EQ(bar.emptyColor, GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(bar.frameWidth, 1);
    EXPECT_EQ(bar.GetProgress()->filledColor, red);
}

TEST(MVProgressBar, PositionFillsLeadingBlocks)
{
    struct Row
    {
        int minimum, maximum, position;
        unsigned filled;
    } rows[] = {
        {0, 1000000, 17, 0},  // 0.009 blocks
        {0, 1000000, 946, 0}, // 0.4995 blocks
        {0, 1000000, 947, 1},
        {0, 1000, 1, 1},      // 0.528 rounds up
        {0, 200, 100, 264},
        {0, 200, 200, 528},
        {5, 5, 0, 0},         // an empty range fills nothing
        {5, 5, 3, 0},
        {10, 20, 5, 264},     // the position is not offset by the minimum
        {0, 100, -5, 0},
        {0, 100, 150, 528},   // beyond the range: every block
        {20, 10, 5, 0},       // a reversed range gives a negative count
    };
    for (const Row& row : rows)
    {
        Bar bar(528);
        bar.GetProgress()->SetRange(row.minimum, row.maximum);
        bar.GetProgress()->SetPosition(row.position);
        EXPECT_EQ(bar.CountFilled(red, 600), row.filled) << row.minimum << ".." << row.maximum << " @ " << row.position;
        EXPECT_EQ(bar.CountFilled(bar.emptyColor, 528), 528 - row.filled) << row.position;
        EXPECT_EQ(bar.GetColoredBlockCount(), row.filled) << row.position;
    }
}

TEST(MVProgressBar, PositionReplacesTheFillInItsColourAndTheRangeWaitsForIt)
{
    const COLORREF green = RGB(0, 255, 0);
    Bar bar(528);
    bar.SetBlockColor(3, red, FALSE);
    MVProgressRange* range = bar.GetProgress();
    EXPECT_EQ(bar.GetBlockColor(3), bar.emptyColor) << "making the range keeps old colours";
    range->SetRange(0, 200);
    range->filledColor = green;
    EXPECT_EQ(range->SetPosition(100), 0);
    EXPECT_EQ(bar.CountFilled(green, 528), 264u);
    range->SetRange(0, 100);
    EXPECT_EQ(bar.CountFilled(green, 528), 264u) << "a new range repaints before the position";
    EXPECT_EQ(range->SetPosition(1), 100) << "SetPosition returns the previous position";
    EXPECT_EQ(bar.CountFilled(green, 528), 5u) << "a smaller position leaves old blocks filled";
    // 4,000,000 x 528 blocks would be 2.1 billion colours; only the blocks themselves count.
    range->SetRange(0, 1);
    range->SetPosition(4000000);
    EXPECT_EQ(bar.CountFilled(green, 528), 528u);
    EXPECT_EQ(bar.GetBlockColor(528), bar.emptyColor);
}

TEST(MVProgressBar, BlockCountChanges)
{
    Bar bar(528);
    bar.SetBlockColor(5, red, FALSE);
    bar.SetBlockColor(400, red, FALSE);
    bar.SetBlockColor(600, red, FALSE); // beyond the count: kept, never drawn

    // The same count again does not lay out anew: without a window a new layout would find
    // no client area and no grid.
    bar.SetBlockCount(528);
    EXPECT_EQ(bar.GetColumns(), 44);

    bar.SetBlockCount(300); // forgets indices 300 and up
    EXPECT_EQ(bar.GetBlockColor(5), red);
    EXPECT_EQ(bar.GetBlockColor(400), bar.emptyColor);
    EXPECT_EQ(bar.GetBlockColor(600), bar.emptyColor);
    bar.SetBlockColor(299, red, FALSE);
    bar.SetBlockCount(1000); // keeps them all
    EXPECT_EQ(bar.GetBlockColor(5), red);
    EXPECT_EQ(bar.GetBlockColor(299), red);

    bar.ClearBlockColors(FALSE);
    EXPECT_EQ(bar.GetBlockColor(5), bar.emptyColor);
}

TEST(MVProgressBar, CountZeroKeepsTheLayoutAndPaintsOnlyTheBackground)
{
    Bar bar(528);
    bar.SetBlockCount(0);
    bar.UpdateLayout(RECT{0, 0, 100, 100});
    EXPECT_EQ(bar.GetBlockSize(), MVSize(5, 5));
    EXPECT_EQ(bar.GetColumns(), 44);
    DibCanvas canvas(330, 106);
    bar.Paint(canvas.Dc(), client330);
    EXPECT_EQ(canvas.Count(bar.backgroundColor, 0, 0, 330, 106), 330 * 106);
}

TEST(MVProgressBar, PaintsBlocksWithRightAndBottomLines)
{
    Bar bar(528);
    bar.GetProgress()->SetRange(0, 200);
    bar.GetProgress()->SetPosition(100);
    DibCanvas canvas(330, 106);
    bar.Paint(canvas.Dc(), client330);
    const COLORREF background = bar.backgroundColor;

    // Block 0 at (10, 10, 15, 15) with its line at x = 15, block 1 from x = 17 (the blocks' own
    // look is MVGradientRect's).
    EXPECT_EQ(canvas.Count(red, 10, 10, 15, 15), 25);
    EXPECT_EQ(canvas.Pixel(15, 10), black);
    EXPECT_EQ(canvas.Pixel(16, 10), background);
    EXPECT_EQ(canvas.Pixel(17, 10), red);

    RECT last;
    bar.GetBlockRect(263, last);
    EXPECT_EQ(canvas.Pixel(last.left, last.top), red);
    bar.GetBlockRect(264, last);
    EXPECT_EQ(canvas.Count(bar.emptyColor, last.left, last.top, last.right, last.bottom), 25);
    bar.GetBlockRect(527, last);
    EXPECT_EQ(canvas.Pixel(last.right, last.bottom), black);
    EXPECT_EQ(canvas.Count(background, last.right + 1, 0, 330, 106), (330 - last.right - 1) * 106);

    // 528 blocks of 25 pixels and 11 outline pixels each; everything else is background.
    EXPECT_EQ(canvas.Count(red, 0, 0, 330, 106), 264 * 25);
    EXPECT_EQ(canvas.Count(black, 0, 0, 330, 106), 528 * 11);
}

TEST(MVProgressBar, FrameWidthZeroAndNoBackground)
{
    Bar bar(528);
    bar.frameWidth = 0;
    bar.backgroundColor = MVShape::None;
    DibCanvas canvas(330, 106, RGB(1, 2, 3));
    bar.Paint(canvas.Dc(), client330);
    EXPECT_EQ(canvas.Count(black, 0, 0, 330, 106), 0);
    EXPECT_EQ(canvas.Count(bar.emptyColor, 0, 0, 330, 106), 528 * 25);
    EXPECT_EQ(canvas.Count(RGB(1, 2, 3), 0, 0, 330, 106), 330 * 106 - 528 * 25);
}

// Where no grid fits (MVBlockLayout's rows), the bar paints no block and no line.
TEST(MVProgressBar, NoGridShowsOnlyTheBackground)
{
    struct Row
    {
        const char* what;
        RECT client;
        MVSize aspect;
    } rows[] = {
        {"client narrower than both margins", {0, 0, 15, 106}, MVSize(10, 10)},
        {"flat aspect", {0, 0, 330, 106}, MVSize(10, 0)},
    };
    for (const Row& row : rows)
    {
        MVProgressBar bar;
        bar.backgroundColor = RGB(200, 200, 200);
        bar.blockAspect = row.aspect;
        bar.SetBlockCount(528);
        bar.UpdateLayout(row.client);
        EXPECT_EQ(bar.GetColumns(), 0) << row.what;
        bar.GetProgress()->SetRange(0, 2);
        bar.GetProgress()->SetPosition(1);
        DibCanvas canvas(row.client.right, row.client.bottom);
        bar.Paint(canvas.Dc(), row.client);
        EXPECT_EQ(canvas.Count(bar.backgroundColor, 0, 0, row.client.right, row.client.bottom),
                  row.client.right * row.client.bottom)
            << row.what;
    }
}

// Records the colours one paint draws, so that a paint can be checked for a torn fill.
struct RecordingBar : Bar
{
    RecordingBar() : Bar(528) {}
    std::vector<COLORREF> drawn;
    void DrawBlock(HDC dc, const RECT& rect, unsigned index, COLORREF color) override
    {
        drawn.push_back(color);
        MVProgressBar::DrawBlock(dc, rect, index, color);
    }
};

TEST(MVProgressBar, PaintNeverSeesAHalfRebuiltFill)
{
    RecordingBar bar;
    bar.GetProgress()->SetRange(0, 200);
    std::atomic<bool> stop(false);
    std::promise<void> firstPosition;
    std::thread worker([&] {
        // The copy worker's pattern: rebuild the fill over and over while the window paints.
        for (int i = 0; !stop; ++i) {
            bar.GetProgress()->SetPosition(i % 2 ? 100 : 200);
            if (i == 0)
                firstPosition.set_value();
        }
    });
    // Before the worker's first position the fill is rightly empty; from then on it never is.
    firstPosition.get_future().wait();
    // In a function of its own, so that a failed assertion still stops the worker below.
    const auto paintAndCheck = [&bar] {
        DibCanvas canvas(330, 106);
        for (int paint = 0; paint < 150; ++paint)
        {
            bar.drawn.clear();
            bar.Paint(canvas.Dc(), client330);
            ASSERT_EQ(bar.drawn.size(), 528u);
            int filled = 0;
            while (filled < 528 && bar.drawn[filled] == red)
                ++filled;
            for (int i = filled; i < 528; ++i)
                ASSERT_EQ(bar.drawn[i], bar.emptyColor) << "paint " << paint << ", block " << i;
            ASSERT_TRUE(filled == 264 || filled == 528) << "paint " << paint << " drew " << filled;
        }
    };
    paintAndCheck();
    stop = true;
    worker.join();
}
}
