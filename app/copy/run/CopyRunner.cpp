#include "CopyRunner.h"
#include <memory>
#include "CopyFrontEnd.h"
#include "CopyJob.h"
#include "CopyRecorder.h"
#include "CopyReport.h"
#include "DriveLetter.h"
#include "ImageSideFiles.h"
#include "MVException.h"
#include "MVExceptionReport.h"
#include "MVSystemError.h"
#include "RecordedQuestions.h"
#include "ThreadEndWaiter.h"
#include "Win32CopyIO.h"

// What the worker thread owns: its own copies of the texts, the task and the front end.
struct CopyRunner::Work
{
    Task task;
    SystemAwake::SetState awake;
    CopyFrontEnd& frontEnd;
    CopyProgressRecord& progress;
    std::wstring driveEntry;
    std::wstring imagePath;
};

#define PELMORA_WIDE(text) L##text
#define PELMORA_WIDENED(text) PELMORA_WIDE(text)
const wchar_t CopyRunner::kTool[] = L"Pelmora " PELMORA_WIDENED(PELMORA_VERSION);

CopyRunner::CopyRunner() : CopyRunner(RunJob)
{
}

CopyRunner::CopyRunner(Task copyTask, SystemAwake::SetState awakeState)
    : task(std::move(copyTask)), awake(std::move(awakeState))
{
}

CopyRunner::~CopyRunner()
{
    StopAndWait();
    if (worker)
        CloseHandle(worker);
}

CopyOutcome CopyRunner::RunJob(CopyQuestions& questions, CopyProgressRecord& progress, const wchar_t* driveEntry,
                               const wchar_t* imagePath)
{
    // A run from the window keeps the same report beside every image it keeps.
    const std::wstring entry = driveEntry ? driveEntry : L"";
    const std::size_t dash = entry.find(L" - ");
    CopyRecorder recorder(kTool, L"window");
    recorder.Start(DriveLetterOf(entry), dash == std::wstring::npos ? std::wstring() : entry.substr(dash + 3));
    Win32CopyIO io;
    RecordedQuestions recorded(questions);
    // A file of that name without a map was confirmed for replacing before the copy, where the
    // window asks it (an image with a map is asked about by the copy itself).
    if (imagePath && io.FileAttributes(imagePath) != INVALID_FILE_ATTRIBUTES && !MayBeFinished(imagePath))
        recorded.Answered(CopyRecord::kReplaceQuestion, L"yes, before the copy");
    CopyJob job(recorded, progress, io, kChunkSectors);
    const CopyOutcome outcome = job.Run(driveEntry, imagePath);
    if (outcome != CopyOutcome::Failed && imagePath) {
        recorder.End(io, imagePath, CopyRecorder::OutcomeOf(outcome), recorded.Reason(), recorded.Answers(), progress,
                     job.Facts());
        WriteCopyReport(io, recorder.Record());
    }
    return outcome;
}

void CopyRunner::Start(CopyFrontEnd& frontEnd, const std::wstring& driveEntry, const std::wstring& imagePath)
{
    WaitForEnd();
    progress.Clear();
    std::unique_ptr<Work> work(new Work{task, awake, frontEnd, progress, driveEntry, imagePath});
    // Suspended until it is known to the waits, so that no copy runs that nothing waits for.
    HANDLE thread = CreateThread(nullptr, 0, ThreadProc, work.get(), CREATE_SUSPENDED, nullptr);
    if (!thread)
    {
        const MVString reason = SystemErrorText();
        throw MVException(reason.GetBuffer(), L"app\\copy\\run\\CopyRunner", __LINE__, 0);
    }
    try
    {
        ThreadEndWaiter::CopyThreads().Add(thread);
    }
    catch (...)
    {
        TerminateThread(thread, 0);
        CloseHandle(thread);
        throw;
    }
    work.release();
    if (worker)
        CloseHandle(worker);
    worker = thread;
    ResumeThread(thread);
}

DWORD WINAPI CopyRunner::ThreadProc(LPVOID parameter)
{
    std::unique_ptr<Work> work(static_cast<Work*>(parameter));
    CopyOutcome outcome = CopyOutcome::Failed;
    // CopyJob::Run does not throw; whatever else does is told, and the copy still ends, so that
    // its front end is never left waiting for the end.
    try
    {
        // Held by this thread, whose request it is; given back before the end is told.
        const SystemAwake awake(work->awake);
        outcome = work->task(work->frontEnd, work->progress, work->driveEntry.c_str(), work->imagePath.c_str());
    }
    catch (...)
    {
        try
        {
            work->frontEnd.ShowCopyError(CurrentExceptionText(L"Unknown exception").c_str());
        }
        catch (...)
        {
        }
    }
    try
    {
        work->frontEnd.CopyEnded(outcome);
    }
    catch (...)
    {
        // It must not throw; should it, nothing may leave the thread's entry.
    }
    return 0;
}

bool CopyRunner::IsRunning() const
{
    return worker && WaitForSingleObject(worker, 0) == WAIT_TIMEOUT;
}

bool CopyRunner::StopAndWait(DWORD timeoutMs)
{
    // Only a copy that runs is stopped: a Stop left behind would be seen by nothing.
    if (IsRunning())
        Stop();
    return WaitForEnd(timeoutMs);
}

bool CopyRunner::WaitForEnd(DWORD timeoutMs)
{
    // A quit message met here belongs to the loop outside: it is posted again at the end.
    bool quit = false;
    WPARAM quitCode = 0;
    const DWORD start = GetTickCount();
    DWORD result = WAIT_OBJECT_0;
    while (worker)
    {
        const DWORD spent = GetTickCount() - start;
        const DWORD left = timeoutMs == INFINITE ? INFINITE : spent >= timeoutMs ? 0 : timeoutMs - spent;
        result = MsgWaitForMultipleObjectsEx(1, &worker, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (result != WAIT_OBJECT_0 + 1)
            break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
            {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (quit)
        PostQuitMessage(static_cast<int>(quitCode));
    return result != WAIT_TIMEOUT;
}

bool CopyRunner::WaitForAllToEnd(DWORD timeoutMs)
{
    return ThreadEndWaiter::CopyThreads().WaitForAll(timeoutMs);
}
