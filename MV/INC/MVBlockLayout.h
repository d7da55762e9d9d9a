#pragma once

#include "MVRect.h"
#include "MVSize.h"

// The grid of a block progress bar: the largest whole-pixel pitch (block plus gap), in the
// proportion of an aspect size, whose grid of columns x rows holds every block inside an
// area. Worked out without any window so that it can be checked on its own.
//
// An area or an aspect that allows no such grid (an area with no width or height, a flat or
// negative aspect, fewer pixels than blocks, blocks no larger than the gap) gives no grid at
// all: 0 columns, 0 rows and a block size of 0 x 0, and the bar then shows its background only.
class MVBlockLayout
{
public:
    MVSize blockSize;
    int columns = 0;
    int rows = 0;

    // area: the client area less the margin on every side.
    static MVBlockLayout Search(const MVSize& area, unsigned blockCount, const MVSize& aspect, int gap);

    bool HasGrid() const { return columns > 0 && rows > 0; }
    // Block rectangle in client coordinates: row by row from the top-left corner of the area,
    // which starts margin pixels in from the client edges. An empty rectangle without a grid.
    MVRect BlockRect(unsigned index, int gap, int margin) const;
};
