#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include "CImageDlg.h"
#include "CopyRunner.h"
#include "DialogTestKit.h"
#include "DriveList.h"
#include "MVException.h"
#include "MVProgressRange.h"
#include "MVSystemError.h"
#include "TaskbarProgress.h"
#include "UniqueName.h"
#include "UnusedDriveLetter.h"
#include "resource.h"

namespace
{
using dialogtest::RunModal;
using dialogtest::TextOf;

// The taskbar button's progress as the dialog drives it, one line per call.
class RecordingTaskbar : public TaskbarProgress
{
public:
    explicit RecordingTaskbar(std::vector<std::wstring>& log) : calls(log) {}
    void SetState(TaskbarProgressState state) override
    {
        const wchar_t* names[] = {L"none", L"normal", L"error"};
        calls.push_back(std::wstring(L"state ") + names[static_cast<int>(state)]);
    }
    void SetValue(ULONGLONG done, ULONGLONG total) override
    {
        calls.push_back(L"value " + std::to_wstring(done) + L"/" + std::to_wstring(total));
    }
    std::vector<std::wstring>& calls;
};

// The drives the dialog's scans see: a label for a readable disc, none for an empty drive. A
// volume query of drive `blockOn` hangs until `release` is set, as a drive spinning up or
// retrying a bad sector does.
struct FakeDrives
{
    std::mutex lock;
    std::map<wchar_t, std::optional<std::wstring>> cdroms;
    std::map<wchar_t, int> asked;
    const DWORD windowThread = GetCurrentThreadId();
    std::atomic<bool> askedOnWindowThread{false};
    std::atomic<DWORD> scanThread{0};
    std::atomic<wchar_t> blockOn{0};
    std::atomic<bool> blocked{false};
    std::atomic<int> scansDone{0};
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~FakeDrives() { CloseHandle(release); }

    void Set(wchar_t letter, std::optional<std::wstring> label)
    {
        std::lock_guard<std::mutex> guard(lock);
        cdroms[letter] = std::move(label);
    }
    int Asked(wchar_t letter)
    {
        std::lock_guard<std::mutex> guard(lock);
        return asked[letter];
    }
    DriveQueries Queries(const std::shared_ptr<FakeDrives>& self)
    {
        DriveQueries queries;
        queries.driveType = [self](const wchar_t* root) {
            // Z: is the last drive every scan asks about.
            self->scansDone += root[0] == L'Z';
            std::lock_guard<std::mutex> guard(self->lock);
            return self->cdroms.count(root[0]) ? UINT(DRIVE_CDROM) : UINT(DRIVE_NO_ROOT_DIR);
        };
        queries.volumeInfo = [self](VolumeInfo& info, const wchar_t* root) { return self->Volume(info, root[0]); };
        return queries;
    }
    BOOL Volume(VolumeInfo& info, wchar_t letter)
    {
        askedOnWindowThread = askedOnWindowThread || GetCurrentThreadId() == windowThread;
        scanThread = GetCurrentThreadId();
        blocked = letter == blockOn;
        // Bounded, so that a broken scanner fails the test instead of hanging it.
        if (blocked)
            WaitForSingleObject(release, 20000);
        blocked = false;
        std::lock_guard<std::mutex> guard(lock);
        ++asked[letter];
        const std::optional<std::wstring>& label = cdroms[letter];
        if (label)
            wcscpy(info.volumeLabel, label->c_str());
        return label ? TRUE : FALSE;
    }
};

// A runner whose thread cannot be made when the test says so.
class TestRunner : public CopyRunner
{
public:
    explicit TestRunner(Task task) : CopyRunner(std::move(task)) {}
    bool failStart = false;
    int starts = 0;
    void Start(CopyFrontEnd& frontEnd, const std::wstring& driveEntry, const std::wstring& imagePath) override
    {
        ++starts;
        if (failStart)
            throw MVException(L"Not enough resources", L"MV\\INC\\MVThread", 36, 0);
        CopyRunner::Start(frontEnd, driveEntry, imagePath);
    }
};

// The main dialog with the file-name dialog answered by the test, an optional failure to
// start the copy, and a copy that runs until it is asked to stop, or, with endAs set,
// one that goes halfway, waits for `goOn` and ends that way as the real job does.
class TestImageDlg : public CImageDlg
{
public:
    TestImageDlg()
        : CImageDlg(nullptr, std::make_unique<TestRunner>([this](CopyQuestions& questions, CopyProgressRecord& progress,
                                                                 const wchar_t* driveEntry, const wchar_t*) {
              return Play(questions, progress, driveEntry);
          }))
    {
    }

    bool answer = true;
    std::wstring answerPath = L"C:\\image.iso";
    std::function<void()> duringAsk;
    std::wstring copiedEntry;
    std::atomic<bool> sawStop{false};
    std::optional<CopyOutcome> endAs;
    std::atomic<bool> halfway{false};
    std::atomic<bool> goOn{false};
    std::atomic<DWORD> workerThread{0};
    bool inForeground = true;
    std::vector<std::wstring> taskbarCalls;

    // Shared with the scan thread's queries, which may outlive this part of the object.
    std::shared_ptr<FakeDrives> drives = std::make_shared<FakeDrives>();

    bool RealAskImagePath(std::wstring& path) { return CImageDlg::AskImagePath(L"", path); }
    TestRunner& Runner() { return static_cast<TestRunner&>(*m_runner); }
    CopyProgressRecord& Record() { return m_runner->Progress(); }

    std::function<void()> inEndingGap;
    std::atomic<int> copiesStarted{0};
    std::atomic<bool> stopAtStart{false};
    // How a failed copy shows its box.
    std::function<void(CopyQuestions&)> failBox = [](CopyQuestions& q) { q.ShowCopyError(L"Cannot read the disc."); };

    CopyOutcome Play(CopyQuestions& questions, CopyProgressRecord& progress, const wchar_t* driveEntry)
    {
        copiedEntry = driveEntry;
        stopAtStart = progress.StopRequested();
        ++copiesStarted;
        if (endAs)
            return PlayCopyThatEnds(questions, progress, *endAs);
        while (!progress.StopRequested())
        {
            progress.Update({CopyProgress::Phase::Copying, 10, 1000, 1000});
            Sleep(5);
        }
        sawStop = true;
        if (inEndingGap)
            SendMessageW(GetHwnd(), WM_APP + 99, 0, 0);
        return CopyOutcome::Stopped;
    }

    CopyOutcome PlayCopyThatEnds(CopyQuestions& questions, CopyProgressRecord& progress, CopyOutcome outcome)
    {
        progress.Update({CopyProgress::Phase::Copying, 500, 1000, 0});
        workerThread = GetCurrentThreadId();
        halfway = true;
        while (!goOn)
            Sleep(1);
        if (outcome == CopyOutcome::Failed)
            failBox(questions);
        while (outcome == CopyOutcome::Stopped && !progress.StopRequested())
            Sleep(1);
        return outcome;
    }

protected:
    std::unique_ptr<TaskbarProgress> CreateTaskbarProgress() override
    {
        return std::make_unique<RecordingTaskbar>(taskbarCalls);
    }
    bool IsInForeground() const override { return inForeground; }
    void FlashTaskbarButton() override { taskbarCalls.push_back(L"flash"); }
    // Runs the test's action on the window's thread while the worker waits.
    BOOL OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override
    {
        if (message == WM_APP + 99 && inEndingGap)
        {
            inEndingGap();
            return TRUE;
        }
        return CImageDlg::OnOtherMessage(message, wParam, lParam, result);
    }

    bool AskImagePath(const std::wstring&, std::wstring& path) override
    {
        if (duringAsk)
            duringAsk();
        path = answerPath;
        return answer;
    }
    DriveQueries DriveListQueries() override { return drives->Queries(drives); }
};

// Puts entries of our choosing into the drive list, as a refresh would, and selects one.
void ShowEntries(CImageDlg& dialog, const std::vector<std::wstring>& entries, int selected)
{
    dialog.m_cbDrives.ResetContent();
    for (const std::wstring& entry : entries)
        dialog.m_cbDrives.AddString(entry.c_str());
    dialog.m_cbDrives.SetCurSel(selected);
    SendMessageW(dialog.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_DRIVES, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(dialog.m_cbDrives.GetHwnd()));
}

// What the drive list shows, in its order.
std::vector<std::wstring> Listed(CImageDlg& dialog)
{
    std::vector<std::wstring> listed;
    for (int i = 0; i < dialog.m_cbDrives.GetCount(); ++i)
        listed.push_back(dialog.m_cbDrives.GetLBText(i));
    return listed;
}

bool WaitForList(CImageDlg& dialog, const std::vector<std::wstring>& expected)
{
    return dialogtest::PumpUntil([&] { return Listed(dialog) == expected; });
}

// Selects the listed entry with that text as the user does.
void Select(CImageDlg& dialog, const std::wstring& entry)
{
    const std::vector<std::wstring> listed = Listed(dialog);
    const auto found = std::find(listed.begin(), listed.end(), entry);
    dialog.m_cbDrives.SetCurSel(found == listed.end() ? -1 : static_cast<int>(found - listed.begin()));
    SendMessageW(dialog.GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_DRIVES, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(dialog.m_cbDrives.GetHwnd()));
}

void Click(HWND window, int id)
{
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, id)));
}

std::wstring LastMenuText(HMENU menu, int fromEnd, UINT* id)
{
    const int index = GetMenuItemCount(menu) - fromEnd;
    wchar_t text[128] = {};
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = ARRAYSIZE(text);
    GetMenuItemInfoW(menu, static_cast<UINT>(index), TRUE, &info);
    *id = info.wID;
    return (info.fType & MFT_SEPARATOR) ? L"<separator>" : text;
}

TEST(CImageDlg, IsTheMainDialogFromItsTemplate)
{
    TestImageDlg dialog;
    RunModal(dialog, [&](HWND window) {
        // Checked on the window itself: another test process may show its own main dialog
        // at the same time, so a search by class and caption could find that one.
        EXPECT_EQ(dialogtest::ClassOf(window), L"#32770");
        EXPECT_EQ(TextOf(window), L"Pelmora 3.0");
        const LONG style = GetWindowLongW(window, GWL_STYLE);
        EXPECT_TRUE(style & WS_MINIMIZEBOX);
        EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));
        EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
        EXPECT_EQ(dialogtest::ClassOf(GetDlgItem(window, IDC_DRIVES)), L"ComboBox");
        EXPECT_TRUE(GetWindowLongW(GetDlgItem(window, IDC_DRIVES), GWL_STYLE) & CBS_SORT);
        EXPECT_EQ(TextOf(GetDlgItem(window, IDC_CREATE)), L"Create ISO");
        EXPECT_EQ(TextOf(GetDlgItem(window, IDC_STATUS)), L"");
        EXPECT_TRUE(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
        EXPECT_TRUE(IsWindow(dialog.m_wndProgress.hwnd));
        EXPECT_FALSE(GetDlgItem(window, IDC_PROGRESS) && dialogtest::TextOf(GetDlgItem(window, IDC_PROGRESS)) == L"Static");
        EXPECT_EQ(dialog.m_wndProgress.GetBlockCount(), 528u);
        EXPECT_EQ(dialog.m_wndProgress.backgroundColor, GetSysColor(COLOR_BTNFACE));
        EXPECT_EQ(dialog.m_wndProgress.GetProgress()->filledColor, RGB(255, 0, 0));

        UINT id = 0;
        HMENU menu = GetSystemMenu(window, FALSE);
        EXPECT_EQ(LastMenuText(menu, 1, &id), L"&About Pelmora...");
        EXPECT_EQ(id, static_cast<UINT>(IDM_ABOUT));
        EXPECT_EQ(LastMenuText(menu, 2, &id), L"<separator>");
    });
}

TEST(CImageDlg, EnterAndEscapeDoNotCloseIt)
{
    TestImageDlg dialog;
    RunModal(dialog, [&](HWND window) {
        SendMessageW(window, WM_COMMAND, IDOK, 0);
        SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
        // Give anything the commands might have posted a chance to run.
        dialogtest::PumpUntil([] { return false; }, 100);
        EXPECT_TRUE(IsWindow(window));
        EXPECT_TRUE(IsWindowVisible(window));
    });
}

TEST(CImageDlg, CreateIsEnabledOnlyForASelectedReadableDrive)
{
    const wchar_t unused = UnusedDriveLetter();
    ASSERT_NE(unused, 0);
    TestImageDlg dialog;
    RunModal(dialog, [&](HWND window) {
        HWND button = GetDlgItem(window, IDC_CREATE);
        const std::vector<std::wstring> entries = {L"C:\\ - SYSTEM", DriveRoot(unused)};
        ShowEntries(dialog, entries, 0);
        EXPECT_TRUE(IsWindowEnabled(button));
        ShowEntries(dialog, entries, 1);
        EXPECT_FALSE(IsWindowEnabled(button));
        ShowEntries(dialog, entries, 0);
        ShowEntries(dialog, entries, -1);
        EXPECT_FALSE(IsWindowEnabled(button));
        ShowEntries(dialog, {}, -1);
        EXPECT_FALSE(IsWindowEnabled(button));
    });
}

TEST(CImageDlg, DriveScansRunOffTheWindowThreadAndNeverDisableStop)
{
    TestImageDlg dialog;
    FakeDrives& drives = *dialog.drives;
    drives.Set(L'D', L"SLOW");
    drives.Set(L'E', L"DISC");
    RunModal(dialog, [&](HWND window) {
        HWND button = GetDlgItem(window, IDC_CREATE);
        ASSERT_TRUE(WaitForList(dialog, {L"D:\\ - SLOW", L"E:\\ - DISC"}));
        Select(dialog, L"E:\\ - DISC");
        // The next scan hangs at D:, before it reaches E:, while this thread goes on pumping.
        drives.blockOn = L'D';
        ASSERT_TRUE(dialogtest::PumpUntil([&] { return drives.blocked.load(); }));
        Click(window, IDC_CREATE);
        Click(window, IDC_CREATE);
        EXPECT_TRUE(dialogtest::PumpUntil([&] { return !dialog.IsCopying(); }));
        ASSERT_TRUE(drives.blocked) << "Stop was only handled after the query";

        // A copy that starts while the scan hangs: its drive is not asked again, and neither
        // the empty drive chosen, a refresh nor the disc ejected disables Stop.
        Click(window, IDC_CREATE);
        const int askedE = drives.Asked(L'E');
        drives.Set(L'D', std::nullopt);
        drives.Set(L'E', std::nullopt);
        SetEvent(drives.release);
        EXPECT_TRUE(WaitForList(dialog, {L"D:\\", L"E:\\ - DISC"}));
        Select(dialog, L"D:\\");
        const int scans = drives.scansDone;
        SendMessageW(window, WM_TIMER, CImageDlg::REFRESH_TIMER, 0);
        EXPECT_TRUE(IsWindowEnabled(button));
        // The periodic refresh forgetting the busy drive would ask it: two scans on, the one
        // asked for has ended.
        EXPECT_TRUE(dialogtest::PumpUntil([&] { return drives.scansDone >= scans + 2; }));
        EXPECT_EQ(drives.Asked(L'E'), askedE);
        Click(window, IDC_CREATE);
        // Idle again with the empty drive selected; now the ejected disc shows.
        EXPECT_TRUE(dialogtest::PumpUntil([&] { return !dialog.IsCopying() && !IsWindowEnabled(button); }));
        EXPECT_TRUE(WaitForList(dialog, {L"D:\\", L"E:\\"}));
    });
    SetEvent(drives.release);
    EXPECT_FALSE(drives.askedOnWindowThread);
    EXPECT_TRUE(CopyRunner::WaitForAllToEnd(5000));
}

TEST(CImageDlg, ClosingDoesNotWaitForAHangingDriveQuery)
{
    std::shared_ptr<FakeDrives> drives;
    {
        TestImageDlg dialog;
        drives = dialog.drives;
        drives->Set(L'D', L"SLOW");
        drives->blockOn = L'D';
        RunModal(dialog, [&](HWND) { ASSERT_TRUE(dialogtest::PumpUntil([&] { return drives->blocked.load(); })); });
    }
    EXPECT_TRUE(drives->blocked) << "closing waited for the query";
    SetEvent(drives->release);
}

TEST(CImageDlg, ClosingEndsAnIdleScanThread)
{
    // A thread still ending while the process exits can keep the process from ending: an idle
    // scan thread is gone with the window.
    HANDLE scanThread = nullptr;
    {
        TestImageDlg dialog;
        dialog.drives->Set(L'E', L"DISC");
        RunModal(dialog, [&](HWND) {
            ASSERT_TRUE(WaitForList(dialog, {L"E:\\ - DISC"}));
            scanThread = OpenThread(SYNCHRONIZE, FALSE, dialog.drives->scanThread);
        });
    }
    ASSERT_TRUE(scanThread);
    EXPECT_EQ(WaitForSingleObject(scanThread, 0), WAIT_OBJECT_0);
    CloseHandle(scanThread);
}

TEST(CImageDlg, UpdateProgressNeverWaitsForTheWindowAndTheTimerShowsIt)
{
    const struct
    {
        DWORD ms;
        DWORD sectors;
        const wchar_t* status;
        CopyProgress::Phase phase = CopyProgress::Phase::Copying;
        unsigned pass = 0;
    } cases[] = {
        {0, 100, L"Time: 00:00:00"},
        {59999, 200, L"Time: 00:00:59"},
        // 500 sectors in 2 s: 512,000 bytes a second, 614,400 bytes to go.
        {61999, 700, L"Time: 00:01:01 \u00B7 0.5 MB/s \u00B7 00:00:02 left"},
        // The return passes count their own sectors: the pass and what is missing, no speed.
        {62999, 300, L"Time: 00:01:02 \u00B7 Retrying (pass 2) \u00B7 700 sectors missing",
         CopyProgress::Phase::Retrying, 2},
        {90061001, 800, L"Time: 01:01:01"},
        {25u * 3600000u, 900, L"Time: 01:00:00"},
    };
    TestImageDlg dialog;
    RunModal(dialog, [&](HWND window) {
        // The time line shown before the first report.
        SendMessageW(window, WM_TIMER, CImageDlg::PROGRESS_TIMER, 0);
        EXPECT_EQ(TextOf(GetDlgItem(window, IDC_STATUS)), L"");
        for (const auto& c : cases)
        {
            // From a worker, while this window's thread is not handling messages at all.
            HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            std::thread worker([&] {
                for (int i = 0; i < 50; ++i)
                    dialog.Record().Update({c.phase, c.sectors, 1000, c.ms, c.pass, 1000 - c.sectors});
                SetEvent(done);
            });
            EXPECT_EQ(WaitForSingleObject(done, 10000), WAIT_OBJECT_0) << "the worker waited for the window";
            worker.join();
            CloseHandle(done);
            SendMessageW(window, WM_TIMER, CImageDlg::PROGRESS_TIMER, 0);
            EXPECT_EQ(dialog.m_wndProgress.GetProgress()->position, static_cast<int>(c.sectors));
            EXPECT_EQ(dialog.m_wndProgress.GetProgress()->maximum, 1000);
            EXPECT_EQ(TextOf(GetDlgItem(window, IDC_STATUS)), c.status);
        }
    });
}

TEST(CImageDlg, ErrorBoxesShowTheSystemsTextAndTheJobsDetailUnderTheAppName)
{
    SetLastError(ERROR_CRC);
    const std::wstring system = SystemErrorText().GetBuffer();
    const wchar_t detail[] = L"Sector 7 could not be read in 4 attempts.";
    const struct
    {
        const char* fault;
        std::function<void(CImageDlg&)> show;
        std::wstring text;
    } cases[] = {
        {"the system's text changed", [](CImageDlg& d) { d.ReportLastError(); }, system},
        {"the read error loses its sector detail", [&](CImageDlg& d) { d.ReportReadError(detail); },
         system + L"\n\n" + detail},
    };
    for (const auto& c : cases)
    {
        TestImageDlg dialog;
        dialogtest::BoxWatcher watcher;
        RunModal(dialog, [&](HWND) {
            SetLastError(ERROR_CRC);
            c.show(dialog);
        });
        ASSERT_EQ(watcher.boxes.size(), 1u) << c.fault;
        EXPECT_EQ(watcher.boxes[0].caption, L"app_tests") << c.fault;
        EXPECT_EQ(watcher.boxes[0].text, c.text) << c.fault;
    }
    EXPECT_NE(system, L"");
}

TEST(CImageDlg, AWorkerThatCannotBeCreatedLeavesTheDialogIdle)
{
    TestImageDlg dialog;
    dialog.Runner().failStart = true;
    dialogtest::BoxWatcher watcher;
    RunModal(dialog, [&](HWND window) {
        ShowEntries(dialog, {L"C:\\ - SYSTEM"}, 0);
        Click(window, IDC_CREATE);
        EXPECT_EQ(TextOf(GetDlgItem(window, IDC_CREATE)), L"Create ISO");
        EXPECT_EQ(dialog.m_runner->IsRunning(), false);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_CREATE)));
    });
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].caption, L"Exception");
    EXPECT_EQ(watcher.boxes[0].text, L"Not enough resources");
}

TEST(CImageDlg, CancellingTheFileDialogStartsNothing)
{
    TestImageDlg dialog;
    dialog.answer = false;
    RunModal(dialog, [&](HWND window) {
        ShowEntries(dialog, {L"C:\\ - SYSTEM"}, 0);
        Click(window, IDC_CREATE);
        EXPECT_EQ(dialog.m_runner->IsRunning(), false);
        EXPECT_EQ(TextOf(GetDlgItem(window, IDC_CREATE)), L"Create ISO");
    });
}

TEST(CImageDlg, TheChosenDriveIsCopiedIfStillReadableAfterTheFileDialogWhateverTheListDoesAndStopEndsIt)
{
    const wchar_t gone[] = L"Drive C: is no longer ready: no image was made.";
    const struct
    {
        const char* fault;
        std::vector<std::wstring> listAfterAsk;
        std::wstring copied;
    } cases[] = {
        {"the drive now at the chosen position is copied", {L"D:\\ - OTHER"}, L""},
        {"an emptied drive is copied", {L"C:\\", L"D:\\ - OTHER"}, L""},
        {"a drive still readable elsewhere in the list is refused", {L"B:\\ - NEW", L"C:\\ - SYSTEM"},
         L"C:\\ - SYSTEM"},
    };
    for (const auto& c : cases)
    {
        TestImageDlg dialog;
        dialogtest::BoxWatcher watcher;
        RunModal(dialog, [&](HWND window) {
            ShowEntries(dialog, {L"C:\\ - SYSTEM", L"D:\\ - OTHER"}, 0);
            dialog.duringAsk = [&] { ShowEntries(dialog, c.listAfterAsk, 0); };
            Click(window, IDC_CREATE);
            if (!dialog.IsCopying())
                return;
            EXPECT_EQ(TextOf(GetDlgItem(window, IDC_CREATE)), L"Stop");
            // A refresh puts another drive at the selected position while the copy runs.
            ShowEntries(dialog, {L"A:\\ - OTHER", L"C:\\ - SYSTEM"}, 0);
            Click(window, IDC_CREATE);
            EXPECT_TRUE(dialog.Record().StopRequested());
            EXPECT_TRUE(dialogtest::PumpUntil([&] { return !dialog.IsCopying(); }));
            EXPECT_EQ(TextOf(GetDlgItem(window, IDC_CREATE)), L"Create ISO");
        });
        EXPECT_TRUE(CopyRunner::WaitForAllToEnd(5000));
        EXPECT_EQ(dialog.copiedEntry, c.copied) << c.fault;
        EXPECT_EQ(dialog.sawStop, !c.copied.empty()) << c.fault;
        EXPECT_FALSE(dialog.Record().StopRequested());
        std::vector<std::wstring> boxes;
        for (const dialogtest::Box& box : watcher.boxes)
            boxes.push_back(box.text);
        EXPECT_EQ(boxes, c.copied.empty() ? std::vector<std::wstring>{gone} : std::vector<std::wstring>{}) << c.fault;
    }
}

TEST(CImageDlg, AStopClickedWhileACopyEndsDoesNotStopTheNextCopy)
{
    TestImageDlg dialog;
    RunModal(dialog, [&](HWND window) {
        ShowEntries(dialog, {L"C:\\ - SYSTEM"}, 0);
        // The first copy is clicked again after it has seen its stop, before it has ended.
        dialog.inEndingGap = [&] { Click(window, IDC_CREATE); };
        Click(window, IDC_CREATE);
        Click(window, IDC_CREATE);
        ASSERT_TRUE(dialogtest::PumpUntil([&] { return !dialog.IsCopying(); }));
        dialog.inEndingGap = nullptr;
        Click(window, IDC_CREATE);
        ASSERT_TRUE(dialogtest::PumpUntil([&] { return dialog.Runner().starts == 2 && dialog.copiesStarted == 2; }));
        EXPECT_FALSE(dialog.stopAtStart);
        Click(window, IDC_CREATE);
        EXPECT_TRUE(dialogtest::PumpUntil([&] { return !dialog.IsCopying(); }));
    });
    EXPECT_TRUE(CopyRunner::WaitForAllToEnd(5000));
}

TEST(CImageDlg, ClosingDuringACopyStopsItWaitsForItAndEnds)
{
    TestImageDlg dialog;
    const INT_PTR result = RunModal(dialog, [&](HWND window) {
        ShowEntries(dialog, {L"C:\\ - SYSTEM"}, 0);
        Click(window, IDC_CREATE);
        EXPECT_NE(dialog.m_runner->IsRunning(), false);
        // RunModal now sends the close command while the copy still runs.
    });
    EXPECT_NE(result, -2) << "the close command did not end the dialog";
    EXPECT_EQ(dialog.m_runner->IsRunning(), false);
    EXPECT_TRUE(dialog.sawStop);
    EXPECT_TRUE(CopyRunner::WaitForAllToEnd(5000));
}

bool QuitPosted()
{
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

TEST(CImageDlg, TheCloseCommandIsKnownWhateverItsLowFourBits)
{
    TestImageDlg dialog;
    RunModal(dialog, [&](HWND window) {
        SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE | 0x3, 0);
        EXPECT_TRUE(QuitPosted());
    });
}

TEST(CImageDlg, AClosedWindowStartsNoCopyWhenTheFileDialogReturns)
{
    TestImageDlg dialog;
    RunModal(dialog, [&](HWND window) {
        ShowEntries(dialog, {L"C:\\ - SYSTEM"}, 0);
        dialog.duringAsk = [window] { SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); };
        Click(window, IDC_CREATE);
        EXPECT_TRUE(QuitPosted());
    });
    EXPECT_EQ(dialog.Runner().starts, 0);
    EXPECT_EQ(dialog.m_runner->IsRunning(), false);
}

TEST(CImageDlg, TheAboutItemShowsTheAboutBox)
{
    TestImageDlg dialog;
    std::wstring versionLine;
    bool aboutSeen = false;
    RunModal(dialog, [&](HWND window) {
        // Looked for again until it is there: a loaded machine may take longer to show it.
        std::function<void()> closeAbout = [&] {
            HWND about = dialogtest::FindThreadDialog(L"About Pelmora");
            aboutSeen = about != nullptr;
            if (!about)
            {
                dialogtest::Soon::Run(closeAbout);
                return;
            }
            wchar_t text[64] = {};
            for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            {
                GetWindowTextW(child, text, ARRAYSIZE(text));
                if (std::wstring(text).find(L"Version") != std::wstring::npos)
                    versionLine = text;
            }
            // Escape ends it.
            PostMessageW(about, WM_COMMAND, IDCANCEL, 0);
        };
        dialogtest::Soon::Run(closeAbout);
        SendMessageW(window, WM_SYSCOMMAND, IDM_ABOUT, 0);
        EXPECT_FALSE(dialogtest::FindThreadDialog(L"About Pelmora"));
        EXPECT_TRUE(IsWindow(window));
    });
    EXPECT_TRUE(aboutSeen);
    EXPECT_EQ(versionLine, L"Pelmora  Version 3.0");
}

// Folders a/b below a new temporary folder, made in the "\\?\" form, the only one that takes
// paths beyond MAX_PATH; removed again at the end.
struct DeepFolder
{
    std::vector<std::wstring> made;
    DeepFolder()
    {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        for (const std::wstring& below : {UniqueName(L"folder"), std::wstring(100, L'a'), std::wstring(100, L'b')})
        {
            made.push_back((made.empty() ? L"\\\\?\\" + std::wstring(temp) : made.back() + L"\\") + below);
            CreateDirectoryW(made.back().c_str(), nullptr);
        }
    }
    ~DeepFolder()
    {
        for (auto folder = made.rbegin(); folder != made.rend(); ++folder)
            RemoveDirectoryW(folder->c_str());
    }
};

std::wstring CurrentDirectory()
{
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    return current;
}

TEST(CImageDlg, TheSaveDialogGivesALongIsoPathInAUsableFormAndKeepsTheCurrentDirectory)
{
    const DeepFolder folder;
    const std::wstring typedFolder = folder.made.back().substr(4);
    const std::wstring before = CurrentDirectory();
    TestImageDlg dialog;
    std::wstring path;
    bool confirmed = false;
    RunModal(dialog, [&](HWND window) {
        const auto type = [](HWND save, const std::wstring& text) {
            SetWindowTextW(dialogtest::FindDescendant(save, 1148, L"Edit"), text.c_str());
            PostMessageW(save, WM_COMMAND, IDOK, 0);
        };
        // Opening the folder first makes the dialog browse into it, then the image is named.
        const auto shownFolder = [](HWND save) {
            const UINT getFolderPath = WM_USER + 102; // CDM_GETFOLDERPATH, which commdlg.h holds
            wchar_t folder[1024] = {};
            SendMessageW(save, getFolderPath, ARRAYSIZE(folder), reinterpret_cast<LPARAM>(folder));
            return std::wstring(folder);
        };
        bool folderTyped = false;
        dialogtest::Poll::Until(
            [&] {
                HWND save = dialogtest::FindThreadDialog(nullptr, window);
                if (!save || !dialogtest::FindDescendant(save, 1148, L"Edit") ||
                    (folderTyped && shownFolder(save) != typedFolder))
                    return false;
                type(save, folderTyped ? L"backup" : typedFolder);
                const bool named = folderTyped;
                folderTyped = true;
                return named;
            },
            [&] {
                HWND save = dialogtest::FindThreadDialog(nullptr, window);
                ADD_FAILURE() << "the save dialog did not come up, or did not browse into the folder typed: it shows ["
                              << (save ? shownFolder(save) : L"no dialog") << "]";
                if (save)
                    PostMessageW(save, WM_COMMAND, IDCANCEL, 0);
            });
        confirmed = dialog.RealAskImagePath(path);
    });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(path, folder.made.back() + L"\\backup.iso");
    EXPECT_EQ(CurrentDirectory(), before);
}

// Wine's taskbar shows no progress, so the button is watched through the dialog's display seam.
// The test ticks the progress timer itself: before the copy, halfway through it twice, while a
// failed copy's box is up, and after the end.
TEST(CImageDlg, TheTaskbarButtonFollowsTheCopyAndAFinishedCopyFlashesIt)
{
    const std::vector<std::wstring> failed = {L"state normal", L"value 500/1000", L"state error", L"state none"};
    const struct
    {
        const char* fault;
        CopyOutcome outcome;
        bool inForeground;
        std::function<void(CopyQuestions&)> failBox;
        std::vector<std::wstring> calls;
    } cases[] = {
        {"a completed copy elsewhere does not flash", CopyOutcome::Completed, false, nullptr,
         {L"state normal", L"value 500/1000", L"state none", L"flash"}},
        {"a copy completed in the foreground flashes", CopyOutcome::Completed, true, nullptr,
         {L"state normal", L"value 500/1000", L"state none"}},
        {"a stopped copy flashes", CopyOutcome::Stopped, false, nullptr,
         {L"state normal", L"value 500/1000", L"state none"}},
        {"a failed copy's box shows no error colour", CopyOutcome::Failed, false, nullptr, failed},
        {"a read error's box shows no error colour", CopyOutcome::Failed, false,
         [](CopyQuestions& q) { q.ReportReadError(L"Sector 7"); }, failed},
    };
    for (const auto& c : cases)
    {
        TestImageDlg dialog;
        dialog.endAs = c.outcome;
        dialog.inForeground = c.inForeground;
        if (c.failBox)
            dialog.failBox = c.failBox;
        RunModal(dialog, [&](HWND window) {
            const auto tick = [window] { SendMessageW(window, WM_TIMER, CImageDlg::PROGRESS_TIMER, 0); };
            SendMessageW(window, RegisterWindowMessageW(L"TaskbarButtonCreated"), 0, 0);
            tick();
            ShowEntries(dialog, {L"C:\\ - SYSTEM"}, 0);
            Click(window, IDC_CREATE);
            KillTimer(window, CImageDlg::PROGRESS_TIMER);
            ASSERT_TRUE(dialogtest::PumpUntil([&] { return dialog.halfway.load(); }));
            tick();
            tick();
            if (c.outcome == CopyOutcome::Stopped)
                Click(window, IDC_CREATE);
            dialog.goOn = true;
            if (c.outcome == CopyOutcome::Failed)
            {
                // The worker's box belongs to the worker's thread: found and answered here,
                // once the button shows the error colour while the box is up.
                HWND box = nullptr;
                EXPECT_TRUE(dialogtest::PumpUntil([&] {
                    box = dialogtest::FindThreadDialog(L"app_tests", nullptr, dialog.workerThread);
                    tick();
                    return box && dialog.taskbarCalls.back() == L"state error";
                }));
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
            EXPECT_TRUE(dialogtest::PumpUntil([&] { return !dialog.IsCopying(); }));
            tick();
            EXPECT_EQ(dialog.m_wndProgress.GetProgress()->position, 0) << c.fault;
        });
        EXPECT_TRUE(CopyRunner::WaitForAllToEnd(5000));
        EXPECT_EQ(dialog.taskbarCalls, c.calls) << c.fault;
    }
}
}
