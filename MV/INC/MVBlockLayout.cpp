#include "MVBlockLayout.h"

#include <cmath>
#include <cstdint>

#include "MVMulDiv.h"

namespace
{
// One candidate pitch width and what it gives; a pitch that is not positive gives no grid.
struct Grid
{
    int width = 0;
    int height = 0;
    int columns = 0;
    int rows = 0;

    bool Positive() const { return width > 0 && height > 0; }
    std::uint64_t Capacity() const { return static_cast<std::uint64_t>(columns) * static_cast<std::uint64_t>(rows); }
};

Grid GridFor(int pitchWidth, const MVSize& area, const MVSize& aspect)
{
    Grid grid;
    grid.width = pitchWidth;
    grid.height = MVMulDiv(aspect.cy, pitchWidth, aspect.cx);
    if (grid.Positive())
    {
        grid.columns = area.cx / grid.width;
        grid.rows = area.cy / grid.height;
    }
    return grid;
}

unsigned SquareRoot(unsigned value)
{
    unsigned root = static_cast<unsigned>(std::sqrt(static_cast<double>(value)));
    // Guard against the double result landing one off for values near 2^32.
    while (static_cast<std::uint64_t>(root) * root > value)
        --root;
    while (static_cast<std::uint64_t>(root + 1) * (root + 1) <= value)
        ++root;
    return root;
}
}

MVBlockLayout MVBlockLayout::Search(const MVSize& area, unsigned blockCount, const MVSize& aspect, int gap)
{
    MVBlockLayout none;
    if (blockCount == 0 || area.cx <= 0 || area.cy <= 0 || aspect.cx <= 0 || aspect.cy <= 0)
        return none;

    // Pixels per block, then its square root as the first guess of a square pitch.
    const int pixelsPerBlock = MVMulDiv(area.cx, area.cy, static_cast<int>(blockCount > 0x7FFFFFFFu ? 0x7FFFFFFFu : blockCount));
    const int estimate = static_cast<int>(SquareRoot(static_cast<unsigned>(pixelsPerBlock)));

    // Grow the pitch until the grid holds no more blocks than asked for; the area bounds it,
    // since a pitch wider than the area gives no columns.
    Grid grown;
    for (int width = estimate + 1;; ++width)
    {
        grown = GridFor(width, area, aspect);
        if (!grown.Positive() || grown.Capacity() <= blockCount)
            break;
    }
    if (!grown.Positive())
        return none;

    // Then shrink it until the grid holds them all.
    Grid shrunk;
    for (int width = grown.width - 1;; --width)
    {
        shrunk = GridFor(width, area, aspect);
        if (!shrunk.Positive() || shrunk.Capacity() >= blockCount)
            break;
    }
    if (!shrunk.Positive())
        return none;

    MVBlockLayout layout;
    layout.blockSize = MVSize(shrunk.width - gap, shrunk.height - gap);
    if (layout.blockSize.cx <= 0 || layout.blockSize.cy <= 0)
        return none;
    layout.columns = shrunk.columns;
    layout.rows = shrunk.rows;
    return layout;
}

MVRect MVBlockLayout::BlockRect(unsigned index, int gap, int margin) const
{
    MVRect rect(0, 0, 0, 0);
    if (HasGrid())
    {
        const unsigned column = index % static_cast<unsigned>(columns);
        const unsigned row = index / static_cast<unsigned>(columns);
        rect.left = static_cast<int>(column) * (gap + blockSize.cx);
        rect.top = static_cast<int>(row) * (gap + blockSize.cy);
        rect.right = rect.left + blockSize.cx;
        rect.bottom = rect.top + blockSize.cy;
    }
    rect.Offset(margin, margin);
    return rect;
}
