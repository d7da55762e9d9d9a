#pragma once
#include <windows.h>
#include <bcrypt.h>
#include <cstddef>
#include <string>

// A SHA-256 digest computed by the system's CNG provider, fed piece by piece. Owns the
// provider and the hash handles and releases both. Not locked: any one thread may feed it at a
// time (the writer thread during a copy), and another may take the result after handing over.
//
// Every failure leaves the Win32 error code of CNG's status in the calling thread's last error
// (and in Error()), so the caller can report it like any other failed call; once failed, Add
// and Finish keep failing with the same code.
class Sha256
{
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    bool Add(const void* data, std::size_t bytes);
    // The digest of everything added, as 64 lower-case hex characters. Ends the hash: no Add or
    // Finish may follow.
    bool Finish(std::string& hex);

    bool Failed() const { return error != ERROR_SUCCESS; }
    DWORD Error() const { return error; }

private:
    bool Check(NTSTATUS status);

    BCRYPT_ALG_HANDLE provider = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    DWORD error = ERROR_SUCCESS;
};
