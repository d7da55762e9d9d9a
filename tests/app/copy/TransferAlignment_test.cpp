#include "TransferAlignment.h"
#include <gtest/gtest.h>

namespace {
struct AlignmentCase
{
    ULONG_PTR address;
    DWORD bytes;
    ULONGLONG offset;
    DWORD sector;
    bool aligned;
};

TEST(TransferAlignment, AddressSizeAndOffsetMustAllBeWholeSectors)
{
    const AlignmentCase cases[] = {
        {0x10000, 4096, 0, 4096, true},
        {0x10000, 1024000, 34816, 2048, true},
        {0x10000, 2048, 0, 4096, false},        // header sector on a 4096-byte disk
        {0x10000, 4096, 34816, 4096, false},    // after the 17 header sectors
        {0x10800, 4096, 0, 4096, false},        // buffer moved by half a unit
        {0x10200, 512, 512, 512, true},
        {0x10000, 1024000, 0, 4096, true},      // 500 sectors: 250 units of 4096
        {0x10000, 1024000, 0, 65536, false},
        {0x10000, 0, 0, 2048, true},
        {0x10000, 2048, 0, 0, false},
        {0x10000, 2048, 0x100000000ULL, 2048, true},
        {0x10000, 2048, 0x100000800ULL + 1, 2048, false},
    };
    for (const AlignmentCase& c : cases)
        EXPECT_EQ(IsAlignedTransfer(reinterpret_cast<const void*>(c.address), c.bytes, c.offset, c.sector), c.aligned)
            << std::hex << c.address << " " << std::dec << c.bytes << " @" << c.offset << " /" << c.sector;
}
}
