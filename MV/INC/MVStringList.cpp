#include "MVStringList.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include "MVStringfunc.h"

MVStringList::~MVStringList()
{
    std::free(buffer);
}

void MVStringList::Reserve(UINT n)
{
    if (n <= capacity)
        return;
    const UINT newCapacity = GrownCapacity(n, granule);
    wchar_t* block = static_cast<wchar_t*>(std::malloc(static_cast<size_t>(newCapacity) * sizeof(wchar_t)));
    if (!block)
        throw std::bad_alloc();
    if (buffer) {
        std::memcpy(block, buffer, static_cast<size_t>(capacity) * sizeof(wchar_t));
        std::free(buffer);
    } else {
        block[0] = L'\0';
    }
    buffer = block;
    capacity = newCapacity;
}

void MVStringList::Add(const wchar_t* text)
{
    if (!text)
        text = L"";
    const UINT n = static_cast<UINT>(std::wcslen(text));
    UINT position;
    if (total == 0) {
        position = 0;
        total = n + 2;
    } else {
        // The list's final extra NUL becomes this text's first unit.
        position = total - 1;
        total += n + 1;
    }
    Reserve(total);
    std::wmemcpy(buffer + position, text, n + 1);
    buffer[position + n + 1] = L'\0';
    ++count;
}
