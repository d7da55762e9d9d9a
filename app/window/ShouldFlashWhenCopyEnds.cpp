#include "ShouldFlashWhenCopyEnds.h"

bool ShouldFlashWhenCopyEnds(CopyOutcome outcome, bool windowInForeground)
{
    return outcome == CopyOutcome::Completed && !windowInForeground;
}
