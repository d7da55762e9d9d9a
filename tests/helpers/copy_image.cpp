// Copies a disc into an image file with the application's own copy job and real I/O, without
// any window: copy_image.exe "E:\ - LABEL" C:\path\image.iso
// Messages go to stderr; the exit code is 0 for a complete image, 1 when the job reported a
// failure, 2 for wrong arguments. On success one line on stdout gives size, time and speed.
#include "CopyJob.h"
#include "CopyProgressRecord.h"
#include "CopyQuestions.h"
#include "MVSystemError.h"
#include "Win32CopyIO.h"
#include <cstdio>

namespace {
class ConsoleOwner : public CopyQuestions
{
public:
    bool failed = false;

    void ReportLastError() override
    {
        DWORD error = GetLastError();
        MVString text = SystemErrorText();
        fwprintf(stderr, L"error %lu: %ls\n", error, text.GetBuffer());
        failed = true;
    }

    void ReportReadError(const wchar_t* detail) override
    {
        ReportLastError();
        fwprintf(stderr, L"%ls\n", detail);
    }

    bool AskToContinue(const wchar_t* question) override
    {
        fwprintf(stderr, L"%ls (yes)\n", question);
        return true;
    }

    ReadErrorChoice AskReadErrorChoice(const wchar_t* detail) override
    {
        ReportReadError(detail);
        return ReadErrorChoice::Stop;
    }

    // An unattended copy never replaces an image it was not asked to, and never half-finishes one.
    bool AskToReplace(const wchar_t* question) override
    {
        fwprintf(stderr, L"%ls (no)\n", question);
        return false;
    }

    QuestionAnswer AskYesNoCancel(const wchar_t* question) override
    {
        fwprintf(stderr, L"%ls (no)\n", question);
        return QuestionAnswer::No;
    }

    void ShowCopyError(const wchar_t* text) override
    {
        fwprintf(stderr, L"%ls\n", text);
        failed = true;
    }
};

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}
}

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3) {
        fwprintf(stderr, L"usage: copy_image DRIVE-ENTRY IMAGE-PATH\n");
        return 2;
    }
    ConsoleOwner owner;
    Win32CopyIO io;
    CopyProgressRecord progress;
    CopyJob job(owner, progress, io, 500);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const CopyOutcome outcome = job.Run(argv[1], argv[2]);
    QueryPerformanceCounter(&end);
    if (owner.failed || outcome != CopyOutcome::Completed)
        return 1;
    double seconds = Seconds(start, end);
    const DWORD sectorsDone = progress.Read().progress.sectorsDone;
    double megabytes = double(sectorsDone) * 2048.0 / 1e6;
    wprintf(L"copied %lu sectors (%.1f MB) in %.3f s: %.1f MB/s\n", sectorsDone, megabytes, seconds,
            seconds > 0 ? megabytes / seconds : 0.0);
    return 0;
}
