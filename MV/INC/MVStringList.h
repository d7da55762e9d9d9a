#pragma once
#include <windows.h>

// Several texts packed into one block, each followed by its NUL, with one more NUL after the
// last: the shape of file-dialog filters. The block grows in steps of `granule` units.
// A block that would pass MaxTextUnits (MVStringfunc.h) throws std::bad_alloc instead, leaving
// the list as it was.
class MVStringList
{
public:
    MVStringList() = default;
    MVStringList(const MVStringList&) = delete;
    MVStringList& operator=(const MVStringList&) = delete;
    virtual ~MVStringList();

    // Makes room for n units; growth goes to the smallest multiple of the granule above n.
    void Reserve(UINT n);
    // Appends one text (null counts as empty).
    void Add(const wchar_t* text);

    // The block, null until the first Add; valid while the list lives and nothing is added.
    const wchar_t* GetBuffer() const { return buffer; }
    UINT GetCount() const { return count; }
    // Units in use, every NUL included; 0 while the list is empty.
    UINT GetTotal() const { return total; }
    UINT GetCapacity() const { return capacity; }

    UINT granule = 260;

private:
    wchar_t* buffer = nullptr;
    UINT capacity = 0;
    UINT total = 0;
    UINT count = 0;
};
