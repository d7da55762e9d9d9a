#pragma once
#include <windows.h>

// The byte stream a persistent object writes itself to or reads itself from.
class MVArchive
{
public:
    virtual ~MVArchive() = default;

    // Nonzero when the object is to write itself, 0 when it is to read itself.
    virtual BOOL IsStoring() const = 0;
    virtual void Write(const void* data, UINT bytes) = 0;
    // Fills all of data; a stream that runs dry fills the rest with zero bytes.
    virtual void Read(void* data, UINT bytes) = 0;
};
