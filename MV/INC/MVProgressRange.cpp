#include "MVProgressRange.h"

#include "MVProgressBar.h"

MVProgressRange::MVProgressRange(MVProgressBar* owner)
    : owner(owner), minimum(0), maximum(0), position(0), filledColor(RGB(255, 0, 0))
{
    owner->ClearBlockColors(FALSE);
}

void MVProgressRange::SetRange(int newMinimum, int newMaximum)
{
    minimum = newMinimum;
    maximum = newMaximum;
}

int MVProgressRange::SetPosition(int newPosition)
{
    // The position is deliberately not offset by minimum. The span wraps as 32-bit
    // arithmetic does, without the undefined behaviour of a signed overflow.
    const int span = static_cast<int>(static_cast<unsigned>(maximum) - static_cast<unsigned>(minimum));
    owner->FillToPosition(newPosition, span, filledColor);
    const int previous = position;
    position = newPosition;
    owner->Invalidate();
    return previous;
}
