#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include "CopyProgress.h"

// The reason Windows shows for a shutdown or a restart held up by a running copy: the shell lists
// the programs that hold it up, each with its own words. Window thread only.
class ShutdownBlock
{
public:
    // ShutdownBlockReasonCreate and ShutdownBlockReasonDestroy, or a test's recorder. Their
    // failure changes nothing: the answer to WM_QUERYENDSESSION alone holds the shutdown up
    // (Wine has both calls as stubs that fail).
    struct Calls
    {
        std::function<BOOL(HWND window, const wchar_t* reason)> create;
        std::function<BOOL(HWND window)> destroy;

        static Calls System();
    };

    explicit ShutdownBlock(Calls calls) : calls(std::move(calls)) {}

    // "Copying E: to NAME.iso – 42 %": the drive, the image's file name and the share the bar shows.
    static std::wstring Reason(const std::wstring& driveEntry, const std::wstring& imagePath,
                               const CopyProgress& progress);
    // Sets the reason, or brings it up to date: each query of a shutdown asks anew.
    void Hold(HWND window, const std::wstring& reason);
    // The copy has ended: a reason set is taken away.
    void Release(HWND window);

private:
    Calls calls;
    bool held = false;
};
