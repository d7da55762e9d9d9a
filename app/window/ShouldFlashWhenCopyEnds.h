#pragma once
#include "CopyJobOwner.h"

// Whether the taskbar button flashes when a copy ends: only a completed copy, and only when the
// user is elsewhere. A stopped copy was the user's own doing; a failed one has shown its box.
bool ShouldFlashWhenCopyEnds(CopyOutcome outcome, bool windowInForeground);
