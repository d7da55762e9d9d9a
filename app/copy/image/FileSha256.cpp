#include "FileSha256.h"
#include "FileHandle.h"
#include "Sha256.h"
#include <vector>

bool FileSha256(const wchar_t* path, std::string& hex)
{
    const DWORD kPiece = 1 << 20;
    Sha256 sha;
    if (sha.Failed())
        return false;
    FileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.IsOpen())
        return false;
    std::vector<BYTE> piece(kPiece);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), piece.data(), kPiece, &read, nullptr))
            return false;
        if (read == 0)
            break;
        if (!sha.Add(piece.data(), read))
            return false;
    }
    return sha.Finish(hex);
}
