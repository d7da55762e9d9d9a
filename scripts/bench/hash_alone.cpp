// The benchmark's measure of the four digests alone: hash_alone.exe FILE reads FILE once and
// computes CRC32, MD5, SHA-1 and SHA-256 as the copy does, and prints
// "BYTES bytes hashed in SECONDS s: CRC32 MD5 SHA-1 SHA-256". Exit code 1 when it failed.
#include "FileDigests.h"
#include <cstdio>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fwprintf(stderr, L"usage: hash_alone.exe FILE\n");
        return 2;
    }
    LARGE_INTEGER frequency, start, end, size;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    ImageDigestText text;
    if (!FileDigests(argv[1], text)) {
        std::fwprintf(stderr, L"cannot hash %ls: error %lu\n", argv[1], GetLastError());
        return 1;
    }
    QueryPerformanceCounter(&end);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(argv[1], GetFileExInfoStandard, &data))
        return 1;
    size.LowPart = data.nFileSizeLow;
    size.HighPart = LONG(data.nFileSizeHigh);
    std::printf("%lld bytes hashed in %.3f s: %s %s %s %s\n", size.QuadPart,
                double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart), text.crc32.c_str(),
                text.md5.c_str(), text.sha1.c_str(), text.sha256.c_str());
    return 0;
}
