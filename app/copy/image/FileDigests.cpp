#include "FileDigests.h"
#include "FileHandle.h"
#include <vector>

bool FileDigests(const wchar_t* path, ImageDigestText& text)
{
    const DWORD kPiece = 1 << 20;
    ImageDigests digests;
    if (digests.Failed())
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
        if (!digests.Add(piece.data(), read))
            return false;
    }
    return digests.Finish(text);
}
