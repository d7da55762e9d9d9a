#pragma once
#include <windows.h>
#include <string>

// Borrows a combo box control of a dialog; the dialog owns the window.
class MVComboBox
{
public:
    MVComboBox() = default;
    MVComboBox(const MVComboBox&) = delete;
    MVComboBox& operator=(const MVComboBox&) = delete;

    void Attach(HWND control) { hwnd = control; }
    HWND GetHwnd() const { return hwnd; }

    int GetCount() const;
    // Index of the selected entry, -1 when none.
    int GetCurSel() const;
    // -1 clears the selection; an index past the end also leaves none selected.
    void SetCurSel(int index);
    void ResetContent();
    // Index at which the entry now stands (the list may sort), or a negative CB_ERR/CB_ERRSPACE.
    int AddString(const wchar_t* text);
    // Text of entry `index`, empty when there is no such entry.
    std::wstring GetLBText(int index) const;
    // Text of the selected entry, empty when none is selected.
    std::wstring GetSelectedText() const;

    // Redrawing off while the list is rebuilt, on again after; then one Invalidate.
    void SetRedraw(bool redraw);
    void Invalidate(bool erase);

private:
    HWND hwnd = nullptr;
};
