#pragma once
#include "CngHash.h"
#include <string>

// The four digests archives record for an image, in lower-case hex: CRC32 (8 digits), MD5,
// SHA-1 and SHA-256.
struct ImageDigestText
{
    std::string crc32, md5, sha1, sha256;
};

// CRC32, MD5, SHA-1 and SHA-256 of the same bytes, fed once while the image is written: the
// CRC from ntdll, the other three from CNG, none computed by code of our own. Threading and
// errors as CngHash: the first failure of any of them is kept (Error()) and left in the thread's
// last error, and every later Add and Finish fails with it.
class ImageDigests
{
public:
    ImageDigests();

    bool Add(const void* data, std::size_t bytes);
    // Ends all four: no Add or Finish may follow. `text` is set only on success.
    bool Finish(ImageDigestText& text);

    bool Failed() const { return error != ERROR_SUCCESS; }
    DWORD Error() const { return error; }

private:
    bool CheckHashes();

    DWORD crc = 0;
    CngHash md5, sha1, sha256;
    DWORD error = ERROR_SUCCESS;
};
