#pragma once
#include <windows.h>
#include <bcrypt.h>
#include <cstddef>
#include <string>

// One digest computed by the system's CNG provider (BCRYPT_MD5_ALGORITHM, BCRYPT_SHA1_ALGORITHM,
// BCRYPT_SHA256_ALGORITHM, ...), fed piece by piece. Owns the provider and the hash handles and
// releases both. Not locked: one thread feeds it at a time, and another may take the result
// after handing over.
//
// Every failure leaves the Win32 error code of CNG's status in the calling thread's last error
// (and in Error()), so the caller can report it like any other failed call; once failed, Add
// and Finish keep failing with the same code.
class CngHash
{
public:
    explicit CngHash(const wchar_t* algorithm);
    ~CngHash();
    CngHash(const CngHash&) = delete;
    CngHash& operator=(const CngHash&) = delete;

    bool Add(const void* data, std::size_t bytes);
    // The digest of everything added, in lower-case hex. Ends the hash: no Add or Finish may
    // follow.
    bool Finish(std::string& hex);

    bool Failed() const { return error != ERROR_SUCCESS; }
    DWORD Error() const { return error; }

private:
    bool Check(NTSTATUS status);

    BCRYPT_ALG_HANDLE provider = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ULONG digestBytes = 0;
    DWORD error = ERROR_SUCCESS;
};
