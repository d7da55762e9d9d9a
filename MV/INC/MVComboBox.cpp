#include "MVComboBox.h"
#include <vector>

int MVComboBox::GetCount() const
{
    return static_cast<int>(SendMessageW(hwnd, CB_GETCOUNT, 0, 0));
}

int MVComboBox::GetCurSel() const
{
    return static_cast<int>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0));
}

void MVComboBox::SetCurSel(int index)
{
    SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void MVComboBox::ResetContent()
{
    SendMessageW(hwnd, CB_RESETCONTENT, 0, 0);
}

int MVComboBox::AddString(const wchar_t* text)
{
    return static_cast<int>(SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}

std::wstring MVComboBox::GetLBText(int index) const
{
    if (!hwnd || index < 0)
        return std::wstring();
    const LRESULT length = SendMessageW(hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0)
        return std::wstring();
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
    const LRESULT n = SendMessageW(hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    if (n < 0)
        return std::wstring();
    return std::wstring(text.data(), static_cast<size_t>(n));
}

std::wstring MVComboBox::GetSelectedText() const
{
    return GetLBText(GetCurSel());
}

void MVComboBox::SetRedraw(bool redraw)
{
    SendMessageW(hwnd, WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
}

void MVComboBox::Invalidate(bool erase)
{
    InvalidateRect(hwnd, nullptr, erase ? TRUE : FALSE);
}
