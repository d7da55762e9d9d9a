// Copies a disc into an image file with the application's own copy job and real I/O, without
// any window: copy_image.exe "E:\ - LABEL" C:\path\image.iso
// Messages go to stderr; the exit code is 0 for a complete image, 1 when the job reported a
// failure, 2 for wrong arguments. On success one line on stdout gives size, time and speed.
#include "CopyJob.h"
#include "CopyJobOwner.h"
#include "MVSystemError.h"
#include "Win32CopyIO.h"
#include <cstdio>

namespace {
class ConsoleOwner : public CopyJobOwner
{
public:
    bool failed = false;
    DWORD sectorsDone = 0;
    bool ended = false;

    void CreateImage(const wchar_t*, const wchar_t*) override {}
    void UpdateProgress(const CopyProgress& progress) override { sectorsDone = progress.sectorsDone; }

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

    bool IsStopRequested() override { return false; }
    void CopyEnded(CopyOutcome) override { ended = true; }
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
    CopyJob job(owner, io, 500);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    job.Run(argv[1], argv[2]);
    QueryPerformanceCounter(&end);
    if (!owner.ended) {
        fwprintf(stderr, L"the job did not end idle\n");
        return 1;
    }
    if (owner.failed)
        return 1;
    double seconds = Seconds(start, end);
    double megabytes = double(owner.sectorsDone) * 2048.0 / 1e6;
    wprintf(L"copied %lu sectors (%.1f MB) in %.3f s: %.1f MB/s\n", owner.sectorsDone, megabytes, seconds,
            seconds > 0 ? megabytes / seconds : 0.0);
    return 0;
}
