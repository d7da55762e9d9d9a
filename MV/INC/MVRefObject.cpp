#include "MVRefObject.h"

long MVRefObject::Release()
{
    const long count = --refCount;
    if (count == 0)
        delete this;
    return count;
}
