#pragma once
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>
#include "CopyFrontEnd.h"
#include "CopyRunner.h"
#include "DriveList.h"
#include "MVComboBox.h"
#include "MVDialog.h"
#include "MVProgressBar.h"
#include "TaskbarCopyReport.h"
#include "TransferRate.h"

class DriveScanner;

// The main window: the drive list, "Create ISO"/"Stop", the block progress bar and the
// elapsed-time line. It runs one copy at a time on a worker thread and is that copy's owner.
//
// Threads: the handlers run on the user-interface thread; the CopyFrontEnd operations run on
// the worker. The worker only stores where the copy stands (UpdateProgress, and whether an
// error box is up) and never waits for this thread; one timer of this thread, running only
// during a copy, reads that once per tick and shows it on the bar, the time line and the
// taskbar button. The end of a copy is one posted message with its outcome, and this thread
// does all the end needs. Only the worker's message boxes, owned by the dialog, wait for this
// thread, so every wait of this thread for the worker pumps messages.
class CImageDlg : public MVDialog, public CopyFrontEnd
{
public:
    static const UINT_PTR REFRESH_TIMER = 5020;
    static const UINT kRefreshPeriodMs = 1000;
    // Shows a running copy's progress. Painting the bar takes this thread a few milliseconds,
    // and a fast drive reports hundreds of chunks a second: the display follows at this pace.
    static const UINT_PTR PROGRESS_TIMER = 5021;
    static const UINT kProgressPeriodMs = 50;
    static const unsigned kProgressBlocks = 528;
    // Private messages. Posted by the drive scanner: a new list is ready. Posted by the worker
    // as its last step: the copy has ended (wParam: its CopyOutcome).
    static const UINT WM_PELMORA_DRIVE_LIST = WM_APP + 1;
    static const UINT WM_PELMORA_COPY_ENDED = WM_APP + 2;

    // runner: runs the copies; tests give one with a copy of their own.
    explicit CImageDlg(HWND parent, std::unique_ptr<CopyRunner> runner = std::make_unique<CopyRunner>());
    ~CImageDlg() override;

    // Asks for a new drive list; it is shown when the scan, off this thread, has finished.
    void RefreshDriveList();
    // While idle, "Create ISO" is enabled exactly when an entry is selected and its volume could
    // be read at the last scan. During a copy the button is "Stop" and stays enabled.
    void OnDriveChanged();
    // "Create ISO": asks for the image file and starts the copy; during a copy, "Stop".
    void OnCreateIso();
    // From the start of a copy until this thread has handled its end.
    bool IsCopying() const { return !m_copyEntry.empty(); }

    // CopyFrontEnd, called on the worker thread.
    void ReportLastError() override;
    void ReportReadError(const wchar_t* detail) override;
    void ShowCopyError(const wchar_t* text) override;
    bool AskToContinue(const wchar_t* question) override;
    ReadErrorChoice AskReadErrorChoice(const wchar_t* detail) override;
    bool AskToReplace(const wchar_t* question) override;
    QuestionAnswer AskYesNoCancel(const wchar_t* question) override;
    void CopyEnded(CopyOutcome outcome) override;

    MVComboBox m_cbDrives;
    // Runs the copies on a worker thread and holds where the running one stands.
    const std::unique_ptr<CopyRunner> m_runner;
    HICON m_hIcon;
    MVProgressBar m_wndProgress;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, int code) override;
    // Enter and Escape must not close the main window: only the close command does.
    void OnOK() override;
    void OnCancel() override;
    BOOL OnSysCommand(UINT id, LPARAM lParam) override;
    BOOL OnPaint() override;
    void OnTimer(UINT_PTR id) override;
    HICON OnQueryDragIcon() override;
    BOOL OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // The file-name dialog, proposing a name after driveEntry's label; false when the user
    // cancelled.
    virtual bool AskImagePath(const std::wstring& driveEntry, std::wstring& imagePath);
    // The shell's progress display for the taskbar button; null where it offers none.
    virtual std::unique_ptr<TaskbarProgress> CreateTaskbarProgress();
    // True while the user works in this window or one it owns (a message box, the About box).
    virtual bool IsInForeground() const;
    // Flashes the taskbar button until the user comes back to the window.
    virtual void FlashTaskbarButton();
    // How the drive list asks the system about drives; called once, on this thread.
    virtual DriveQueries DriveListQueries();

private:
    // Shows `entries` (in any order), keeping the user's drive selected, then updates the button.
    void ApplyDriveList(const std::vector<std::wstring>& entries);
    // The scanner's newest list, shown without redrawing in between.
    void ShowScannedDrives();
    std::vector<std::wstring> ListedEntries() const;
    void AddAboutItem();
    void CreateProgressBar();
    void StartCopy(const std::wstring& driveEntry, const std::wstring& imagePath);
    bool ConfirmReplace(const std::wstring& imagePath);
    // Close command: stop a running copy, wait for it, then end the modal loop.
    void Close();
    // A copy's end, on this thread: its last progress is shown, then the bar empties, the
    // button reads "Create ISO" and follows the idle rule, and the taskbar button shows no
    // progress, or flashes for a copy completed while the user was elsewhere.
    void OnCopyEnded(CopyOutcome outcome);
    // The listed entry of that drive letter, empty when none is listed.
    std::wstring ListedEntryOf(wchar_t letter) const;

    // The progress timer's tick: one read of the report, shown on the bar, the status line and
    // the taskbar button. At the end of a copy the status line keeps only its time.
    void ShowProgress(bool ended = false);
    void ShowBar(DWORD sectorsDone, DWORD totalSectors);
    // "Time: 00:01:23 · 10.4 MB/s · 00:02:10 left" while the copy runs, "Time: 00:01:25" at its
    // end; during the return passes over unread sectors, the pass and the sectors still missing.
    void ShowStatus(const CopyProgress& progress, bool ended);

    HICON m_hSmallIcon;
    bool m_bClosing = false;
    // The shell sends it when it has made the taskbar button (again, after Explorer restarted).
    const UINT m_nTaskbarButtonCreated;
    TaskbarCopyReport m_taskbar;
    std::unique_ptr<DriveScanner> m_scanner;
    // False until the first list arrived: that one gets its first entry selected.
    bool m_bListShown = false;
    // The entry of the drive being copied, from the start of a copy until this thread has
    // handled its end; empty while idle. It marks a running copy for this thread: the worker
    // ends a moment before its end arrives here.
    std::wstring m_copyEntry;
    // The speed of the running copy, from the reports the timer read (their own time and
    // sectors, so that no clock of this thread is involved), and the status text shown last.
    TransferRate m_rate;
    DWORD m_nLastSampleMs = 0;
    bool m_bSampled = false;
    std::wstring m_shownStatus;
};
