#include "TargetRoom.h"
#include "DisplayPath.h"
#include <cwchar>

namespace {
// FAT12, FAT16 and FAT32 keep a file's size in 32 bits.
const ULONGLONG kLargestFatFile = 0xFFFFFFFFull;
const ULONGLONG kTenthOfMB = 100000;
const ULONGLONG kTenthOfGB = 100000000;

bool IsFat(const std::wstring& fileSystem)
{
    const wchar_t* const names[] = {L"FAT", L"FAT12", L"FAT16", L"FAT32"};
    for (const wchar_t* name : names)
        if (_wcsicmp(fileSystem.c_str(), name) == 0)
            return true;
    return false;
}

ULONGLONG Tenths(ULONGLONG bytes, ULONGLONG tenth, bool roundUp)
{
    return bytes / tenth + (roundUp && bytes % tenth != 0 ? 1 : 0);
}

// "4.7 GB" or, below a gigabyte, "24.0 MB" (10^9 and 10^6 bytes), to one decimal. What is
// needed rounds up and what there is rounds down, so that a shortfall never reads as a fit.
std::wstring Size(ULONGLONG bytes, bool roundUp)
{
    ULONGLONG tenths = Tenths(bytes, kTenthOfMB, roundUp);
    const wchar_t* unit = L"MB";
    if (tenths >= 10000) {
        tenths = Tenths(bytes, kTenthOfGB, roundUp);
        unit = L"GB";
    }
    return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10) + L" " + unit;
}
}

std::wstring TargetRoomProblem(ULONGLONG imageBytes, const TargetVolumeInfo& volume)
{
    const std::wstring root = DisplayPath(volume.root);
    const std::wstring needed = Size(imageBytes, true);
    if (imageBytes > kLargestFatFile && IsFat(volume.fileSystem))
        return root + L" is " + volume.fileSystem + L", which cannot hold a file over 4 GB; this image needs "
            + needed + L". Choose a drive formatted NTFS or exFAT.";
    if (volume.freeKnown && imageBytes > volume.freeBytes)
        return L"The image needs " + needed + L"; " + root + L" has " + Size(volume.freeBytes, false) + L" free.";
    return std::wstring();
}
