#pragma once
#include <windows.h>
#include <commdlg.h>
#include <cstddef>

// Called with the filled record before the dialog shows; returning 0 cancels the dialog.
typedef BOOL (*BrowseCheck)(const OPENFILENAMEW& record);

// The size of the parameter record handed to the dialog: its original form, without the fields
// that Windows 2000 added. That is 76 bytes in a 32-bit program; a 64-bit one has wider pointers
// and the dialog refuses 76 there, so the size is the system's own for that form.
// (OPENFILENAME_SIZE_VERSION_400W, written so that the compiler can check it.)
const DWORD kBrowseRecordSize = offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(LPCWSTR);
static_assert(sizeof(void*) != 4 || kBrowseRecordSize == 76, "the 32-bit record is 76 bytes");

// Asks for a file name with the system's save dialog (save nonzero) or open dialog.
// buffer/bufferLength: the name, in and out (length in characters). filter: pairs of display
// text and pattern, each NUL-terminated, ended by one more NUL; null offers "All files (*.*)".
// Returns nonzero when the user confirmed a name; 0 when the dialog was cancelled or failed or
// check refused.
int BrowseForFile(wchar_t* buffer, DWORD bufferLength, const wchar_t* initialDirectory, BOOL save, HWND owner,
                  DWORD flags, const wchar_t* filter, const wchar_t* defaultExtension, BrowseCheck check);
