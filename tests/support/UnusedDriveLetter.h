#pragma once
#include <windows.h>
#include "DriveList.h"

// A drive letter that no drive uses, from Z down; 0 when every letter is taken.
inline wchar_t UnusedDriveLetter()
{
    for (wchar_t letter = L'Z'; letter >= L'A'; --letter)
    {
        if (GetDriveTypeW(DriveRoot(letter).c_str()) == DRIVE_NO_ROOT_DIR)
            return letter;
    }
    return 0;
}
