#include "CCopyThread.h"
#include "CopyFrontEnd.h"
#include "MVStringfunc.h"
#include "ThreadEndWaiter.h"

namespace {
// The job is always handed texts; a missing one is copied as empty.
wchar_t* CopyText(const wchar_t* text)
{
    return DuplicateText(text ? text : L"");
}
}

CCopyThread::CCopyThread(CopyFrontEnd* dialog, const wchar_t* driveEntry, const wchar_t* imagePath)
    : MVThread(TRUE, CREATE_SUSPENDED), m_pDialog(dialog), m_pszImagePath(nullptr), m_pszDriveEntry(nullptr)
{
    try {
        m_pszImagePath = CopyText(imagePath);
        m_pszDriveEntry = CopyText(driveEntry);
        // If no handle can be kept to wait on, the thread still runs; only the wait before the
        // process exits is lost, as it would be without this guard.
        ThreadEndWaiter::CopyThreads().Add(GetHandle());
    } catch (...) {
        // The suspended thread would otherwise wait forever for a Resume that never comes.
        FreeText(&m_pszImagePath);
        FreeText(&m_pszDriveEntry);
        Terminate(0);
        throw;
    }
}

CCopyThread::~CCopyThread()
{
    FreeText(&m_pszImagePath);
    FreeText(&m_pszDriveEntry);
}

DWORD CCopyThread::Run()
{
    m_pDialog->CreateImage(m_pszDriveEntry, m_pszImagePath);
    return 0;
}

bool CCopyThread::WaitForAllToEnd(DWORD timeoutMs)
{
    return ThreadEndWaiter::CopyThreads().WaitForAll(timeoutMs);
}
