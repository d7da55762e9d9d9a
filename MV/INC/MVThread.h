#pragma once
#include <atomic>
#include <windows.h>

// Base class of a worker thread: derive, override Run, construct, Resume.
//
// The thread is always created suspended. A derived class whose Run must not start before its
// own constructor has finished passes CREATE_SUSPENDED and calls Resume afterwards; without
// that flag the base constructor resumes the thread itself, before any derived part exists.
//
// On the thread, ThreadProc runs OnStart (0 ends the thread at once with exit code 0xFFFFFFFF,
// leaving the object alone), then Run (its result becomes the exit code), OnExit, marks the
// object finished and calls AutoDelete, which destroys the object when `autoDelete` is set.
// With auto-delete set, the owner must not touch the object once Run may have returned.
//
// Exceptions never leave the thread's entry point. One that escapes OnStart, Run or OnExit is
// caught there and passed, as text, to OnUncaughtException; the thread's exit code (and, when
// Run threw, the object's exit code) becomes ExitCodeUncaught. The default OnUncaughtException
// keeps the text (GetUncaughtText) and writes it to the debugger output; a derived class that
// must tell the user overrides it. After a throw from OnStart, nothing else runs (as for
// OnStart returning 0); after a throw from Run, OnExit and AutoDelete run as usual.
class MVThread
{
public:
    // Thread exit code after an exception escaped OnStart, Run or OnExit.
    static constexpr DWORD ExitCodeUncaught = 0xFFFFFFFE;

    // startRoutine null means ThreadProc; stackSize 0 means the system default. Throws
    // MVException (MV\INC\MVThread, line 36, with the system's error text) when the thread
    // cannot be created.
    MVThread(BOOL autoDelete, DWORD creationFlags, LPTHREAD_START_ROUTINE startRoutine = nullptr,
             DWORD stackSize = 0, LPSECURITY_ATTRIBUTES security = nullptr);
    MVThread(const MVThread&) = delete;
    MVThread& operator=(const MVThread&) = delete;

    // Forces the thread to end with exitCode. On success the object is finished and its handle
    // closed; OnExit and AutoDelete do not run and GetExitCode keeps its value. Nonzero on success.
    virtual BOOL Terminate(DWORD exitCode);
    // Closes the handle only when the thread is finished: destroying the object of a running
    // thread leaves the handle open.
    virtual ~MVThread();
    virtual void OnExit();
    virtual DWORD OnStart();
    virtual DWORD Run();
    virtual void AutoDelete();
    virtual void CloseIfFinished();
    // text is never null. See the class comment.
    virtual void OnUncaughtException(const wchar_t* text);

    // Resumes the thread; returns the remaining suspend count (-2 when resuming failed). With
    // auto-delete set, the object may be gone when it returns: Resume touches no member once
    // the thread can run.
    long Resume();

    static DWORD WINAPI ThreadProc(LPVOID thread);

    BOOL IsFinished() const { return finished.load(); }
    long GetExitCode() const { return exitCode.load(); }
    DWORD GetThreadId() const { return threadId; }
    HANDLE GetHandle() const { return handle; }
    long GetSuspendCount() const { return suspendCount; }
    // The text of the last exception that escaped to the entry point, or null.
    const wchar_t* GetUncaughtText() const { return uncaughtText; }

    // Setting: nonzero makes the object delete itself after Run.
    BOOL autoDelete;

protected:
    std::atomic<BOOL> finished{1};
    std::atomic<long> exitCode{-1};
    DWORD threadId = 0;
    HANDLE handle = nullptr;
    long suspendCount = 0;

    // The system call Resume makes; tests replace it to let a thread run to its end inside the
    // call.
    static DWORD (WINAPI* resumeThread)(HANDLE);

private:
    // Runs one step, catching whatever it throws; false when it threw.
    template <typename Step> bool Guarded(Step step);

    wchar_t* uncaughtText = nullptr;
};

// 1 when a mutex of that name exists (in any process), else 0; any failure counts as absence.
int MutexExists(const wchar_t* name);
// 1 on the NT family of Windows, else 0.
int IsWindowsNT();
// The same test on a value as GetVersion returns it: 0 exactly when its top bit is set.
int IsWindowsNTVersion(DWORD versionValue);
