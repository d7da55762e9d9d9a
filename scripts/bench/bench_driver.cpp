// Times one copy of the running Pelmora through its window, for scripts/bench-copy.sh:
//   bench_driver NEW_IMAGE_PATH [TIMEOUT_MS]
// presses "Create ISO", names the image in the save dialog and prints
//   timed copy: save to stop X ms, stop to create Y ms
// timed inside this process, so that neither Wine's start-up nor the driver's counts: from
// pressing Save to the button reading "Stop" (the save dialog going away and the worker being
// made), then from "Stop" to "Create ISO" again, the copy as the user sees it. A copy must last
// a few milliseconds for its "Stop" to be seen. Exit code 0 when timed, 1 when not.
#include <windows.h>

#include <cstdio>
#include <string>

#include "PelmoraWindows.h"
#include "resource.h"

namespace
{
double MillisecondsBetween(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

int Fail(const char* why)
{
    std::printf("%s\n", why);
    return 1;
}

int TimedCopy(const wchar_t* path, DWORD timeoutMs)
{
    using namespace pelmorawindows;
    HWND main = FindMain();
    HWND button = main ? GetDlgItem(main, IDC_CREATE) : nullptr;
    if (!button || dialogtest::TextOf(button) != L"Create ISO" || !IsWindowEnabled(button))
        return Fail("no main window with Create ISO enabled");
    PostClick(main, IDC_CREATE);
    HWND save = WaitSaveDialog(main, timeoutMs);
    if (!save)
        return Fail("no save dialog");
    if (!TypeFileName(save, path))
        return Fail("cannot type the file name");
    LARGE_INTEGER saved, started = {}, now;
    QueryPerformanceCounter(&saved);
    bool running = false;
    for (;;)
    {
        // For another process's window the caption comes from the window server, not the
        // window, so asking every millisecond does not load the copying dialog.
        const std::wstring caption = dialogtest::TextOf(button);
        QueryPerformanceCounter(&now);
        if (!running && caption == L"Stop")
        {
            running = true;
            started = now;
        }
        else if (running && caption == L"Create ISO")
        {
            break;
        }
        if (MillisecondsBetween(saved, now) > timeoutMs)
            return Fail(running ? "the copy did not end" : "the copy did not start (is there an old file?)");
        Sleep(1);
    }
    std::printf("timed copy: save to stop %.1f ms, stop to create %.1f ms\n", MillisecondsBetween(saved, started),
                MillisecondsBetween(started, now));
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
    {
        std::printf("usage: bench_driver NEW_IMAGE_PATH [TIMEOUT_MS]\n");
        return 2;
    }
    return TimedCopy(argv[1], argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 600000);
}
