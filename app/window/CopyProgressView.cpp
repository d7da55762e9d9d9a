#include "CopyProgressView.h"
#include <algorithm>
#include <climits>
#include "DiscSector.h"
#include "MVProgressRange.h"
#include "MVString.h"
#include "TimeSpan.h"

namespace
{
// During the return passes over the sectors a scratched disc did not give: which pass runs and
// how many sectors are still missing; empty otherwise.
std::wstring RescuePassText(const CopyProgress& progress)
{
    std::wstring text;
    if (progress.phase == CopyProgress::Phase::Trimming)
        text = L" \x00B7 Trimming";
    else if (progress.phase == CopyProgress::Phase::Scraping)
        text = L" \x00B7 Scraping";
    else if (progress.phase == CopyProgress::Phase::Retrying)
        text = L" \x00B7 Retrying (pass " + std::to_wstring(progress.pass) + L")";
    else
        return text;
    return text + L" \x00B7 " + std::to_wstring(progress.sectorsLeft) + L" sectors missing";
}
}

void CopyProgressView::Create(HWND placeholder, HWND statusLine)
{
    status = statusLine;
    if (!bar.CreateOverControl(placeholder, 0, WS_CHILD | WS_VISIBLE, nullptr, nullptr, nullptr, nullptr))
        return;
    bar.backgroundColor = GetSysColor(COLOR_BTNFACE);
    bar.SetBlockCount(kBlocks);
    bar.GetProgress()->filledColor = RGB(255, 0, 0);
    bar.doubleBuffered = TRUE;
}

void CopyProgressView::CopyStarted()
{
    copying = true;
    rate.Clear();
    sampled = false;
    taskbar.CopyStarted();
}

void CopyProgressView::Show(const CopyProgressRecord::Snapshot& report)
{
    if (copying)
        Show(report, false);
}

bool CopyProgressView::ShowEnd(const CopyProgressRecord::Snapshot& report, CopyOutcome outcome, bool windowInForeground)
{
    Show(report, true);
    copying = false;
    bar.GetProgress()->SetPosition(0);
    return taskbar.CopyEnded(outcome, windowInForeground);
}

void CopyProgressView::Show(const CopyProgressRecord::Snapshot& report, bool ended)
{
    if (report.errorShown)
        taskbar.ErrorShown();
    else
        taskbar.ErrorGone();
    const CopyProgress& progress = report.progress;
    if (progress.phase == CopyProgress::Phase::Starting)
        return;
    ShowBar(progress.sectorsDone, progress.totalSectors);
    taskbar.ShowFraction(progress.sectorsDone, progress.totalSectors);
    ShowStatus(progress, ended);
}

void CopyProgressView::ShowBar(DWORD sectorsDone, DWORD totalSectors)
{
    MVProgressRange* range = bar.GetProgress();
    const int maximum = static_cast<int>(std::min<DWORD>(totalSectors, INT_MAX));
    const int position = static_cast<int>(std::min<DWORD>(sectorsDone, INT_MAX));
    // A drive that is stuck costs no repaints.
    if (range->maximum == maximum && range->position == position)
        return;
    range->SetRange(0, maximum);
    range->SetPosition(position);
}

void CopyProgressView::ShowStatus(const CopyProgress& progress, bool ended)
{
    // A new report adds a sample; a tick without one does not, or a held drive would average
    // its last chunk over ever more samples of the same instant.
    const bool sized = progress.VolumeKnown();
    // The return passes count sectors of their own pass: no speed is taken from them.
    const bool copyingPass = progress.phase == CopyProgress::Phase::Copying;
    if (sized && copyingPass && (!sampled || progress.elapsedMs != lastSampleMs))
    {
        rate.Add(progress.elapsedMs, ULONGLONG(progress.sectorsDone) * kSectorBytes);
        lastSampleMs = progress.elapsedMs;
        sampled = true;
    }
    MVString text;
    if (ended || !sized || !copyingPass)
        FormatElapsedTime(text, progress.elapsedMs);
    else
        FormatCopyStatus(text, progress.elapsedMs, rate, ULONGLONG(progress.sectorsDone) * kSectorBytes,
                         ULONGLONG(progress.totalSectors) * kSectorBytes);
    std::wstring line = text.GetBuffer();
    if (!ended)
        line += RescuePassText(progress);
    // Only a changed line is repainted: most ticks change nothing in it.
    if (shownStatus == line)
        return;
    shownStatus = line;
    SetWindowTextW(status, line.c_str());
    if (status)
        InvalidateRect(status, nullptr, TRUE);
}
