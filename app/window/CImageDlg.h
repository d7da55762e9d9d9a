#pragma once
#include <functional>
#include <memory>
#include <string>
#include "CopyMessageBoxes.h"
#include "CopyProgressView.h"
#include "CopyRunner.h"
#include "DrivePicker.h"
#include "MVDialog.h"
#include "ShutdownBlock.h"
#include "TaskbarProgress.h"
#include "UnattendedAnswers.h"

// The main window: the drive list, "Create ISO"/"Stop", the block progress bar and the status
// line. It runs one copy at a time through a CopyRunner, with CopyMessageBoxes as the copy's
// front end.
//
// Threads: the handlers run on the user-interface thread; the worker only stores where the
// copy stands in the runner's record and never waits for this thread. One timer of this
// thread, running only during a copy, reads the record once per tick for the progress view.
// The end of a copy is one posted message with its outcome, and this thread does all the end
// needs. Only the worker's message boxes, owned by the dialog, wait for this thread, so every
// wait of this thread for the worker dispatches messages.
class CImageDlg : public MVDialog
{
public:
    static const UINT_PTR REFRESH_TIMER = 5020;
    static const UINT kRefreshPeriodMs = 1000;
    // Shows a running copy's progress. Painting the bar takes this thread a few milliseconds,
    // and a fast drive reports hundreds of chunks a second: the display follows at this pace.
    static const UINT_PTR PROGRESS_TIMER = 5021;
    static const UINT kProgressPeriodMs = 50;
    // How long the end of the session waits for a stopped copy to keep its image and map: the
    // system ends the process soon after anyway.
    static const DWORD kEndSessionWaitMs = 2500;
    // Private messages. Posted by the drive scanner: a new list is ready. Posted by the worker
    // as its last step: the copy has ended (wParam: its CopyOutcome).
    static const UINT WM_PELMORA_DRIVE_LIST = WM_APP + 1;
    static const UINT WM_PELMORA_COPY_ENDED = WM_APP + 2;

    // What the window asks of the engine and of the system; tests answer in their place.
    struct Seams
    {
        std::unique_ptr<CopyRunner> runner;
        DriveQueries drives;
        // The save dialog and the replace question (ImagePathPrompt); false: no copy.
        std::function<bool(HWND owner, const std::wstring& driveEntry, std::wstring& imagePath)> askImagePath;
        // The shell's progress display for the taskbar button; null where it offers none.
        std::function<std::unique_ptr<TaskbarProgress>(HWND window)> taskbar;
        // Win32TaskbarProgress::IsInForeground and Flash.
        std::function<bool(HWND window)> inForeground;
        std::function<void(HWND window)> flash;
        // The reason a shutdown waits for the copy.
        ShutdownBlock::Calls shutdownBlock;

        static Seams System();
    };

    explicit CImageDlg(HWND parent, Seams seams = Seams::System());
    ~CImageDlg() override;

    // From the start of a copy until this thread has handled its end.
    bool IsCopying() const { return !m_copyEntry.empty(); }
    // Before DoModal: the window starts one copy of driveEntry's drive at once, with `answers` as
    // its front end, shows it as usual (Stop works), and closes itself at its end.
    void CopyUnattended(UnattendedAnswers& answers, const std::wstring& driveEntry, const std::wstring& imagePath);
    CopyRunner& Runner() { return *m_seams.runner; }
    DrivePicker& Drives() { return m_drives; }
    CopyProgressView& View() { return m_view; }

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(int id, int code) override;
    // Enter and Escape must not close the main window: only the close command does.
    void OnOK() override {}
    void OnCancel() override {}
    BOOL OnSysCommand(UINT id, LPARAM lParam) override;
    BOOL OnPaint() override;
    void OnTimer(UINT_PTR id) override;
    HICON OnQueryDragIcon() override;
    BOOL OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void AddAboutItem();
    // While idle, "Create ISO" is enabled exactly when the selected drive could be read at the
    // last scan. During a copy the button is "Stop" and stays enabled.
    void OnDriveChanged();
    // "Create ISO": asks for the image file and starts the copy; during a copy, "Stop".
    void OnCreateIso();
    void StartCopy(const std::wstring& driveEntry, const std::wstring& imagePath);
    // Close command: stop a running copy, wait for it, then end the modal loop.
    void Close();
    // A copy's end, on this thread: its last progress is shown, then the bar empties, the
    // button reads "Create ISO" and follows the idle rule, and the taskbar button shows no
    // progress, or flashes for a copy completed while the user was elsewhere.
    void OnCopyEnded(CopyOutcome outcome);
    // A shutdown or a restart: asked during a copy, it waits, saying why; once the session ends
    // anyway, the copy is stopped so that what it read is kept with its map.
    LRESULT OnQueryEndSession();
    void OnEndSession();

    Seams m_seams;
    CopyMessageBoxes m_boxes;
    DrivePicker m_drives;
    CopyProgressView m_view;
    ShutdownBlock m_shutdown;
    HICON m_hIcon;
    HICON m_hSmallIcon;
    bool m_bClosing = false;
    // The session is ending: no new copy starts, though the window still closes when asked.
    bool m_bSessionEnding = false;
    // The shell sends it when it has made the taskbar button (again, after Explorer restarted).
    const UINT m_nTaskbarButtonCreated;
    // The entry of the drive being copied, from the start of a copy until this thread has
    // handled its end; empty while idle. It marks a running copy for this thread: the worker
    // ends a moment before its end arrives here.
    std::wstring m_copyEntry;
    std::wstring m_copyImage;
    // An unattended run's front end; null in a window run.
    UnattendedAnswers* m_unattended = nullptr;
    std::wstring m_unattendedEntry, m_unattendedImage;
};
