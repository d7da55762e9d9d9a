#pragma once
#include <windows.h>
#include "DriveLetter.h"
#include <functional>
#include <string>
#include <vector>

// What GetVolumeInfo fills; only the label and the success of the query are used.
// The query fails outright when a text does not fit its buffer, and UDF labels can be longer
// than 32 characters: both buffers take the longest text the system hands out.
struct VolumeInfo
{
    wchar_t volumeLabel[MAX_PATH + 1];
    wchar_t fileSystemName[MAX_PATH + 1];
    DWORD serialNumber;
    DWORD fileSystemFlags;
    DWORD maximumComponentLength;
};

// GetVolumeInformationW's shape; tests hand in a volume of their own making.
typedef BOOL(WINAPI* VolumeInformationQuery)(LPCWSTR, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPWSTR, DWORD);

// Nonzero when the volume information of rootPath ("E:\") could be read. An empty drive shows
// no system message box: critical errors are switched off around the query, for the calling
// thread only. The query may take seconds on a drive that spins up or retries a bad sector:
// never call it on a window's thread.
BOOL GetVolumeInfo(VolumeInfo& info, const wchar_t* rootPath, VolumeInformationQuery query = GetVolumeInformationW);

// "E:\" for 'E'.
std::wstring DriveRoot(wchar_t letter);

// A drive list entry: the root, and for a readable volume " - " and its label ("E:\ - LABEL",
// "E:\ - " for an empty label, "E:\" when unreadable). Every entry starts with letter and colon,
// which is how the copy finds its drive.
std::wstring DriveEntryText(wchar_t letter, bool readable, const wchar_t* label);


// The two questions the drive list asks the system about a root ("E:\"); tests answer them.
struct DriveQueries
{
    std::function<UINT(const wchar_t* root)> driveType;
    std::function<BOOL(VolumeInfo& info, const wchar_t* root)> volumeInfo;

    // GetDriveTypeW and GetVolumeInfo.
    static DriveQueries System();
};

// The entries of every CD-ROM drive, A to Z. busyEntry(letter) names the entry of a drive that
// must not be asked (the one being copied), empty for the others; such a drive keeps that entry.
std::vector<std::wstring> ListCdromDrives(const DriveQueries& queries,
                                          const std::function<std::wstring(wchar_t letter)>& busyEntry);

// Whether an entry says its volume could be read ("E:\ - LABEL", "E:\ - "), as DriveEntryText
// writes it.
bool IsReadableEntry(const std::wstring& entry);

// The same entries, whatever order each list has: a sorted combo box orders them by the
// user's locale, which need not put drive letters A to Z.
bool SameEntries(std::vector<std::wstring> a, std::vector<std::wstring> b);

// Which entry to select after the list was rebuilt; `entries` in the order the list shows them. The drive the user had chosen (previousLetter, 0 when none) keeps its selection
// wherever it now stands; when it is gone the same position stays selected if it still exists.
// -1: nothing selected.
int ChooseDriveSelection(const std::vector<std::wstring>& entries, wchar_t previousLetter, int previousIndex);
