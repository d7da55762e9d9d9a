#include "BrowseForFile.h"
#include "MVStringList.h"

int BrowseForFile(wchar_t* buffer, DWORD bufferLength, const wchar_t* initialDirectory, BOOL save, HWND owner,
                  DWORD flags, const wchar_t* filter, const wchar_t* defaultExtension, BrowseCheck check)
{
    static_assert(sizeof(OPENFILENAMEW) >= kBrowseRecordSize, "the record must hold its original form");
    OPENFILENAMEW record = {};
    record.lStructSize = kBrowseRecordSize;
    record.hwndOwner = owner;
    record.lpstrFile = buffer;
    record.nMaxFile = bufferLength;
    record.lpstrInitialDir = initialDirectory;
    record.Flags = flags;
    record.lpstrDefExt = defaultExtension;

    // The default filter's block must live until the dialog has closed.
    MVStringList defaultFilter;
    if (filter) {
        record.lpstrFilter = filter;
    } else {
        defaultFilter.Add(L"All files (*.*)");
        defaultFilter.Add(L"*.*");
        record.lpstrFilter = defaultFilter.GetBuffer();
    }

    if (check && !check(record))
        return 0;
    BOOL chosen = save ? GetSaveFileNameW(&record) : GetOpenFileNameW(&record);
    return chosen ? 1 : 0;
}
