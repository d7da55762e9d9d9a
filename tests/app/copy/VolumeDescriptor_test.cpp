#include "TestDisc.h"
#include "VolumeDescriptor.h"
#include <gtest/gtest.h>

namespace {
struct DescriptorCase
{
    const char* what;
    std::size_t offset;
    BYTE value;
    bool primary;
};

TEST(VolumeDescriptor, OnlyAPrimaryDescriptorGivesTheSize)
{
    const DescriptorCase cases[] = {
        {"untouched", 0, 1, true},
        {"supplementary type", 0, 2, false},
        {"terminator type", 0, 255, false},
        {"boot record type", 0, 0, false},
        {"identifier CD002", 5, '2', false},
        {"identifier BD001", 1, 'B', false},
        {"version 2", 6, 2, false},
        {"block size 2304", 129, 9, false},
        {"block size 2049", 128, 1, false},
        {"big-endian half is not read", 87, 0x55, true},
    };
    for (const DescriptorCase& c : cases) {
        std::vector<BYTE> disc = MakeTestDisc(17, 0x01020304);
        BYTE* sector = &disc[16 * 2048];
        sector[c.offset] = c.value;
        DWORD sectors = 77;
        EXPECT_EQ(ReadPrimaryVolumeSize(sector, sectors), c.primary) << c.what;
        EXPECT_EQ(sectors, c.primary ? 0x01020304u : 77u) << c.what;
    }
}

TEST(VolumeDescriptor, SizesUpToTheFull32BitsAreRead)
{
    const DWORD sizes[] = {0, 17, 1000, 0xFFFFFFFF};
    for (DWORD size : sizes) {
        std::vector<BYTE> disc = MakeTestDisc(17, size);
        DWORD sectors = 0;
        ASSERT_TRUE(ReadPrimaryVolumeSize(&disc[16 * 2048], sectors));
        EXPECT_EQ(sectors, size);
    }
}

TEST(VolumeDescriptor, UdfOnlyDiscHasNone)
{
    std::vector<BYTE> disc = MakeTestDisc(17, -1);
    DWORD sectors = 5;
    EXPECT_FALSE(ReadPrimaryVolumeSize(&disc[16 * 2048], sectors));
}
}
