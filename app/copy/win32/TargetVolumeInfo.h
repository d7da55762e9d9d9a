#pragma once
#include <windows.h>
#include <string>

// What the volume that will hold the image reports about itself. Each part is known only where
// its query succeeded; an unknown part is not checked.
struct TargetVolumeInfo
{
    // The volume's root as the system names it ("K:\", "\\?\K:\", a mounted folder ...).
    std::wstring root;
    bool freeKnown = false;
    // Free bytes available to this user (quotas included).
    ULONGLONG freeBytes = 0;
    // "NTFS", "FAT32", "exFAT" ...; empty when unknown.
    std::wstring fileSystem;
};
