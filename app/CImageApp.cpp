#include "CImageApp.h"
#include <commctrl.h>
#include "CopyRunner.h"
#include "CImageDlg.h"
#include "InstanceMutex.h"
#include "MVString.h"
#include "MVThread.h"

CImageApp::CImageApp() = default;

CImageApp::~CImageApp() = default;

std::wstring CImageApp::WrongSystemText(const std::wstring& appName)
{
    MVString text(appName.c_str());
    text.Append(L" needs Windows NT/2000/XP.");
    return text.GetBuffer();
}

BOOL CImageApp::InitInstance()
{
    m_pInstanceMutex = ClaimInstanceMutex(Name().c_str());
    if (!m_pInstanceMutex)
        return FALSE;

    if (!IsWindowsNT())
    {
        ShowMessage(WrongSystemText(Name()).c_str(), MB_ICONINFORMATION);
        return FALSE;
    }

    // Loads version 6 of the common controls that the manifest asks for, so the dialogs are
    // drawn with the system's visual styles.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    {
        CImageDlg dialog(nullptr);
        dialog.DoModal();
    }
    // A finished copy's thread still frees its own object after it let the dialog go; the
    // process must not exit under it.
    CopyRunner::WaitForAllToEnd(5000);
    return FALSE;
}
