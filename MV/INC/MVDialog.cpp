#include "MVDialog.h"
#include "MVApp.h"
#include "MVComboBox.h"
#include "MVExceptionReport.h"

MVDialog::MVDialog(UINT dialogTemplate, HWND parentWindow) : templateId(dialogTemplate), parent(parentWindow)
{
}

MVDialog::~MVDialog() = default;

INT_PTR MVDialog::DoModal()
{
    return DialogBoxParamW(MVApp::ResourceInstance(), MAKEINTRESOURCEW(templateId), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void MVDialog::EndDialog(INT_PTR result)
{
    if (hwnd)
        ::EndDialog(hwnd, result);
}

HWND MVDialog::Item(int id) const
{
    return hwnd ? GetDlgItem(hwnd, id) : nullptr;
}

void MVDialog::SetItemText(int id, const wchar_t* text)
{
    if (hwnd)
        SetDlgItemTextW(hwnd, id, text);
}

void MVDialog::EnableItem(int id, bool enable)
{
    if (HWND item = Item(id))
        EnableWindow(item, enable ? TRUE : FALSE);
}

HMENU MVDialog::SystemMenu() const
{
    return hwnd ? GetSystemMenu(hwnd, FALSE) : nullptr;
}

int MVDialog::ShowMessage(const wchar_t* text, UINT style) const
{
    return MVApp::ShowMessage(text, style, hwnd);
}

void MVDialog::UpdateData()
{
    DoDataExchange();
}

void MVDialog::DoDataExchange()
{
}

void MVDialog::BindControl(int id, MVComboBox& control)
{
    control.Attach(Item(id));
}

BOOL MVDialog::OnInitDialog()
{
    DoDataExchange();
    return TRUE;
}

BOOL MVDialog::OnCommand(int, int)
{
    return FALSE;
}

void MVDialog::OnOK()
{
    EndDialog(IDOK);
}

void MVDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL MVDialog::OnSysCommand(UINT, LPARAM)
{
    return FALSE;
}

BOOL MVDialog::OnPaint()
{
    return FALSE;
}

void MVDialog::OnTimer(UINT_PTR)
{
}

HICON MVDialog::OnQueryDragIcon()
{
    return nullptr;
}

BOOL MVDialog::OnOtherMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return FALSE;
}

INT_PTR MVDialog::Answer(LRESULT result)
{
    // A dialog procedure hands most results back through DWLP_MSGRESULT, not its return value.
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR MVDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
    {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (OnCommand(id, code))
            return TRUE;
        if (id == IDOK)
        {
            OnOK();
            return TRUE;
        }
        if (id == IDCANCEL)
        {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    }
    case WM_SYSCOMMAND:
        return OnSysCommand(static_cast<UINT>(wParam), lParam) ? Answer(0) : FALSE;
    case WM_PAINT:
        return OnPaint();
    case WM_TIMER:
        OnTimer(wParam);
        return FALSE;
    case WM_QUERYDRAGICON:
        // One of the few messages whose answer is the procedure's own return value.
        return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    default:
    {
        LRESULT result = 0;
        return OnOtherMessage(message, wParam, lParam, result) ? Answer(result) : FALSE;
    }
    }
}

INT_PTR CALLBACK MVDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MVDialog* dialog = nullptr;
    if (message == WM_INITDIALOG)
    {
        dialog = reinterpret_cast<MVDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->hwnd = window;
    }
    else
    {
        dialog = reinterpret_cast<MVDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!dialog)
        return FALSE;
    if (message == WM_NCDESTROY)
    {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        dialog->hwnd = nullptr;
        return FALSE;
    }
    try
    {
        return dialog->Dispatch(message, wParam, lParam);
    }
    catch (...)
    {
        ShowCurrentException(window);
        // A dialog that could not set itself up is no use to the user: end it. After any
        // other handler the dialog stays as the handler left it and goes on running; the
        // default handling still runs, so a failed WM_PAINT is validated and not repeated.
        if (message == WM_INITDIALOG)
            ::EndDialog(window, -1);
        return FALSE;
    }
}
