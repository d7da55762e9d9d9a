#pragma once
#include "CopyIO.h"

// Writes the image in whole units of the destination's sector size, as unbuffered writes
// require, although the data arrives in 2048-byte sectors (on a 4096-byte-sector disk the
// 17 header sectors end in the middle of a unit).
//
// Data is read straight into the buffer at ReadTarget(), behind the bytes still waiting from
// earlier reads (the carry). Commit writes every whole unit from the start of the buffer and
// moves the rest to the front. Finish writes the last partial unit padded with zeros and cuts
// the image back to the exact length, so the file holds exactly the bytes committed.
class ImageWriter
{
public:
    // Largest sector size handled; the buffer keeps this much room behind a chunk.
    static const DWORD kMaxUnit = 65536;

    // The write unit for a sector size the destination reports: itself when it is a power of
    // two from 512 to 64 KiB, otherwise 64 KiB, a multiple of every such size.
    static DWORD UnitFor(DWORD sectorSize);
    // Buffer size for reads of up to readBytes.
    static std::size_t BufferBytes(DWORD readBytes) { return std::size_t(readBytes) + kMaxUnit; }

    // buffer: BufferBytes() bytes, aligned for unbuffered transfers.
    ImageWriter(CopyIO& io, BYTE* buffer);
    ImageWriter(const ImageWriter&) = delete;
    ImageWriter& operator=(const ImageWriter&) = delete;

    BYTE* ReadTarget() const { return buffer + carry; }
    DWORD Unit() const { return unit; }
    // Accepts `bytes` bytes just read at ReadTarget(); false when a write failed.
    bool Commit(DWORD bytes);
    // Writes what is left and fixes the image length; false when that failed.
    bool Finish();
    ULONGLONG BytesCommitted() const { return committed; }

private:
    CopyIO& io;
    BYTE* buffer;
    DWORD unit;
    DWORD carry = 0;
    ULONGLONG committed = 0;
};
