#pragma once
#include <windows.h>
#include <string>
#include <vector>

// What GetVolumeInfo fills; only the label and the success of the query are used.
struct VolumeInfo
{
    wchar_t volumeLabel[33];
    wchar_t fileSystemName[33];
    DWORD serialNumber;
    DWORD fileSystemFlags;
    DWORD maximumComponentLength;
};

// Nonzero when the volume information of rootPath ("E:\") could be read. An empty drive shows
// no system message box: critical errors are switched off around the query, for the calling
// thread only.
BOOL GetVolumeInfo(VolumeInfo& info, const wchar_t* rootPath);

// "E:\" for 'E'.
std::wstring DriveRoot(wchar_t letter);

// A drive list entry: the root, and for a readable volume " - " and its label ("E:\ - LABEL",
// "E:\ - " for an empty label, "E:\" when unreadable). Every entry starts with letter and colon,
// which is how the copy finds its drive.
std::wstring DriveEntryText(wchar_t letter, bool readable, const wchar_t* label);

// The drive letter at the head of an entry, or 0 when the text is not an entry.
wchar_t DriveLetterOf(const std::wstring& entry);

// The entries of every CD-ROM drive, A to Z.
std::vector<std::wstring> ListCdromDrives();

// Which entry to select after the list was rebuilt as `entries` (A to Z, as the sorted list
// shows them). The drive the user had chosen (previousLetter, 0 when none) keeps its selection
// wherever it now stands; when it is gone the same position stays selected if it still exists.
// -1: nothing selected.
int ChooseDriveSelection(const std::vector<std::wstring>& entries, wchar_t previousLetter, int previousIndex);
