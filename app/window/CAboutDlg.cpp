#include "CAboutDlg.h"
#include "resource.h"

CAboutDlg::CAboutDlg(HWND parent) : MVDialog(IDD_ABOUT, parent)
{
}
