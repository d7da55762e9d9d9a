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

void TaskbarCopyReport::ShowFraction(unsigned filled, unsigned total)
{
    if (!display || !copying || error || total == 0)
        return;
    if (fractionShown && filled == shownFilled && total == shownTotal)
        return;
    display->SetValue(filled, total);
    fractionShown = true;
    shownFilled = filled;
    shownTotal = total;
}

void TaskbarCopyReport::ErrorShown()
{
    if (!copying || error)
        return;
    error = true;
    ShowState();
}

void TaskbarCopyReport::CopyEnded()
{
    if (!copying)
        return;
    copying = false;
    error = false;
    ShowState();
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
