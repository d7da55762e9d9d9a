#pragma once
#include <windows.h>
#include <commdlg.h>

// Called with the filled record before the dialog shows; returning 0 cancels the dialog.
typedef BOOL (*BrowseCheck)(const OPENFILENAMEW& record);

// The size of the parameter record handed to the dialog: its original 76-byte form.
const DWORD kBrowseRecordSize = 76;

// Asks for a file name with the system's save dialog (save nonzero) or open dialog.
// buffer/bufferLength: the name, in and out (length in characters). filter: pairs of display
// text and pattern, each NUL-terminated, ended by one more NUL; null offers "All files (*.*)".
// Returns nonzero when the user confirmed a name; 0 when the dialog was cancelled or failed or
// check refused.
int BrowseForFile(wchar_t* buffer, DWORD bufferLength, const wchar_t* initialDirectory, BOOL save, HWND owner,
                  DWORD flags, const wchar_t* filter, const wchar_t* defaultExtension, BrowseCheck check);
