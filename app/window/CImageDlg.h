#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <vector>
#include "CopyJobOwner.h"
#include "DriveList.h"
#include "MVComboBox.h"
#include "MVDialog.h"
#include "MVProgressBar.h"
#include "TaskbarCopyReport.h"

class CCopyThread;
class DriveScanner;

// The main window: the drive list, "Create ISO"/"Stop", the block progress bar and the
// elapsed-time line. It runs one copy at a time on a worker thread and is that copy's owner.
//
// Threads: the handlers run on the user-interface thread; the CopyJobOwner operations run on
// the worker. The worker's reports during a copy never wait for this thread: the bar guards
// its own state, and the time line is handed over by a posted message. What the worker does
// to the dialog's windows at the start and end of a copy (the caption, message boxes) travels
// as sent messages, which complete only while this thread processes messages, so every wait
// of this thread for the worker pumps messages.
class CImageDlg : public MVDialog, public CopyJobOwner
{
public:
    static const UINT_PTR REFRESH_TIMER = 5020;
    static const UINT kRefreshPeriodMs = 1000;
    static const unsigned kProgressBlocks = 528;
    static const DWORD kClosePollMs = 40;
    // The bar follows a copy at most this often: painting its blocks takes this thread a few
    // milliseconds, and a fast drive reports hundreds of chunks a second.
    static const DWORD kBarPeriodMs = 50;
    // While a copy runs, the taskbar button follows the bar a few times a second.
    static const UINT_PTR TASKBAR_TIMER = 5021;
    static const UINT kTaskbarPeriodMs = 250;
    // Posted by the worker, so that it never waits for the window's thread: an error box is
    // about to show; the copy has ended (wParam: its CopyOutcome).
    static const UINT WM_COPY_ERROR_SHOWN = WM_APP + 0x100;
    static const UINT WM_COPY_ENDED = WM_APP + 0x101;
    // Posted by the drive scanner: a new list is ready. Posted by the worker as its last step:
    // m_pWorker is clear, the button follows the idle rule again.
    static const UINT WM_DRIVE_LIST = WM_APP + 0x10;
    static const UINT WM_WORKER_CLEARED = WM_APP + 0x11;
    // Posted by the worker to have the elapsed time shown; at most one is pending.
    static const UINT WM_SHOW_ELAPSED = WM_APP + 0x102;

    explicit CImageDlg(HWND parent);
    ~CImageDlg() override;

    // Asks for a new drive list; it is shown when the scan, off this thread, has finished.
    void RefreshDriveList();
    // While idle, "Create ISO" is enabled exactly when an entry is selected and its volume could
    // be read at the last scan. During a copy the button is "Stop" and stays enabled.
    void OnDriveChanged();
    // "Create ISO": asks for the image file and starts the copy; during a copy, "Stop".
    void OnCreateIso();

    // CopyJobOwner, called on the worker thread.
    void CreateImage(const wchar_t* driveEntry, const wchar_t* imagePath) override;
    void SetProgressRange(int minimum, int maximum) override;
    void SetProgressPosition(int position) override;
    void UpdateProgress(int sectorsDone, DWORD elapsedMs) override;
    void ReportLastError() override;
    void ReportReadError(const wchar_t* detail) override;
    void ShowCopyError(const wchar_t* text) override;
    bool AskToContinue(const wchar_t* question) override;
    bool IsStopRequested() override;
    void CopyEnded(CopyOutcome outcome) override;
    void ClearStopRequest() override;
    void RestoreCreateCaption() override;
    void ClearWorker() override;

    MVComboBox m_cbDrives;
    // The running copy, null when none. Set here before the worker starts, cleared by the
    // job as its very last step.
    std::atomic<CCopyThread*> m_pWorker{nullptr};
    // Nonzero asks the running copy to stop after its current chunk.
    std::atomic<LONG> m_bStop{0};
    HICON m_hIcon;
    const unsigned m_nChunkSectors = 500;
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

    // The file-name dialog; false when the user cancelled.
    virtual bool AskImagePath(std::wstring& imagePath);
    // A suspended worker that will copy driveEntry's drive into imagePath. Throws
    // MVException when the thread cannot be created.
    virtual CCopyThread* CreateWorker(const std::wstring& driveEntry, const std::wstring& imagePath);
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
    // Close command: stop a running copy, wait for it, then end the modal loop.
    void Close();
    // Asks a running copy to stop and waits, pumping messages, until it has cleared m_pWorker.
    void WaitForWorker();
    // The window's side of a copy's end: the taskbar shows no progress, and a copy finished
    // while the user was elsewhere flashes the button.
    void OnCopyEnded(CopyOutcome outcome);
    void NoteErrorBox();

    void ShowElapsedTime();

    HICON m_hSmallIcon;
    bool m_bClosing = false;
    // The shell sends it when it has made the taskbar button (again, after Explorer restarted).
    const UINT m_nTaskbarButtonCreated;
    TaskbarCopyReport m_taskbar;
    std::unique_ptr<DriveScanner> m_scanner;
    // False until the first list arrived: that one gets its first entry selected.
    bool m_bListShown = false;
    // The entry of the drive being copied, meaningful while m_pWorker is set.
    std::wstring m_copyEntry;
    // The latest elapsed time of the copy, the second last asked to be shown, and whether a
    // WM_SHOW_ELAPSED is pending.
    std::atomic<DWORD> m_nElapsedMs{0};
    std::atomic<DWORD> m_nShownSecond{MAXDWORD};
    // The elapsed time at which the bar was last moved, MAXDWORD before the first report.
    std::atomic<DWORD> m_nBarMovedMs{MAXDWORD};
    std::atomic<bool> m_bElapsedPosted{false};
};
