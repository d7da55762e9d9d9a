#include "DrivePicker.h"
#include <algorithm>
#include "DriveScanner.h"

DrivePicker::DrivePicker(DriveQueries driveQueries) : queries(std::move(driveQueries))
{
}

DrivePicker::~DrivePicker() = default;

void DrivePicker::Start(HWND listWindow, UINT listMessage)
{
    window = listWindow;
    message = listMessage;
    scanner.reset(new DriveScanner(queries));
    Refresh();
}

void DrivePicker::Refresh()
{
    if (scanner)
        scanner->Request(window, message, busy);
}

void DrivePicker::SetBusy(const std::wstring& entry)
{
    busy = entry;
    if (scanner)
        scanner->SetBusyEntry(entry);
}

bool DrivePicker::ShowScanned()
{
    std::vector<std::wstring> entries;
    if (!scanner || !scanner->TakeResult(entries))
        return false;
    list.SetRedraw(false);
    Apply(entries);
    list.SetRedraw(true);
    list.Invalidate(false);
    return true;
}

void DrivePicker::Apply(const std::vector<std::wstring>& entries)
{
    if (!SameEntries(entries, Listed()))
    {
        const std::wstring selected = Selected();
        const int previousIndex = shown ? list.GetCurSel() : 0;
        list.ResetContent();
        for (const std::wstring& entry : entries)
            list.AddString(entry.c_str());
        // Chosen among the entries in the order the sorted list shows them, which follows the
        // user's locale.
        list.SetCurSel(ChooseDriveSelection(Listed(), DriveLetterOf(selected), previousIndex));
    }
    shown = true;
}

std::vector<std::wstring> DrivePicker::Listed() const
{
    std::vector<std::wstring> listed;
    const int count = list.GetCount();
    for (int i = 0; i < count; ++i)
        listed.push_back(list.GetLBText(i));
    return listed;
}

std::wstring DrivePicker::EntryOf(wchar_t letter) const
{
    const std::vector<std::wstring> listed = Listed();
    const auto found = std::find_if(listed.begin(), listed.end(),
                                    [letter](const std::wstring& entry) { return DriveLetterOf(entry) == letter; });
    return found == listed.end() ? std::wstring() : *found;
}
