#include "TaskbarCopyReport.h"

void TaskbarCopyReport::Attach(std::unique_ptr<TaskbarProgress> newDisplay)
{
    display = std::move(newDisplay);
    fractionShown = false;
    if (copying)
        ShowState();
}

void TaskbarCopyReport::CopyStarted()
{
    copying = true;
    error = false;
    fractionShown = false;
    ShowState();
}

void TaskbarCopyReport::ShowFraction(ULONGLONG done, ULONGLONG total)
{
    if (!display || !copying || error || total == 0)
        return;
    if (fractionShown && done == shownDone && total == shownTotal)
        return;
    display->SetValue(done, total);
    fractionShown = true;
    shownDone = done;
    shownTotal = total;
}

void TaskbarCopyReport::ErrorShown()
{
    if (!copying || error)
        return;
    error = true;
    ShowState();
}

void TaskbarCopyReport::ErrorGone()
{
    if (!copying || !error)
        return;
    error = false;
    fractionShown = false;
    ShowState();
}

bool TaskbarCopyReport::CopyEnded(CopyOutcome outcome, bool windowInForeground)
{
    if (copying)
    {
        copying = false;
        error = false;
        ShowState();
    }
    return outcome == CopyOutcome::Completed && !windowInForeground;
}

void TaskbarCopyReport::ShowState()
{
    if (!display)
        return;
    if (!copying)
        display->SetState(TaskbarProgressState::None);
    else
        display->SetState(error ? TaskbarProgressState::Error : TaskbarProgressState::Normal);
}
