#pragma once
#include <windows.h>

// The rule of unbuffered transfers on Windows: buffer address, byte count and file offset are
// all multiples of the volume's sector size (a power of two). A zero sector size never passes.
inline bool IsAlignedTransfer(const void* buffer, DWORD bytes, ULONGLONG offset, DWORD sectorSize)
{
    if (sectorSize == 0)
        return false;
    return reinterpret_cast<ULONG_PTR>(buffer) % sectorSize == 0 && bytes % sectorSize == 0
        && offset % sectorSize == 0;
}
