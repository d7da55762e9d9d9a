#include "TargetRoom.h"
#include <gtest/gtest.h>

namespace {
TEST(TargetRoom, MessageSaysWhatIsNeededAndWhatThereIs)
{
    const ULONGLONG kFatLargest = 0xFFFFFFFFull;
    const struct { const char* fault; ULONGLONG image; bool freeKnown; ULONGLONG free; const wchar_t* fileSystem;
                   std::wstring message; } rows[] = {
        {"no room", 4700000000, true, 1200000000, L"NTFS", L"The image needs 4.7 GB; K:\\ has 1.2 GB free."},
        {"a shortfall rounds to a fit", 4700000001, true, 4700000000, L"NTFS",
         L"The image needs 4.8 GB; K:\\ has 4.7 GB free."},
        {"small sizes read 0.0 GB", 24000000, true, 7999999, L"NTFS", L"The image needs 24.0 MB; K:\\ has 7.9 MB free."},
        {"exactly enough refused", 4700000000, true, 4700000000, L"NTFS", L""},
        {"FAT32 limit off by one", kFatLargest, true, 100000000000, L"FAT32", L""},
        {"FAT32 just over", kFatLargest + 1, true, 100000000000, L"FAT32",
         L"K:\\ is FAT32, which cannot hold a file over 4 GB; this image needs 4.3 GB. Choose a drive formatted NTFS or exFAT."},
        {"FAT before free space", 7900000000, true, 1000, L"FAT",
         L"K:\\ is FAT, which cannot hold a file over 4 GB; this image needs 7.9 GB. Choose a drive formatted NTFS or exFAT."},
        {"exFAT taken for FAT", 8500000000, true, 100000000000, L"exFAT", L""},
        {"unknown free space taken as none", 4700000000, false, 0, L"NTFS", L""},
        {"unknown file system", 8500000000, true, 100000000000, L"", L""},
    };
    for (const auto& row : rows) {
        TargetVolumeInfo volume;
        volume.root = row.image == 4700000000 ? L"\\\\?\\K:\\" : L"K:\\";  // shown without the prefix
        volume.freeKnown = row.freeKnown;
        volume.freeBytes = row.free;
        volume.fileSystem = row.fileSystem;
        EXPECT_EQ(TargetRoomProblem(row.image, volume), row.message) << row.fault;
    }
}
}
