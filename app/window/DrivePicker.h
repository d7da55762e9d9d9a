#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include <vector>
#include "DriveList.h"
#include "MVComboBox.h"

class DriveScanner;

// The main window's drive list: the CD-ROM drives as the last scan saw them, each scan run off
// the window's thread by a DriveScanner, and the user's drive kept selected as the list changes.
// The drive being copied is never asked about while it is copied: its entry stays as the copy
// found it. Window thread only.
class DrivePicker
{
public:
    explicit DrivePicker(DriveQueries queries);
    ~DrivePicker();
    DrivePicker(const DrivePicker&) = delete;
    DrivePicker& operator=(const DrivePicker&) = delete;

    // The combo box, for the dialog's data exchange.
    MVComboBox& List() { return list; }
    // Starts scanning; each finished list is announced by posting `message` to `window`, and
    // ShowScanned then shows it. The first list gets its first entry selected.
    void Start(HWND window, UINT message);
    // Asks for a new list; it is shown when the scan, off this thread, has finished.
    void Refresh();
    // Shows the newest finished list, in any order, keeping the user's drive selected; false
    // when none arrived. An unchanged list is left alone: rebuilding it every second would also
    // reset the hot entry of a drop-down list the user has open.
    bool ShowScanned();

    std::wstring Selected() const { return list.GetSelectedText(); }
    // The selected entry's volume could be read at the last scan. No query here: one could
    // block this thread.
    bool SelectionReadable() const { return IsReadableEntry(Selected()); }
    // The listed entry of that drive letter, empty when none is listed.
    std::wstring EntryOf(wchar_t letter) const;
    // The drive being copied, empty when none: from now on the scans leave it alone.
    void SetBusy(const std::wstring& entry);

private:
    void Apply(const std::vector<std::wstring>& entries);
    std::vector<std::wstring> Listed() const;

    DriveQueries queries;
    std::unique_ptr<DriveScanner> scanner;
    MVComboBox list;
    HWND window = nullptr;
    UINT message = 0;
    std::wstring busy;
    bool shown = false;
};
