#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include "CopyOutcome.h"
#include "CopyProgressRecord.h"
#include "SystemAwake.h"

class CopyFrontEnd;
class CopyQuestions;

// Runs one copy at a time on a worker thread of its own, for any front end: it builds the I/O
// and the job there, holds the progress record and the Stop request, and knows when its thread
// has ended. It includes no window code; the main window is one front end of it.
//
// How a front end drives a copy:
//  1. Start(frontEnd, driveEntry, imagePath). The job asks its questions of frontEnd on the
//     worker, each waiting for its answer, and the worker's last call into frontEnd is
//     CopyEnded(outcome), which hands the outcome over to the front end's own thread.
//  2. Meanwhile the front end looks at Progress() on its own time, e.g. on a timer: one Read()
//     per look gives where the copy stands and whether a box about a failure is up. The worker
//     only stores into the record and never waits for the front end.
//  3. Stop() asks the copy to end after its current chunk, keeping what it copied. It may come
//     at any moment, also after CopyEnded: the next Start begins without it.
//  4. Before the front end goes away (a window that closes), StopAndWait(). It returns once the
//     worker thread has ended, and dispatches the calling thread's messages meanwhile: a box the
//     worker shows may be owned by a window of that thread. The destructor does the same.
//  5. Before the process exits, WaitForAllToEnd(), for the runners not destroyed by then.
class CopyRunner
{
public:
    // The work of one copy on the worker: the job over the system's I/O, or a test's stand-in.
    using Task = std::function<CopyOutcome(CopyQuestions& questions, CopyProgressRecord& progress,
                                           const wchar_t* driveEntry, const wchar_t* imagePath)>;
    // Sectors per read and per write of the real job.
    static const unsigned kChunkSectors = 500;
    // The tool's name and version, as the report beside an image gives it.
    static const wchar_t kTool[];

    // Copies with a CopyJob over a Win32CopyIO.
    CopyRunner();
    // awake: how the worker asks the system to stay awake while its copy runs, and lets it sleep.
    explicit CopyRunner(Task task, SystemAwake::SetState awake = SystemAwake::System);
    virtual ~CopyRunner();
    CopyRunner(const CopyRunner&) = delete;
    CopyRunner& operator=(const CopyRunner&) = delete;

    // Starts a copy of driveEntry's drive ("E:\ - MYDISC") into imagePath; frontEnd must live
    // until its CopyEnded. Call it when no copy runs; the last steps of an ended copy's thread
    // are waited for. Throws MVException when no thread can be made: then nothing runs (virtual,
    // so that a test can fail it as the system may).
    virtual void Start(CopyFrontEnd& frontEnd, const std::wstring& driveEntry, const std::wstring& imagePath);
    void Stop() { progress.RequestStop(); }
    // From Start until the worker thread has ended, a moment after its CopyEnded.
    bool IsRunning() const;
    // Stops a running copy, then waits for its thread to end, dispatching this thread's messages;
    // false when it still runs after timeoutMs.
    bool StopAndWait(DWORD timeoutMs = INFINITE);
    CopyProgressRecord& Progress() { return progress; }

    // Waits until every copy thread of the process has ended, at most timeoutMs; false on
    // timeout. A thread killed by the exit while it still frees memory could leave the heap
    // locked for the exit code that follows.
    static bool WaitForAllToEnd(DWORD timeoutMs);

private:
    struct Work;
    static DWORD WINAPI ThreadProc(LPVOID work);
    static CopyOutcome RunJob(CopyQuestions& questions, CopyProgressRecord& progress, const wchar_t* driveEntry,
                              const wchar_t* imagePath);
    bool WaitForEnd(DWORD timeoutMs = INFINITE);

    Task task;
    SystemAwake::SetState awake;
    CopyProgressRecord progress;
    // The last copy's thread, null before the first.
    HANDLE worker = nullptr;
};
