#pragma once
#include <memory>
#include "CopyOutcome.h"
#include "TaskbarProgress.h"

// Keeps the taskbar button in step with the window's copy: its sector fraction while it runs,
// the error colour while its error box is shown, nothing once it has ended. Runs on the
// window's thread; without a display (none attached, or the shell offers none) it does nothing.
class TaskbarCopyReport
{
public:
    // The shell has made the button, or made it again after Explorer restarted: a running
    // copy is shown on the new display at once.
    void Attach(std::unique_ptr<TaskbarProgress> display);

    void CopyStarted();
    // done of total sectors; sent only when it differs from what the button shows, and not
    // over the error colour.
    void ShowFraction(ULONGLONG done, ULONGLONG total);
    void ErrorShown();
    // The box is gone and the copy goes on: its progress shows again.
    void ErrorGone();
    // True when the button should flash: only a completed copy, and only while the user is
    // elsewhere. A stopped copy was the user's own doing; a failed one has shown its box.
    bool CopyEnded(CopyOutcome outcome, bool windowInForeground);

private:
    void ShowState();

    std::unique_ptr<TaskbarProgress> display;
    bool copying = false;
    bool error = false;
    bool fractionShown = false;
    ULONGLONG shownDone = 0;
    ULONGLONG shownTotal = 0;
};
