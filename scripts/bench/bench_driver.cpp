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

#include "DialogTestKit.h"
#include "resource.h"

namespace
{

const int kFileNameEditId = 1148; // the Edit inside the save dialog's file-name ComboBoxEx

bool IsDialog(HWND window)
{
    return dialogtest::ClassOf(window) == L"#32770";
}

HWND FindMain()
{
    HWND main = nullptr;
    dialogtest::ForEachWindow(nullptr, [&](HWND window) {
        if (IsDialog(window) && dialogtest::TextOf(window) == L"Pelmora 3.0")
            main = window;
        return main == nullptr;
    });
    return main;
}

HWND FindSaveDialog(HWND main)
{
    HWND save = nullptr;
    dialogtest::ForEachWindow(nullptr, [&](HWND window) {
        if (GetWindow(window, GW_OWNER) == main && IsWindowVisible(window) && IsDialog(window) &&
            dialogtest::FindDescendant(window, kFileNameEditId, L"Edit"))
            save = window;
        return save == nullptr;
    });
    return save;
}

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
    HWND main = FindMain();
    HWND button = main ? GetDlgItem(main, IDC_CREATE) : nullptr;
    if (!button || dialogtest::TextOf(button) != L"Create ISO" || !IsWindowEnabled(button))
        return Fail("no main window with Create ISO enabled");
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_CREATE, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    HWND save = nullptr;
    if (!dialogtest::PumpUntil([&] { return (save = FindSaveDialog(main)) != nullptr; }, timeoutMs, 20))
        return Fail("no save dialog");
    // The Edit belongs to another process: its text is set by a message, with a timeout.
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(dialogtest::FindDescendant(save, kFileNameEditId, L"Edit"), WM_SETTEXT, 0,
                             reinterpret_cast<LPARAM>(path), SMTO_ABORTIFHUNG, 3000, &ignored))
        return Fail("cannot type the file name");
    PostMessageW(save, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(save, IDOK)));
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
