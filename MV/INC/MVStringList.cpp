#include "MVStringList.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
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
    wchar_t* block = AllocateTextUnits(newCapacity);
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
    const UINT units = TextUnitsSum(std::wcslen(text), 1);
    // The list's final extra NUL becomes this text's first unit.
    const UINT position = total == 0 ? 0 : total - 1;
    const UINT newTotal = TextUnitsSum(position + units, 1);
    Reserve(newTotal);
    std::wmemcpy(buffer + position, text, units);
    buffer[position + units] = L'\0';
    total = newTotal;
    ++count;
}
