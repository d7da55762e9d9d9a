#include "MVThread.h"

#include "MVException.h"
#include "MVExceptionReport.h"
#include "MVStringfunc.h"
#include "MVSystemError.h"

namespace
{
const wchar_t ModulePath[] = L"MV\\INC\\MVThread";
const int CreateFailedLine = 36;
const DWORD OnStartRefusedCode = 0xFFFFFFFF;
const wchar_t UnknownExceptionText[] = L"Unknown exception";
}

MVThread::MVThread(BOOL autoDeleteObject, DWORD creationFlags, LPTHREAD_START_ROUTINE startRoutine,
                   DWORD stackSize, LPSECURITY_ATTRIBUTES security)
    : autoDelete(autoDeleteObject)
{
    handle = CreateThread(security, stackSize, startRoutine ? startRoutine : &MVThread::ThreadProc, this,
                          creationFlags | CREATE_SUSPENDED, &threadId);
    if (!handle) {
        const MVString reason = SystemErrorText();
        throw MVException(reason.GetBuffer(), ModulePath, CreateFailedLine, 0);
    }
    suspendCount = 1;
    if (!(creationFlags & CREATE_SUSPENDED))
        Resume();
}

MVThread::~MVThread()
{
    // This class's own rule, not an override's: the derived parts are gone by now.
    MVThread::CloseIfFinished();
    FreeText(&uncaughtText);
}

DWORD (WINAPI* MVThread::resumeThread)(HANDLE) = &::ResumeThread;

long MVThread::Resume()
{
    // Once the thread can run it may finish and delete this object, so the count it will have
    // then is recorded first, and the object is touched again only while the thread is still
    // suspended or was not resumed at all.
    suspendCount = 0;
    const long previous = static_cast<long>(resumeThread(handle));
    const long remaining = previous != 0 ? previous - 1 : previous;
    if (previous > 1 || previous == -1)
        suspendCount = remaining;
    Sleep(0);
    return remaining;
}

BOOL MVThread::Terminate(DWORD code)
{
    const BOOL terminated = TerminateThread(handle, code);
    if (terminated) {
        finished = 1;
        CloseIfFinished();
    }
    return terminated;
}

void MVThread::OnExit() {}

DWORD MVThread::OnStart() { return 1; }

DWORD MVThread::Run() { return 0; }

void MVThread::AutoDelete()
{
    if (autoDelete)
        delete this;
}

void MVThread::CloseIfFinished()
{
    if (finished && handle) {
        CloseHandle(handle);
        handle = nullptr;
    }
}

void MVThread::OnUncaughtException(const wchar_t* text)
{
    AssignText(&uncaughtText, text);
    OutputDebugStringW(text);
}

template <typename Step> bool MVThread::Guarded(Step step)
{
    try {
        step();
        return true;
    } catch (...) {
        try {
            OnUncaughtException(CurrentExceptionText(UnknownExceptionText).c_str());
        } catch (...) {
        }
    }
    return false;
}

DWORD WINAPI MVThread::ThreadProc(LPVOID parameter)
{
    MVThread* thread = static_cast<MVThread*>(parameter);
    thread->finished = 0;

    DWORD started = 0;
    if (!thread->Guarded([&] { started = thread->OnStart(); }))
        return ExitCodeUncaught;
    if (started == 0)
        return OnStartRefusedCode;

    DWORD result = ExitCodeUncaught;
    thread->Guarded([&] { result = thread->Run(); });
    thread->exitCode = static_cast<long>(result);
    if (!thread->Guarded([&] { thread->OnExit(); })) {
        result = ExitCodeUncaught;
        thread->exitCode = static_cast<long>(result);
    }
    thread->finished = 1;
    // With auto-delete set the object is gone after this call; only locals are used below.
    thread->AutoDelete();
    return result;
}

int MutexExists(const wchar_t* name)
{
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name);
    if (!mutex)
        return 0;
    CloseHandle(mutex);
    return 1;
}

int IsWindowsNTVersion(DWORD versionValue)
{
    return versionValue < 0x80000000u ? 1 : 0;
}

int IsWindowsNT()
{
    return IsWindowsNTVersion(GetVersion());
}
