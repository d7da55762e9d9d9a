// Holds a file open as another program may while Pelmora ends a copy (Explorer with the image
// mounted, a virtual machine with it attached, a scanner): shared for reading only, so that it
// can be neither replaced nor deleted, until a flag file appears.
//   hold_file FILE FLAG    prints "held" once FILE is open; exit code 0 once FLAG exists and
//                          FILE is let go, 1 when FILE cannot be opened, 2 on a usage error
#include <windows.h>

#include <cstdio>

#include "FileHandle.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3)
    {
        std::printf("usage: hold_file FILE FLAG\n");
        return 2;
    }
    const FileHandle file(CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.IsOpen())
    {
        std::printf("cannot open: error %lu\n", GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    // The script that started it may be gone: a bounded hold (ten minutes) never outlives a test run.
    for (int i = 0; i < 30000 && GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(20);
    return 0;
}
