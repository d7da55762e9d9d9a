#include "CngHash.h"
#include <winternl.h>
#include <vector>

namespace {
// BCryptHashData takes a ULONG count; larger pieces go in several calls.
const std::size_t kLargestPiece = 0x40000000;
}

CngHash::CngHash(const wchar_t* algorithm)
{
    // With no hash object buffer, CNG allocates and frees the hash's memory itself (Windows 7
    // and later).
    ULONG got = 0;
    if (Check(BCryptOpenAlgorithmProvider(&provider, algorithm, nullptr, 0)) &&
        Check(BCryptGetProperty(provider, BCRYPT_HASH_LENGTH, reinterpret_cast<PUCHAR>(&digestBytes),
                                sizeof digestBytes, &got, 0)))
        Check(BCryptCreateHash(provider, &hash, nullptr, 0, nullptr, 0, 0));
}

CngHash::~CngHash()
{
    if (hash)
        BCryptDestroyHash(hash);
    if (provider)
        BCryptCloseAlgorithmProvider(provider, 0);
}

bool CngHash::Add(const void* data, std::size_t bytes)
{
    const BYTE* piece = static_cast<const BYTE*>(data);
    while (!Failed() && bytes != 0) {
        ULONG size = ULONG(bytes < kLargestPiece ? bytes : kLargestPiece);
        // CNG takes a non-const pointer but does not write through it.
        Check(BCryptHashData(hash, const_cast<BYTE*>(piece), size, 0));
        piece += size;
        bytes -= size;
    }
    return Check(0);
}

bool CngHash::Finish(std::string& hex)
{
    if (Failed())
        return Check(0);
    std::vector<BYTE> digest(digestBytes);
    if (!Check(BCryptFinishHash(hash, digest.data(), digestBytes, 0)))
        return false;
    static const char kDigits[] = "0123456789abcdef";
    hex.clear();
    for (BYTE b : digest) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return true;
}

// Records the first failure, and on any failure sets the thread's last error to it.
bool CngHash::Check(NTSTATUS status)
{
    if (!Failed() && status < 0) {
        error = RtlNtStatusToDosError(status);
        if (error == ERROR_SUCCESS || error == ERROR_MR_MID_NOT_FOUND)
            error = ERROR_INTERNAL_ERROR;
    }
    if (Failed())
        SetLastError(error);
    return !Failed();
}
