#pragma once
#include <memory>
#include "TaskbarProgress.h"

// Keeps the taskbar button in step with the window's copy: the bar's fraction while it runs,
// the error colour while its error box is shown, nothing once it has ended. Runs on the
// window's thread; without a display (none attached, or the shell offers none) it does nothing.
class TaskbarCopyReport
{
public:
    // The shell has made the button, or made it again after Explorer restarted: a running
    // copy is shown on the new display at once.
    void Attach(std::unique_ptr<TaskbarProgress> display);

    void CopyStarted();
    // filled of total blocks; sent only when it differs from what the button shows, and not
    // over the error colour.
    void ShowFraction(unsigned filled, unsigned total);
    void ErrorShown();
    void CopyEnded();

private:
    void ShowState();

    std::unique_ptr<TaskbarProgress> display;
    bool copying = false;
    bool error = false;
    bool fractionShown = false;
    unsigned shownFilled = 0;
    unsigned shownTotal = 0;
};
