#pragma once
#include <windows.h>

class MVProgressBar;

// Maps a position within a range onto the first k blocks of its bar. Made and owned by the
// bar (MVProgressBar::GetProgress). SetRange and SetPosition may be called from a worker
// thread while the bar's window thread paints.
class MVProgressRange
{
public:
    MVProgressBar* owner; // not owned
    int minimum;
    int maximum;
    int position;
    COLORREF filledColor;

    // Clears the owner's block colours, without repainting.
    explicit MVProgressRange(MVProgressBar* owner);
    virtual ~MVProgressRange() = default;
    MVProgressRange(const MVProgressRange&) = delete;
    MVProgressRange& operator=(const MVProgressRange&) = delete;

    // Stores the range; nothing changes on screen until the next SetPosition.
    void SetRange(int minimum, int maximum);
    // Fills the first MVMulDiv(position, blockCount, maximum - minimum) blocks (none when
    // that is 0 or less, as for an empty range), shows the rest empty and repaints the
    // whole bar. Returns the previous position.
    int SetPosition(int position);
};
