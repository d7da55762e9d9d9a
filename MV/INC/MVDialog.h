#pragma once
#include <windows.h>
#include <string>

class MVComboBox;

// A modal dialog made by the dialog manager from a dialog template resource (window class
// #32770). The dialog procedure unpacks each message once and calls the matching handler;
// a handler's exception never crosses it: the exception is shown, and the dialog either stays
// usable (any handler) or, when OnInitDialog failed, ends with -1.
//
// Binding: WM_INITDIALOG stores the object in the window's DWLP_USER slot and sets `hwnd`;
// WM_NCDESTROY clears `hwnd`. Messages that arrive before WM_INITDIALOG (WM_SETFONT) go to
// the dialog manager's defaults.
class MVDialog
{
public:
    // templateId: the dialog resource in the executable; parent may be null.
    MVDialog(UINT templateId, HWND parent);
    MVDialog(const MVDialog&) = delete;
    MVDialog& operator=(const MVDialog&) = delete;
    virtual ~MVDialog();

    // Runs the dialog; returns EndDialog's result, or -1 when the dialog could not be made.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    HWND GetHwnd() const { return hwnd; }

    // Controls by id.
    HWND Item(int id) const;
    void SetItemText(int id, const wchar_t* text);
    void EnableItem(int id, bool enable);

    // The window's system menu (owned by the window), or null when it has none.
    HMENU SystemMenu() const;

    // A message box owned by this dialog and captioned with the application's name. Callable
    // from any thread.
    int ShowMessage(const wchar_t* text, UINT style) const;

    // Runs the data exchange again (binds the controls).
    void UpdateData();

protected:
    // Binds controls to their wrappers; called before OnInitDialog and by UpdateData.
    virtual void DoDataExchange();
    void BindControl(int id, MVComboBox& control);

    // TRUE: the dialog manager gives the focus to the first tab stop.
    virtual BOOL OnInitDialog();
    // WM_COMMAND. TRUE when handled; otherwise IDOK goes to OnOK and IDCANCEL to OnCancel.
    virtual BOOL OnCommand(int id, int code);
    virtual void OnOK();
    virtual void OnCancel();
    // WM_SYSCOMMAND. FALSE leaves the command to the system's default handling.
    virtual BOOL OnSysCommand(UINT id, LPARAM lParam);
    // WM_PAINT. FALSE leaves painting to the default handling.
    virtual BOOL OnPaint();
    // WM_TIMER. The default handling always follows.
    virtual void OnTimer(UINT_PTR id);
    // WM_QUERYDRAGICON. Null leaves the answer to the default handling.
    virtual HICON OnQueryDragIcon();
    // Any message without a handler of its own (private WM_APP messages, registered ones).
    // TRUE when handled; `result` is then the message's answer.
    virtual BOOL OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    HWND hwnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Answer(LRESULT result);

    UINT templateId;
    HWND parent;
};
