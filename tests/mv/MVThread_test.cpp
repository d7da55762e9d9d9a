#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "MVException.h"
#include "MVThread.h"
#include "ThrownAt.h"

namespace
{
// What a test thread did, kept outside the object so that it survives auto-deletion.
struct Record
{
    std::atomic<int> runs{0};
    std::atomic<int> exits{0};
    std::atomic<DWORD> destroyedOnThread{0};
    std::wstring uncaught;
};

enum class Behaviour { Return, Refuse, Block, ThrowMV, ThrowStd, ThrowOther, ThrowOnStart, ThrowOnExit };

class TestThread : public MVThread
{
public:
    TestThread(Record& record, Behaviour behaviour, BOOL autoDelete, DWORD result = 7)
        : MVThread(autoDelete, CREATE_SUSPENDED), record(record), behaviour(behaviour), result(result)
    {
        started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    ~TestThread() override
    {
        CloseHandle(started);
        record.destroyedOnThread = GetCurrentThreadId();
    }
    DWORD OnStart() override
    {
        if (behaviour == Behaviour::ThrowOnStart)
            throw MVException(L"start failed", L"MV\\INC\\Test", 1, 0);
        return behaviour == Behaviour::Refuse ? 0 : 1;
    }
    DWORD Run() override
    {
        ++record.runs;
        SetEvent(started);
        switch (behaviour) {
        case Behaviour::Block: Sleep(INFINITE); break;
        case Behaviour::ThrowMV: throw MVException(L"run failed", L"MV\\INC\\Test", 2, 0);
        case Behaviour::ThrowStd: throw std::runtime_error("standard failure");
        case Behaviour::ThrowOther: throw 42;
        default: break;
        }
        return result;
    }
    void OnExit() override
    {
        ++record.exits;
        if (behaviour == Behaviour::ThrowOnExit)
            throw MVException(L"exit failed", nullptr, 3, 0);
    }
    void OnUncaughtException(const wchar_t* text) override
    {
        record.uncaught = text;
        MVThread::OnUncaughtException(text);
    }

    // Swaps the system call Resume makes; returns the one it replaced.
    using ResumeCall = DWORD(WINAPI*)(HANDLE);
    static ResumeCall SwapResumeCall(ResumeCall call)
    {
        const ResumeCall old = resumeThread;
        resumeThread = call;
        return old;
    }

    HANDLE started;

private:
    Record& record;
    Behaviour behaviour;
    DWORD result;
};

// A handle of our own, valid after the object closed its one.
HANDLE Duplicate(HANDLE thread)
{
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    return copy;
}

DWORD WaitForExitCode(HANDLE thread)
{
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

bool IsOpenHandle(HANDLE handle)
{
    DWORD flags;
    return GetHandleInformation(handle, &flags) != 0;
}

TEST(MVThread, SuspendedUntilResumedUnlessCreatedRunning)
{
    Record record;
    TestThread* thread = new TestThread(record, Behaviour::Return, FALSE, 7);
    EXPECT_EQ(1, thread->GetSuspendCount());
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(thread->GetHandle(), 50));
    EXPECT_EQ(0, record.runs);

    // Suspended twice, the first Resume leaves it suspended.
    ASSERT_EQ(1u, SuspendThread(thread->GetHandle()));
    EXPECT_EQ(1, thread->Resume());
    EXPECT_EQ(1, thread->GetSuspendCount());
    EXPECT_EQ(0, record.runs);

    EXPECT_EQ(0, thread->Resume());
    EXPECT_EQ(0, thread->GetSuspendCount());
    EXPECT_EQ(7u, WaitForExitCode(Duplicate(thread->GetHandle())));
    EXPECT_EQ(1, record.runs);
    EXPECT_EQ(1, record.exits);
    EXPECT_TRUE(thread->IsFinished());
    EXPECT_EQ(7, thread->GetExitCode());

    // Without auto-delete the owner destroys the object, which closes the handle then.
    HANDLE handle = thread->GetHandle();
    EXPECT_TRUE(IsOpenHandle(handle));
    delete thread;
    EXPECT_FALSE(IsOpenHandle(handle));

    // Without CREATE_SUSPENDED the base constructor resumes the thread itself.
    MVThread* plain = new MVThread(FALSE, 0);
    EXPECT_EQ(0, plain->GetSuspendCount());
    EXPECT_EQ(0u, WaitForExitCode(Duplicate(plain->GetHandle())));
    delete plain;
}

// Its memory outlives deletion, filled with a mark, so that a write after deletion shows.
class MarkedOnDelete : public TestThread
{
public:
    using TestThread::TestThread;
    static void operator delete(void* p, size_t size)
    {
        std::memset(p, 0xDD, size);
        block.assign(static_cast<const char*>(p), size);
        kept = p;
    }
    static bool UntouchedSinceDelete()
    {
        return kept && block == std::string(static_cast<const char*>(kept), block.size());
    }
    static void Release() { ::operator delete(kept); }

    static inline std::string block;
    static inline void* kept = nullptr;
};

// Resumes the thread and lets it run to its end before returning, as a fast thread on another
// core may.
DWORD WINAPI ResumeAndRunToEnd(HANDLE thread)
{
    HANDLE own = Duplicate(thread);
    const DWORD previous = ResumeThread(thread);
    WaitForSingleObject(own, 10000);
    CloseHandle(own);
    return previous;
}

TEST(MVThread, ResumeLeavesASelfDeletingObjectAloneOnceItCanRun)
{
    Record record;
    MarkedOnDelete* thread = new MarkedOnDelete(record, Behaviour::Return, TRUE, 5);
    const TestThread::ResumeCall systemCall = TestThread::SwapResumeCall(&ResumeAndRunToEnd);
    const long remaining = thread->Resume();
    TestThread::SwapResumeCall(systemCall);
    EXPECT_EQ(0, remaining);
    ASSERT_NE(0u, record.destroyedOnThread);
    EXPECT_TRUE(MarkedOnDelete::UntouchedSinceDelete());
    MarkedOnDelete::Release();
}

TEST(MVThread, TerminateClosesTheHandleAndKeepsTheExitCode)
{
    Record record;
    TestThread* thread = new TestThread(record, Behaviour::Block, FALSE);
    HANDLE handle = Duplicate(thread->GetHandle());
    thread->Resume();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread->started, 10000));
    EXPECT_FALSE(thread->IsFinished());

    EXPECT_NE(0, thread->Terminate(123));
    EXPECT_TRUE(thread->IsFinished());
    EXPECT_EQ(nullptr, thread->GetHandle());
    EXPECT_EQ(-1, thread->GetExitCode());
    EXPECT_EQ(123u, WaitForExitCode(handle));
    EXPECT_EQ(0, record.exits);

    // A second attempt has no handle left: it fails and changes nothing.
    EXPECT_EQ(0, thread->Terminate(5));
    // So does resuming: the failed call leaves -2 as the count.
    EXPECT_EQ(-2, thread->Resume());
    delete thread;
}

TEST(MVThread, CreationFailureThrowsWithTheSystemsText)
{
    // A security descriptor of an unknown revision: the system refuses it in 32-bit and 64-bit
    // processes alike, where a stack reservation fits a 64-bit address space.
    alignas(void*) unsigned char descriptor[64] = {0x7F};
    SECURITY_ATTRIBUTES security = {sizeof security, descriptor, FALSE};
    const auto e = ThrownAt(L"MVThread", 36, [&] {
        MVThread thread(FALSE, CREATE_SUSPENDED, nullptr, 0, &security);
        thread.Terminate(0);
    });
    EXPECT_TRUE(e && e->GetText() && wcslen(e->GetText()) > 0);
}

struct EndCase { Behaviour behaviour; BOOL autoDelete; DWORD exitCode; const wchar_t* text; int runs; int exits; bool deleted; };

// Run's result is the exit code, and auto-delete destroys the object on its own thread. OnStart
// refusing ends the thread at once and leaves the object alone. An exception leaving
// Run, OnStart or OnExit must not end the process: the thread ends with ExitCodeUncaught and the
// hook receives the text; an object not deleted keeps it. Only a finished object closes its handle.
TEST(MVThread, ThreadEntryEndsCleanlyWhenAStepRefusesOrThrows)
{
    const DWORD uncaught = MVThread::ExitCodeUncaught;
    const EndCase cases[] = {
        {Behaviour::Return, TRUE, 7, nullptr, 1, 1, true},
        {Behaviour::Refuse, TRUE, 0xFFFFFFFF, nullptr, 0, 0, false},
        {Behaviour::ThrowMV, TRUE, uncaught, L"run failed", 1, 1, true},
        {Behaviour::ThrowStd, TRUE, uncaught, L"standard failure", 1, 1, true},
        {Behaviour::ThrowOther, TRUE, uncaught, L"Unknown exception", 1, 1, true},
        {Behaviour::ThrowOnStart, TRUE, uncaught, L"start failed", 0, 0, false},
        {Behaviour::ThrowOnExit, TRUE, uncaught, L"exit failed", 1, 1, true},
        {Behaviour::ThrowMV, FALSE, uncaught, L"run failed", 1, 1, false},
    };
    for (const EndCase& c : cases) {
        Record record;
        TestThread* thread = new TestThread(record, c.behaviour, c.autoDelete);
        HANDLE own = thread->GetHandle(), handle = Duplicate(own);
        const DWORD id = thread->GetThreadId();
        thread->Resume();
        EXPECT_EQ(c.exitCode, WaitForExitCode(handle)) << int(c.behaviour);
        EXPECT_EQ(c.text ? c.text : L"", record.uncaught) << int(c.behaviour);
        EXPECT_EQ(c.runs, record.runs) << int(c.behaviour);
        EXPECT_EQ(c.exits, record.exits) << int(c.behaviour);
        EXPECT_EQ(c.deleted ? id : 0, record.destroyedOnThread) << int(c.behaviour);
        if (c.deleted)
            continue;
        EXPECT_STREQ(c.text, thread->GetUncaughtText()) << int(c.behaviour);
        // Run's end finishes the object with the thread's exit code; OnStart's leaves it unfinished.
        const bool finished = c.runs == 1;
        EXPECT_EQ(finished, thread->IsFinished() != FALSE) << int(c.behaviour);
        EXPECT_EQ(finished ? static_cast<long>(c.exitCode) : -1, thread->GetExitCode()) << int(c.behaviour);
        delete thread;
        EXPECT_EQ(!finished, IsOpenHandle(own)) << int(c.behaviour);
        if (!finished)
            CloseHandle(own);
    }
}

TEST(IsWindowsNT, TopBitOfTheVersionMarksTheConsumerFamily)
{
    struct { DWORD version; int nt; } cases[] = {
        {0x0A280105, 1}, {0x1DB10106, 1}, {0x00000000, 1}, {0x7FFFFFFF, 1},
        {0x80000000, 0}, {0xC0000A04, 0}, {0xFFFFFFFF, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.nt, IsWindowsNTVersion(c.version)) << std::hex << c.version;
    EXPECT_EQ(1, IsWindowsNT());
}
}
