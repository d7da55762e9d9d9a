#include "ImageWriter.h"
#include "ImageDigests.h"
#include <cstring>

DWORD ImageWriter::UnitFor(DWORD sectorSize)
{
    bool powerOfTwo = sectorSize != 0 && (sectorSize & (sectorSize - 1)) == 0;
    if (powerOfTwo && sectorSize >= 512 && sectorSize <= kMaxUnit)
        return sectorSize;
    return kMaxUnit;
}

ImageWriter::ImageWriter(CopyIO& io, BYTE* first, BYTE* second, ImageDigests* hash)
    : io(io), hash(hash), buffers{first, second}, unit(UnitFor(io.ImageSectorSize()))
{
}

ImageWriter::~ImageWriter()
{
    if (writing) {
        DWORD error = GetLastError();
        Drain();
        SetLastError(error);
    }
}

bool ImageWriter::Drain()
{
    if (!writing)
        return true;
    writing = false;
    hasher.Finish();
    return io.FinishImageWrite();
}

bool ImageWriter::Commit(DWORD bytes)
{
    // The other buffer is free only once its write has ended.
    if (!Drain())
        return false;
    DWORD pending = carry + bytes;
    DWORD whole = pending - pending % unit;
    BYTE* full = buffers[current];
    current = 1 - current;
    std::memcpy(buffers[current], full + whole, pending - whole);
    carry = pending - whole;
    committed += bytes;
    if (whole != 0) {
        io.StartImageWrite(full, whole);
        if (hash) {
            ImageDigests* target = hash;
            hasher.Start([target, full, whole] {
                target->Add(full, whole);
                return true;
            });
        }
        writing = true;
    }
    return true;
}

bool ImageWriter::Finish()
{
    if (!Drain())
        return false;
    if (carry == 0)
        return true;
    BYTE* last = buffers[current];
    if (hash)
        hash->Add(last, carry);
    std::memset(last + carry, 0, unit - carry);
    if (!io.WriteImage(last, unit))
        return false;
    carry = 0;
    return io.SetImageLength(committed);
}
