#pragma once
#include <windows.h>

// A memory DC compatible with another DC, deleted at the end of its scope. Whatever was
// selected into it must be selected out before then (see MVSelection).
class MVMemoryDC
{
public:
    explicit MVMemoryDC(HDC compatibleWith) : dc(CreateCompatibleDC(compatibleWith)) {}
    ~MVMemoryDC()
    {
        if (dc)
            DeleteDC(dc);
    }
    MVMemoryDC(const MVMemoryDC&) = delete;
    MVMemoryDC& operator=(const MVMemoryDC&) = delete;

    HDC Get() const { return dc; }
    explicit operator bool() const { return dc != nullptr; }

private:
    HDC dc;
};
