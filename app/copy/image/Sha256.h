#pragma once
#include "CngHash.h"

// The SHA-256 of an image, as the checksum file beside it gives it: 64 lower-case hex
// characters, computed by the system's CNG provider.
class Sha256 : public CngHash
{
public:
    Sha256() : CngHash(BCRYPT_SHA256_ALGORITHM) {}
};
