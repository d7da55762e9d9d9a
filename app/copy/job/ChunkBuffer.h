#pragma once
#include "CopyIO.h"

// Owns one of the copy job's two transfer buffers for the length of a job; not copyable.
class ChunkBuffer
{
public:
    ChunkBuffer(CopyIO& io, std::size_t bytes) : io(io), block(io.AllocateBuffer(bytes)) {}
    ~ChunkBuffer()
    {
        if (block)
            io.FreeBuffer(block);
    }
    ChunkBuffer(const ChunkBuffer&) = delete;
    ChunkBuffer& operator=(const ChunkBuffer&) = delete;

    BYTE* Get() const { return static_cast<BYTE*>(block); }

private:
    CopyIO& io;
    void* block;
};
