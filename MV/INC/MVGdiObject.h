#pragma once
#include <windows.h>

// Owns one GDI object made by this library (pen, brush or bitmap) and deletes it at the end
// of its scope. It must not be selected into a DC by then: declare the owner before the
// MVSelection that selects it, so the selection ends first.
class MVGdiObject
{
public:
    explicit MVGdiObject(HGDIOBJ handle) : handle(handle) {}
    ~MVGdiObject()
    {
        if (handle)
            DeleteObject(handle);
    }
    MVGdiObject(const MVGdiObject&) = delete;
    MVGdiObject& operator=(const MVGdiObject&) = delete;

    HGDIOBJ Get() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }

private:
    HGDIOBJ handle;
};
