#include "ImageDigests.h"
#include <climits>
#include <initializer_list>
#include <cstdio>

// Exported by ntdll on every Windows since NT 4, but missing from MinGW's headers. It takes
// the CRC so far (0 to begin) and returns it updated, as zlib's crc32 does.
extern "C" DWORD WINAPI RtlComputeCrc32(DWORD initial, const BYTE* data, INT bytes);

ImageDigests::ImageDigests()
    : md5(BCRYPT_MD5_ALGORITHM), sha1(BCRYPT_SHA1_ALGORITHM), sha256(BCRYPT_SHA256_ALGORITHM)
{
    CheckHashes();
}

bool ImageDigests::Add(const void* data, std::size_t bytes)
{
    if (!CheckHashes())
        return false;
    md5.Add(data, bytes);
    sha1.Add(data, bytes);
    sha256.Add(data, bytes);
    if (!CheckHashes())
        return false;
    // The CRC takes an INT count; larger pieces go in several calls.
    const BYTE* piece = static_cast<const BYTE*>(data);
    while (bytes != 0) {
        const std::size_t size = bytes < std::size_t(INT_MAX) ? bytes : std::size_t(INT_MAX);
        crc = RtlComputeCrc32(crc, piece, INT(size));
        piece += size;
        bytes -= size;
    }
    return true;
}

bool ImageDigests::Finish(ImageDigestText& text)
{
    ImageDigestText done;
    if (!CheckHashes() || !md5.Finish(done.md5) || !sha1.Finish(done.sha1) || !sha256.Finish(done.sha256))
        return CheckHashes();
    char crcText[9];
    std::snprintf(crcText, sizeof crcText, "%08lx", static_cast<unsigned long>(crc));
    done.crc32 = crcText;
    text = done;
    return true;
}

// Takes the first failure of the three hashes as this one's, and leaves it in the last error.
bool ImageDigests::CheckHashes()
{
    for (const CngHash* hash : {&md5, &sha1, &sha256})
        if (error == ERROR_SUCCESS && hash->Failed())
            error = hash->Error();
    if (Failed())
        SetLastError(error);
    return !Failed();
}
