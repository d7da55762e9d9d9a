#include "CopyRunner.h"
#include <gtest/gtest.h>
#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>
#include "CopyFrontEnd.h"

namespace
{
// A front end that answers nothing and records the failures told and how the copy ended.
class RecordingFrontEnd : public CopyFrontEnd
{
public:
    std::vector<std::wstring> told;
    std::vector<CopyOutcome> ends;
    DWORD endThread = 0;

    void ReportLastError() override {}
    void ReportReadError(const wchar_t*) override {}
    void ShowCopyError(const wchar_t* text) override { told.push_back(text); }
    bool AskToContinue(const wchar_t*) override { return false; }
    ReadErrorChoice AskReadErrorChoice(const wchar_t*) override { return ReadErrorChoice::Stop; }
    bool AskToReplace(const wchar_t*) override { return false; }
    QuestionAnswer AskYesNoCancel(const wchar_t*) override { return QuestionAnswer::Cancel; }
    void CopyEnded(CopyOutcome outcome) override
    {
        ends.push_back(outcome);
        endThread = GetCurrentThreadId();
    }
};

// What a stand-in copy saw of its runner.
struct Seen
{
    std::wstring entry, path;
    CopyQuestions* questions = nullptr;
    CopyProgressRecord* progress = nullptr;
    DWORD thread = 0;
    bool stoppedAtStart = false;
};

TEST(CopyRunner, RunsTheCopyOnAThreadOfItsOwnAndEndsWithItsOutcome)
{
    Seen seen;
    CopyRunner runner([&](CopyQuestions& q, CopyProgressRecord& p, const wchar_t* entry, const wchar_t* path) {
        seen = {entry, path, &q, &p, GetCurrentThreadId(), p.StopRequested()};
        return CopyOutcome::Incomplete;
    });
    RecordingFrontEnd frontEnd;
    runner.Start(frontEnd, L"E:\\ - MYDISC", L"C:\\images\\disc.iso");
    runner.StopAndWait();
    EXPECT_FALSE(runner.IsRunning());
    EXPECT_EQ(seen.entry, L"E:\\ - MYDISC");
    EXPECT_EQ(seen.path, L"C:\\images\\disc.iso");
    EXPECT_EQ(seen.questions, &frontEnd);
    EXPECT_EQ(seen.progress, &runner.Progress());
    EXPECT_NE(seen.thread, GetCurrentThreadId());
    EXPECT_EQ(frontEnd.ends, std::vector<CopyOutcome>{CopyOutcome::Incomplete});
    EXPECT_EQ(frontEnd.endThread, seen.thread) << "the end is not told on the worker";
}

TEST(CopyRunner, StopEndsTheCopyAndAStopAfterItsEndDoesNotReachTheNext)
{
    Seen seen;
    std::atomic<int> copies{0};
    CopyRunner runner([&](CopyQuestions&, CopyProgressRecord& p, const wchar_t*, const wchar_t*) {
        seen.stoppedAtStart = p.StopRequested();
        ++copies;
        while (copies == 1 && !p.StopRequested())
            Sleep(1);
        return CopyOutcome::Stopped;
    });
    RecordingFrontEnd frontEnd;
    runner.Start(frontEnd, L"E:\\", L"C:\\a.iso");
    EXPECT_TRUE(runner.IsRunning());
    EXPECT_FALSE(CopyRunner::WaitForAllToEnd(0)) << "the thread is not known to the wait before the exit";
    runner.Stop();
    ASSERT_TRUE(CopyRunner::WaitForAllToEnd(10000)) << "Stop did not reach the copy";
    // A click that still meant Stop, after the copy had ended.
    runner.Stop();
    runner.Start(frontEnd, L"E:\\", L"C:\\a.iso");
    ASSERT_TRUE(CopyRunner::WaitForAllToEnd(10000));
    EXPECT_EQ(copies, 2);
    EXPECT_FALSE(seen.stoppedAtStart);
}

// A window of the waiting thread, to which the copy sends a message and waits for the answer.
LRESULT CALLBACK Answer(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return message == WM_APP ? 42 : DefWindowProcW(window, message, wParam, lParam);
}

TEST(CopyRunner, WaitingForTheEndDispatchesThisThreadsMessagesAndKeepsAQuit)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = Answer;
    windowClass.lpszClassName = L"CopyRunnerTest";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"CopyRunnerTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    DWORD_PTR answer = 0;
    CopyRunner runner([&](CopyQuestions&, CopyProgressRecord&, const wchar_t*, const wchar_t*) {
        // As a box owned by the window does; bounded, so that a wait that does not dispatch
        // fails the test instead of hanging it.
        SendMessageTimeoutW(window, WM_APP, 0, 0, SMTO_NORMAL, 10000, &answer);
        return CopyOutcome::Completed;
    });
    RecordingFrontEnd frontEnd;
    PostQuitMessage(7);
    runner.Start(frontEnd, L"E:\\", L"C:\\a.iso");
    runner.StopAndWait();
    EXPECT_EQ(answer, 42u);
    MSG msg = {};
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    DestroyWindow(window);
}

// The system is kept awake by the copy's own thread, and let sleep again at every end: an
// exception's end is the one a forgotten release would miss.
TEST(CopyRunner, ACopyThatThrowsIsToldAndStillEndsLettingTheSystemSleepAgain)
{
    const EXECUTION_STATE awake = ES_CONTINUOUS | ES_SYSTEM_REQUIRED;
    std::vector<EXECUTION_STATE> calls, during;
    std::vector<DWORD> threads;
    DWORD worker = 0;
    CopyRunner runner(
        [&](CopyQuestions&, CopyProgressRecord&, const wchar_t*, const wchar_t*) -> CopyOutcome {
            during = calls;
            worker = GetCurrentThreadId();
            throw std::runtime_error("no I/O");
        },
        [&](EXECUTION_STATE state) { calls.push_back(state), threads.push_back(GetCurrentThreadId()); });
    RecordingFrontEnd frontEnd;
    runner.Start(frontEnd, L"E:\\", L"C:\\a.iso");
    runner.StopAndWait();
    EXPECT_EQ(frontEnd.told, std::vector<std::wstring>{L"no I/O"});
    EXPECT_EQ(frontEnd.ends, std::vector<CopyOutcome>{CopyOutcome::Failed});
    EXPECT_EQ(during, std::vector<EXECUTION_STATE>{awake}) << "the system was not kept awake during the copy";
    EXPECT_EQ(calls, (std::vector<EXECUTION_STATE>{awake, ES_CONTINUOUS})) << "the system was not let sleep again";
    EXPECT_EQ(threads, (std::vector<DWORD>{worker, worker})) << "asked on a thread other than the copy's";
}
}
