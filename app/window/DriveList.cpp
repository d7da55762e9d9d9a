#include "DriveList.h"
#include "ThreadErrorModeScope.h"
#include <algorithm>

BOOL GetVolumeInfo(VolumeInfo& info, const wchar_t* rootPath, VolumeInformationQuery query)
{
    info = VolumeInfo{};
    // An empty drive must answer "not ready", not raise a box on the scanning thread.
    ThreadErrorModeScope errorMode;
    info.maximumComponentLength = 255;
    return query(rootPath, info.volumeLabel, ARRAYSIZE(info.volumeLabel), &info.serialNumber,
                 &info.maximumComponentLength, &info.fileSystemFlags, info.fileSystemName,
                 ARRAYSIZE(info.fileSystemName));
}

std::wstring DriveRoot(wchar_t letter)
{
    return std::wstring{letter, L':', L'\\'};
}

std::wstring DriveEntryText(wchar_t letter, bool readable, const wchar_t* label)
{
    std::wstring entry = DriveRoot(letter);
    if (readable)
    {
        entry += L" - ";
        entry += label ? label : L"";
    }
    return entry;
}

bool IsReadableEntry(const std::wstring& entry)
{
    return DriveLetterOf(entry) && entry.compare(2, 4, L"\\ - ") == 0;
}

bool SameEntries(std::vector<std::wstring> a, std::vector<std::wstring> b)
{
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    return a == b;
}

DriveQueries DriveQueries::System()
{
    DriveQueries queries;
    queries.driveType = [](const wchar_t* root) { return GetDriveTypeW(root); };
    queries.volumeInfo = [](VolumeInfo& info, const wchar_t* root) { return GetVolumeInfo(info, root); };
    return queries;
}

std::vector<std::wstring> ListCdromDrives(const DriveQueries& queries,
                                          const std::function<std::wstring(wchar_t letter)>& busyEntry)
{
    std::vector<std::wstring> entries;
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter)
    {
        const std::wstring busy = busyEntry(letter);
        if (!busy.empty())
        {
            entries.push_back(busy);
            continue;
        }
        const std::wstring root = DriveRoot(letter);
        if (queries.driveType(root.c_str()) != DRIVE_CDROM)
            continue;
        VolumeInfo info;
        const bool readable = queries.volumeInfo(info, root.c_str()) != FALSE;
        entries.push_back(DriveEntryText(letter, readable, info.volumeLabel));
    }
    return entries;
}

int ChooseDriveSelection(const std::vector<std::wstring>& entries, wchar_t previousLetter, int previousIndex)
{
    if (previousLetter)
    {
        for (size_t i = 0; i < entries.size(); ++i)
        {
            if (DriveLetterOf(entries[i]) == previousLetter)
                return static_cast<int>(i);
        }
    }
    if (previousIndex >= 0 && static_cast<size_t>(previousIndex) < entries.size())
        return previousIndex;
    return -1;
}
