#pragma once
// Finding the running Pelmora's windows and typing into its save dialog from another process of
// the same Wine prefix, for the end-to-end driver (tests/helpers/pelmora_driver.cpp) and the
// benchmark's (scripts/bench/bench_driver.cpp), so that both find and work the program alike.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "DialogTestKit.h"

namespace pelmorawindows
{
const wchar_t kMainCaption[] = L"Pelmora 3.0";
const int kFileNameEditId = 1148; // the Edit inside the save dialog's file-name ComboBoxEx
const UINT kQueryTimeoutMs = 3000;
const DWORD kPollMs = 20;

inline bool IsDialog(HWND window)
{
    return dialogtest::ClassOf(window) == L"#32770";
}

// Top-level dialogs with that caption, or (owner given) the visible ones that window owns: the
// save dialog, message boxes, the About box.
inline std::vector<HWND> Dialogs(const wchar_t* caption, HWND owner = nullptr)
{
    std::vector<HWND> found;
    dialogtest::ForEachWindow(nullptr, [&](HWND window) {
        if (IsDialog(window) && (caption ? dialogtest::TextOf(window) == caption
                                         : GetWindow(window, GW_OWNER) == owner && IsWindowVisible(window)))
            found.push_back(window);
        return true;
    });
    return found;
}

inline HWND FindMain()
{
    const std::vector<HWND> found = Dialogs(kMainCaption);
    return found.empty() ? nullptr : found.front();
}

inline HWND FileNameEdit(HWND dialog)
{
    return dialogtest::FindDescendant(dialog, kFileNameEditId, L"Edit");
}

// The last of the dialogs `owner` has up that `match` accepts, once there is one; null when none
// came within timeoutMs.
inline HWND WaitOwnedDialog(HWND owner, DWORD timeoutMs, const std::function<bool(HWND)>& match)
{
    HWND found = nullptr;
    dialogtest::PumpUntil(
        [&] {
            for (HWND candidate : Dialogs(nullptr, owner))
                if (match(candidate))
                    found = candidate;
            return found != nullptr;
        },
        timeoutMs, kPollMs);
    return found;
}

// The save dialog that `main` opened: its dialog with a file-name box.
inline HWND WaitSaveDialog(HWND main, DWORD timeoutMs)
{
    return WaitOwnedDialog(main, timeoutMs, [](HWND dialog) { return FileNameEdit(dialog) != nullptr; });
}

// A message to another process's window; false when that window does not answer in time, so
// that a busy or dead program never hangs the caller.
inline bool Query(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    DWORD_PTR value = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kQueryTimeoutMs, &value))
        return false;
    *result = static_cast<LRESULT>(value);
    return true;
}

// Posted, never sent: the handlers of Create ISO and Save run modal loops of their own.
inline void PostClick(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Types `path` into the save dialog's file name and presses Save; false when it cannot be typed.
inline bool TypeFileName(HWND save, const wchar_t* path)
{
    LRESULT ignored = 0;
    if (!Query(FileNameEdit(save), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path), &ignored))
        return false;
    PostClick(save, IDOK);
    return true;
}
}
