#pragma once

// Root of the library's persistent text types: a reference count that Release lowers.
// Nothing in the library raises the count, so an object is only ever destroyed by
// Release when its holder has set the count itself.
class MVRefObject
{
public:
    MVRefObject() = default;
    MVRefObject(const MVRefObject&) : refCount(0) {}
    MVRefObject& operator=(const MVRefObject&) { return *this; }

    // Lowers the count; at 0 the object deletes itself (it must live on the heap) and 0 is returned.
    virtual long Release();
    virtual ~MVRefObject() = default;

    long refCount = 0;
};
