#include "ImageWriter.h"
#include <cstring>

DWORD ImageWriter::UnitFor(DWORD sectorSize)
{
    bool powerOfTwo = sectorSize != 0 && (sectorSize & (sectorSize - 1)) == 0;
    if (powerOfTwo && sectorSize >= 512 && sectorSize <= kMaxUnit)
        return sectorSize;
    return kMaxUnit;
}

ImageWriter::ImageWriter(CopyIO& io, BYTE* buffer)
    : io(io), buffer(buffer), unit(UnitFor(io.ImageSectorSize()))
{
}

bool ImageWriter::Commit(DWORD bytes)
{
    DWORD pending = carry + bytes;
    DWORD whole = pending - pending % unit;
    if (whole != 0) {
        if (!io.WriteImage(buffer, whole))
            return false;
        std::memmove(buffer, buffer + whole, pending - whole);
    }
    carry = pending - whole;
    committed += bytes;
    return true;
}

bool ImageWriter::Finish()
{
    if (carry == 0)
        return true;
    std::memset(buffer + carry, 0, unit - carry);
    if (!io.WriteImage(buffer, unit))
        return false;
    carry = 0;
    return io.SetImageLength(committed);
}
