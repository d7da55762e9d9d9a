#pragma once
#include "CopyIO.h"
#include "WriterThread.h"

class ImageDigests;

// Writes the image in whole units of the destination's sector size, as unbuffered writes
// require, although the data arrives in 2048-byte sectors (on a 4096-byte-sector disk the
// 17 header sectors end in the middle of a unit), and writes behind the reads: while one
// buffer is being written, the next chunk is read into the other.
//
// Data is read straight into the current buffer at ReadTarget(), behind the bytes still
// waiting from earlier reads (the carry). Commit waits for the write in flight, starts writing
// every whole unit of the current buffer, and moves the rest to the front of the other buffer,
// which becomes current. Finish writes the last partial unit padded with zeros and cuts the
// image back to the exact length, so the file holds exactly the bytes committed.
//
// With a hash, every byte committed is added to it, in order, exactly as the image holds it
// (never the zero padding of the last unit). Each buffer is hashed on a thread of its own while
// it is written, so neither the reads nor the writes wait for the hash; Drain waits for both. A
// failing hash does not fail the copy: the hash keeps its failure for the caller.
//
// A write in flight is always waited for before this object goes away (also when an exception
// passes), so neither buffer is released under it.
class ImageWriter
{
public:
    // Largest sector size handled; the buffer keeps this much room behind a chunk.
    static const DWORD kMaxUnit = 65536;

    // The write unit for a sector size the destination reports: itself when it is a power of
    // two from 512 to 64 KiB, otherwise 64 KiB, a multiple of every such size.
    static DWORD UnitFor(DWORD sectorSize);
    // Size of each buffer for reads of up to readBytes.
    static std::size_t BufferBytes(DWORD readBytes) { return std::size_t(readBytes) + kMaxUnit; }

    // first, second: BufferBytes() bytes each, aligned for unbuffered transfers.
    ImageWriter(CopyIO& io, BYTE* first, BYTE* second, ImageDigests* hash = nullptr);
    ~ImageWriter();
    ImageWriter(const ImageWriter&) = delete;
    ImageWriter& operator=(const ImageWriter&) = delete;

    BYTE* ReadTarget() const { return buffers[current] + carry; }
    // Accepts `bytes` bytes just read at ReadTarget(); false when a write failed, with the
    // failed write's error as the last error.
    bool Commit(DWORD bytes);
    // Waits for the write and the hash in flight; false when it failed, with its error as the last error.
    bool Drain();
    // Writes what is left and fixes the image length; false when that failed.
    bool Finish();
    ULONGLONG BytesCommitted() const { return committed; }
    // After Drain: the bytes handed to the image so far, all but those waiting for a whole unit.
    ULONGLONG BytesWritten() const { return committed - carry; }

private:
    CopyIO& io;
    ImageDigests* hash;
    WriterThread hasher;
    BYTE* buffers[2];
    int current = 0;
    DWORD unit;
    DWORD carry = 0;
    ULONGLONG committed = 0;
    bool writing = false;
};
