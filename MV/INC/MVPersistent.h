#pragma once
#include "MVArchive.h"
#include "MVRefObject.h"

// An object that can write itself to an MVArchive and read itself back.
class MVPersistent : public MVRefObject
{
public:
    virtual void Serialize(MVArchive& archive) = 0;
};
