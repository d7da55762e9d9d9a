#pragma once
#include "MVDialog.h"

// The About box: product name, version and maker. OK, Escape and the close box end it.
class CAboutDlg : public MVDialog
{
public:
    explicit CAboutDlg(HWND parent);
};
