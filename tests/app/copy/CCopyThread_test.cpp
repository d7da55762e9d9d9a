#include "CCopyThread.h"
#include "CopyFrontEnd.h"
#include <gtest/gtest.h>
#include <atomic>
#include <string>

namespace {
// Records what CreateImage received and on which thread, and keeps a handle to that thread.
class ThreadOwner : public CopyFrontEnd
{
public:
    ~ThreadOwner() override
    {
        if (thread)
            CloseHandle(thread);
    }

    std::wstring driveEntry;
    std::wstring imagePath;
    DWORD threadId = 0;
    HANDLE thread = nullptr;
    std::atomic<int> calls{0};

    void CreateImage(const wchar_t* entry, const wchar_t* path) override
    {
        driveEntry = entry;
        imagePath = path;
        threadId = GetCurrentThreadId();
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread,
                        SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, 0);
        ++calls;
    }
    void ReportLastError() override {}
    void ReportReadError(const wchar_t*) override {}
    void ShowCopyError(const wchar_t*) override {}
    bool AskToContinue(const wchar_t*) override { return true; }
    ReadErrorChoice AskReadErrorChoice(const wchar_t*) override { return ReadErrorChoice::Stop; }
    bool AskToReplace(const wchar_t*) override { return false; }
    QuestionAnswer AskYesNoCancel(const wchar_t*) override { return QuestionAnswer::Cancel; }
    void CopyEnded(CopyOutcome) override {}
};

// Tells when the auto-delete has destroyed the worker.
class ObservedCopyThread : public CCopyThread
{
public:
    ObservedCopyThread(CopyFrontEnd* owner, const wchar_t* entry, const wchar_t* path, std::atomic<bool>& destroyed)
        : CCopyThread(owner, entry, path), destroyed(destroyed)
    {
    }
    ~ObservedCopyThread() override { destroyed = true; }

private:
    std::atomic<bool>& destroyed;
};

TEST(CCopyThread, RunsTheOwnersCopyWithItsOwnTextsThenDeletesItself)
{
    ThreadOwner owner;
    std::atomic<bool> destroyed{false};
    wchar_t entry[] = L"E:\\ - MYDISC";
    wchar_t path[] = L"C:\\images\\disc.iso";
    auto* worker = new ObservedCopyThread(&owner, entry, path, destroyed);
    // The worker keeps copies: the caller's buffers may change or go away at once.
    entry[0] = L'X';
    path[0] = L'X';
    EXPECT_EQ(worker->m_pDialog, &owner);
    // Created suspended: nothing runs before Resume.
    Sleep(30);
    EXPECT_EQ(owner.calls.load(), 0);

    worker->Resume();
    ASSERT_TRUE(CCopyThread::WaitForAllToEnd(5000));
    EXPECT_TRUE(destroyed.load());
    EXPECT_EQ(owner.calls.load(), 1);
    EXPECT_EQ(owner.driveEntry, L"E:\\ - MYDISC");
    EXPECT_EQ(owner.imagePath, L"C:\\images\\disc.iso");
    EXPECT_NE(owner.threadId, GetCurrentThreadId());
    ASSERT_NE(owner.thread, nullptr);
    DWORD exitCode = 12345;
    ASSERT_TRUE(GetExitCodeThread(owner.thread, &exitCode));
    EXPECT_EQ(exitCode, 0u);
}

TEST(CCopyThread, WaitingWithNoCopyThreadReturnsAtOnce)
{
    EXPECT_TRUE(CCopyThread::WaitForAllToEnd(0));
}
}
