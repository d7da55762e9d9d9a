#include "CImageDlg.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include "DialogTestKit.h"
#include "FakeDrives.h"
#include "MVException.h"
#include "MVProgressRange.h"
#include "RecordingTaskbar.h"
#include "resource.h"

namespace
{
using dialogtest::PumpUntil;
using dialogtest::TextOf;

// A runner that counts its starts, and whose thread cannot be made when the test says so.
class TestRunner : public CopyRunner
{
public:
    using CopyRunner::CopyRunner;
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

// The main window over fake drives, its file dialog answered by `ask`, its taskbar button
// recorded, and a copy played in place of the job: it reports half the disc, waits until it is
// stopped or let go (goOn), then runs atEnd on the worker and ends as `outcome`.
struct TestWindow
{
    std::shared_ptr<FakeDrives> drives = std::make_shared<FakeDrives>();
    std::function<bool(std::wstring& path)> ask = [](std::wstring& path) { return path = L"C:\\a.iso", true; };
    std::vector<std::wstring> taskbar;
    // The reasons given for holding a shutdown up, and "destroyed".
    std::vector<std::wstring> shutdown;
    bool inForeground = true;
    CopyOutcome outcome = CopyOutcome::Stopped;
    std::function<void(CopyQuestions&)> atEnd;
    std::atomic<bool> goOn{false}, stoppedAtStart{false};
    // Copies that have reported half the disc.
    std::atomic<int> copies{0};
    std::atomic<DWORD> worker{0};
    std::wstring copied;
    TestRunner* runner = nullptr;
    std::unique_ptr<CImageDlg> dialog;

    TestWindow()
    {
        auto copy = [this](CopyQuestions& questions, CopyProgressRecord& progress, const wchar_t* entry,
                           const wchar_t*) {
            copied = entry;
            worker = GetCurrentThreadId();
            stoppedAtStart = progress.StopRequested();
            progress.Update({CopyProgress::Phase::Copying, 500, 1000, 0});
            ++copies;
            while (!goOn && !progress.StopRequested())
                Sleep(1);
            if (atEnd)
                atEnd(questions);
            return outcome;
        };
        CImageDlg::Seams seams;
        seams.runner = std::make_unique<TestRunner>(copy);
        runner = static_cast<TestRunner*>(seams.runner.get());
        seams.drives = FakeDrives::Queries(drives);
        seams.askImagePath = [this](HWND, const std::wstring&, std::wstring& path) { return ask(path); };
        seams.taskbar = [this](HWND) { return std::make_unique<RecordingTaskbar>(taskbar); };
        seams.inForeground = [this](HWND) { return inForeground; };
        seams.flash = [this](HWND) { taskbar.push_back(L"flash"); };
        // Failing, as Wine's stubs do.
        seams.shutdownBlock.create = [this](HWND, const wchar_t* reason) { return shutdown.push_back(reason), FALSE; };
        seams.shutdownBlock.destroy = [this](HWND) { return shutdown.push_back(L"destroyed"), FALSE; };
        dialog = std::make_unique<CImageDlg>(nullptr, std::move(seams));
    }
    INT_PTR Run(const std::function<void(HWND)>& body) { return dialogtest::RunModal(*dialog, body); }
    HWND Item(int id) const { return GetDlgItem(dialog->GetHwnd(), id); }
    void Click() { SendMessageW(dialog->GetHwnd(), WM_COMMAND, MAKEWPARAM(IDC_CREATE, BN_CLICKED), 0); }
    std::vector<std::wstring> Listed()
    {
        std::vector<std::wstring> listed;
        for (int i = 0; i < dialog->Drives().List().GetCount(); ++i)
            listed.push_back(dialog->Drives().List().GetLBText(i));
        return listed;
    }
    bool WaitForList(const std::vector<std::wstring>& expected)
    {
        return PumpUntil([&] { return Listed() == expected; });
    }
    // The periodic refresh, then its list.
    bool Rescan(const std::vector<std::wstring>& expected)
    {
        SendMessageW(dialog->GetHwnd(), WM_TIMER, CImageDlg::REFRESH_TIMER, 0);
        return WaitForList(expected);
    }
};

TEST(CImageDlg, IsTheMainDialogFromItsTemplate)
{
    TestWindow w;
    w.Run([&](HWND window) {
        // Checked on the window itself: another test process may show its own main dialog.
        EXPECT_EQ(dialogtest::ClassOf(window), L"#32770");
        EXPECT_EQ(TextOf(window), L"Pelmora 3.0");
        const LONG style = GetWindowLongW(window, GWL_STYLE);
        EXPECT_TRUE(style & WS_MINIMIZEBOX);
        EXPECT_FALSE(style & (WS_MAXIMIZEBOX | WS_THICKFRAME));
        EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
        EXPECT_TRUE(GetWindowLongW(w.Item(IDC_DRIVES), GWL_STYLE) & CBS_SORT);
        EXPECT_EQ(TextOf(w.Item(IDC_CREATE)), L"Create ISO");
        EXPECT_EQ(TextOf(w.Item(IDC_STATUS)), L"");
        EXPECT_TRUE(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
        EXPECT_TRUE(IsWindow(w.dialog->View().Bar().hwnd)) << "no block bar";
        HMENU menu = GetSystemMenu(window, FALSE);
        wchar_t about[64] = {};
        GetMenuStringW(menu, IDM_ABOUT, about, ARRAYSIZE(about), MF_BYCOMMAND);
        EXPECT_EQ(std::wstring(about), L"&About Pelmora...");
        EXPECT_EQ(GetMenuItemID(menu, GetMenuItemCount(menu) - 1), UINT(IDM_ABOUT));
        EXPECT_TRUE(GetMenuState(menu, GetMenuItemCount(menu) - 2, MF_BYPOSITION) & MF_SEPARATOR);
    });
}

TEST(CImageDlg, TheCloseCommandIsKnownWhateverItsLowFourBits)
{
    TestWindow w;
    w.Run([&](HWND window) {
        SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE | 0x3, 0);
        MSG msg;
        EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    });
}

TEST(CImageDlg, StopEndsTheCopyAndAClickWhileItEndsStartsNoOther)
{
    TestWindow w;
    w.drives->Set(L'C', L"SYSTEM");
    w.Run([&](HWND window) {
        ASSERT_TRUE(w.WaitForList({L"C:\\ - SYSTEM"}));
        // Once stopped, the copy gets one more click before its end reaches the window.
        w.atEnd = [window](CopyQuestions&) { PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_CREATE, BN_CLICKED), 0); };
        w.Click();
        EXPECT_EQ(TextOf(w.Item(IDC_CREATE)), L"Stop");
        w.Click();
        ASSERT_TRUE(PumpUntil([&] { return !w.dialog->IsCopying(); })) << "Stop did not end the copy";
        EXPECT_EQ(TextOf(w.Item(IDC_CREATE)), L"Create ISO") << "the end did not give the button back";
        EXPECT_EQ(w.runner->starts, 1) << "the click while the copy ended started another";
        w.atEnd = nullptr;
        w.Click();
        ASSERT_TRUE(PumpUntil([&] { return w.copies == 2; }));
        EXPECT_FALSE(w.stoppedAtStart) << "the click meant for the last copy stopped the next";
        w.Click();
        EXPECT_TRUE(PumpUntil([&] { return !w.dialog->IsCopying(); }));
    });
}

// While the file dialog is open the list may change, the window may be closed, and the start may
// fail for want of a thread.
TEST(CImageDlg, CopiesTheChosenDriveOnlyIfItIsStillReadableWhenTheFileDialogReturns)
{
    const std::wstring gone = L"Drive C: is no longer ready: no image was made.";
    const std::vector<std::wstring> before = {L"C:\\ - SYSTEM", L"D:\\ - OTHER"};
    // What happens while the file dialog is open: drive B: or C: gets a disc (a label), loses it
    // (none) or goes away (nothing listed); or the window is closed.
    const struct
    {
        const char* fault;
        wchar_t letter;
        std::optional<std::wstring> label;
        std::vector<std::wstring> listAfter;
        bool close, noThread;
        std::wstring copied;
        std::vector<std::wstring> boxes;
    } rows[] = {
        {"an emptied drive is copied", L'C', std::nullopt, {L"C:\\", L"D:\\ - OTHER"}, false, false, L"", {gone}},
        {"the drive now at the chosen position is copied", L'C', L"", {L"D:\\ - OTHER"}, false, false, L"", {gone}},
        {"the chosen drive, still listed elsewhere, is refused", L'B', L"NEW",
         {L"B:\\ - NEW", L"C:\\ - SYSTEM", L"D:\\ - OTHER"}, false, false, L"C:\\ - SYSTEM", {}},
        {"a copy started after the window was closed", L'C', L"SYSTEM", before, true, false, L"", {}},
        {"a copy that could not start left the window copying", L'C', L"SYSTEM", before, false, true, L"",
         {L"Not enough resources"}},
    };
    for (const auto& row : rows)
    {
        TestWindow w;
        w.drives->Set(L'C', L"SYSTEM");
        w.drives->Set(L'D', L"OTHER");
        w.runner->failStart = row.noThread;
        w.ask = [&](std::wstring& path) {
            // An empty label stands for the drive gone from the system.
            if (row.label && row.label->empty())
                w.drives->Remove(row.letter);
            else
                w.drives->Set(row.letter, row.label);
            if (row.close)
                SendMessageW(w.dialog->GetHwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
            path = L"C:\\a.iso";
            return w.Rescan(row.listAfter);
        };
        dialogtest::BoxWatcher watcher;
        w.Run([&](HWND) {
            ASSERT_TRUE(w.WaitForList(before));
            w.Click();
            EXPECT_EQ(w.dialog->IsCopying(), !row.copied.empty()) << row.fault;
            if (w.dialog->IsCopying())
                w.Click();
            EXPECT_TRUE(PumpUntil([&] { return !w.dialog->IsCopying(); }));
            EXPECT_EQ(TextOf(w.Item(IDC_CREATE)), L"Create ISO") << row.fault;
        });
        EXPECT_EQ(w.copied, row.copied) << row.fault;
        std::vector<std::wstring> boxes;
        for (const dialogtest::Box& box : watcher.boxes)
            boxes.push_back(box.text);
        EXPECT_EQ(boxes, row.boxes) << row.fault;
    }
}

TEST(CImageDlg, ARefreshDuringACopyLeavesItsDriveAlone)
{
    TestWindow w;
    w.drives->Set(L'E', L"DISC");
    w.Run([&](HWND) {
        ASSERT_TRUE(w.WaitForList({L"E:\\ - DISC"}));
        w.Click();
        const int asked = w.drives->Asked(L'E');
        // The disc being copied is ejected, and another drive appears.
        w.drives->Set(L'D', std::nullopt);
        w.drives->Set(L'E', std::nullopt);
        EXPECT_TRUE(w.Rescan({L"D:\\", L"E:\\ - DISC"})) << "the periodic refresh asked the drive being copied";
        EXPECT_EQ(w.drives->Asked(L'E'), asked);
        w.Click();
        EXPECT_TRUE(PumpUntil([&] { return !w.dialog->IsCopying(); }));
        EXPECT_TRUE(w.Rescan({L"D:\\", L"E:\\"})) << "the drive stayed spared after the copy";
    });
    EXPECT_FALSE(w.drives->askedOnMakersThread) << "a drive was asked on the window's thread";
}

// Wine's taskbar shows no progress: the button is watched through the window's taskbar seam.
// The test ticks the progress timer itself: before the copy, twice halfway through it, while a
// failed copy's box is up, and after the end.
TEST(CImageDlg, TheTaskbarButtonFollowsTheCopyAndACopyCompletedElsewhereFlashesIt)
{
    const struct
    {
        const char* fault;
        CopyOutcome outcome;
        bool inForeground, box;
        std::vector<std::wstring> calls;
    } rows[] = {
        {"a copy completed elsewhere does not flash", CopyOutcome::Completed, false, false,
         {L"normal", L"500/1000", L"none", L"flash"}},
        {"a copy completed in the foreground flashes", CopyOutcome::Completed, true, false,
         {L"normal", L"500/1000", L"none"}},
        {"a failure's box shows no error colour", CopyOutcome::Failed, false, true,
         {L"normal", L"500/1000", L"error", L"none"}},
    };
    for (const auto& row : rows)
    {
        TestWindow w;
        w.drives->Set(L'C', L"SYSTEM");
        w.outcome = row.outcome;
        w.inForeground = row.inForeground;
        if (row.box)
            w.atEnd = [](CopyQuestions& questions) { questions.ShowCopyError(L"Cannot read the disc."); };
        w.Run([&](HWND window) {
            const auto tick = [window] { SendMessageW(window, WM_TIMER, CImageDlg::PROGRESS_TIMER, 0); };
            SendMessageW(window, RegisterWindowMessageW(L"TaskbarButtonCreated"), 0, 0);
            ASSERT_TRUE(w.WaitForList({L"C:\\ - SYSTEM"}));
            tick();
            w.Click();
            KillTimer(window, CImageDlg::PROGRESS_TIMER);
            ASSERT_TRUE(PumpUntil([&] { return w.copies == 1; }));
            tick();
            tick();
            w.goOn = true;
            if (row.box)
            {
                // The worker's box belongs to the worker's thread: found and answered here, once
                // the button shows the error colour while the box is up.
                HWND box = nullptr;
                EXPECT_TRUE(PumpUntil([&] {
                    box = dialogtest::FindThreadDialog(L"app_tests", nullptr, w.worker);
                    tick();
                    return box && w.taskbar.back() == L"error";
                }));
                PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
            EXPECT_TRUE(PumpUntil([&] { return !w.dialog->IsCopying(); }));
            EXPECT_EQ(w.dialog->View().Bar().GetProgress()->position, 0) << row.fault;
        });
        EXPECT_EQ(w.taskbar, row.calls) << row.fault;
    }
}

// Wine accepts the shutdown messages but has no shutdown to hold up: the window is asked as the
// system asks, and the reason it gives is watched through its seam.
TEST(CImageDlg, AShutdownWaitsForACopySayingWhyAndTheSessionsEndStopsItAndWaitsForItsEnd)
{
    TestWindow w;
    w.drives->Set(L'C', L"SYSTEM");
    const INT_PTR ended = w.Run([&](HWND window) {
        ASSERT_TRUE(w.WaitForList({L"C:\\ - SYSTEM"}));
        EXPECT_TRUE(SendMessageW(window, WM_QUERYENDSESSION, 0, 0)) << "an idle window held a shutdown up";
        w.Click();
        ASSERT_TRUE(PumpUntil([&] { return w.copies == 1; }));
        EXPECT_FALSE(SendMessageW(window, WM_QUERYENDSESSION, 0, 0)) << "a shutdown did not wait for the copy";
        SendMessageW(window, WM_ENDSESSION, FALSE, 0);
        EXPECT_TRUE(w.runner->IsRunning()) << "a shutdown called off stopped the copy";
        SendMessageW(window, WM_ENDSESSION, TRUE, 0);
        EXPECT_FALSE(w.runner->IsRunning()) << "the session's end did not wait for the stopped copy";
        EXPECT_TRUE(PumpUntil([&] { return !w.dialog->IsCopying(); }));
        EXPECT_TRUE(SendMessageW(window, WM_QUERYENDSESSION, 0, 0)) << "the ended copy still held a shutdown up";
        w.Click();
        EXPECT_EQ(w.copies, 1) << "a copy started in what is left of the session";
    });
    EXPECT_NE(ended, -2) << "the window no longer closed once the session's end had stopped its copy";
    EXPECT_EQ(w.shutdown, (std::vector<std::wstring>{L"Copying C: to a.iso \x2013 50 %", L"destroyed"}));
}
}
