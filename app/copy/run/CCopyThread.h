#pragma once
#include "MVThread.h"

class CopyFrontEnd;

// The worker thread of one copy: runs the owner's CreateImage and then deletes itself.
//
// Lifetime: created suspended by the window's "Create ISO" handler, which stores it as the
// running worker and then resumes it. The object owns itself. After Run has returned (and the
// job inside it has cleared the owner's worker marker) the thread still runs a few steps of
// our code: OnExit, the auto-delete (this destructor and the base's, which free the texts and
// close the handle) and the return from the thread procedure. The owner must therefore not be
// the last thing the program waits for: before the process exits, call WaitForAllToEnd, which
// returns once every copy thread ever started here has really ended.
class CCopyThread : public MVThread
{
public:
    // Throws MVException when the thread cannot be created; no thread is left behind then.
    CCopyThread(CopyFrontEnd* dialog, const wchar_t* driveEntry, const wchar_t* imagePath);
    ~CCopyThread() override;

    // Runs m_pDialog->CreateImage with the texts copied at construction; the exit code is 0.
    DWORD Run() override;

    // Waits until every copy thread has ended, at most timeoutMs; false on timeout.
    static bool WaitForAllToEnd(DWORD timeoutMs);

    CopyFrontEnd* m_pDialog;
    wchar_t* m_pszImagePath;
    wchar_t* m_pszDriveEntry;
};
