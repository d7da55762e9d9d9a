#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include "CopyOutcome.h"
#include "CopyProgressRecord.h"
#include "MVProgressBar.h"
#include "TaskbarCopyReport.h"
#include "TransferRate.h"

// A copy's progress in the main window: the block bar, the status line and the taskbar button,
// all shown from one read of the progress record per tick of the window's progress timer.
// Window thread only. Between copies a tick shows nothing: one still queued after a copy's end
// leaves the emptied bar alone.
class CopyProgressView
{
public:
    static const unsigned kBlocks = 528;

    // Puts the block bar over the `placeholder` control; `status` is the status line. Without a
    // bar window the placeholder stays: the copy still works, its display does not.
    void Create(HWND placeholder, HWND status);
    // The shell has made the taskbar button (again): a running copy shows on it at once.
    void AttachTaskbar(std::unique_ptr<TaskbarProgress> display) { taskbar.Attach(std::move(display)); }

    void CopyStarted();
    void Show(const CopyProgressRecord::Snapshot& report);
    // The copy's last report: its time stays on the status line; then the bar empties and the
    // button shows no progress. True when the taskbar button should flash.
    bool ShowEnd(const CopyProgressRecord::Snapshot& report, CopyOutcome outcome, bool windowInForeground);

    MVProgressBar& Bar() { return bar; }

private:
    void Show(const CopyProgressRecord::Snapshot& report, bool ended);
    void ShowBar(DWORD sectorsDone, DWORD totalSectors);
    // "Time: 00:01:23 · 10.4 MB/s · 00:02:10 left" while the copy runs, "Time: 00:01:25" at its
    // end; during the return passes over unread sectors, the pass and the sectors still missing.
    void ShowStatus(const CopyProgress& progress, bool ended);

    MVProgressBar bar;
    HWND status = nullptr;
    TaskbarCopyReport taskbar;
    bool copying = false;
    // The speed of the running copy, from the reports the ticks read (their own time and
    // sectors, so that no clock of this thread is involved), and the status text shown last.
    TransferRate rate;
    DWORD lastSampleMs = 0;
    bool sampled = false;
    std::wstring shownStatus;
};
