#include "VolumeDescriptor.h"
#include <cstring>

namespace {
const BYTE kPrimaryType = 1;
const BYTE kVersion = 1;
const char kStandardId[] = "CD001";
const DWORD kLogicalBlockBytes = 2048;

DWORD LittleEndian32(const BYTE* p)
{
    return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}

DWORD LittleEndian16(const BYTE* p)
{
    return DWORD(p[0]) | DWORD(p[1]) << 8;
}
}

bool ReadPrimaryVolumeSize(const BYTE* sector, DWORD& sectors)
{
    if (sector[0] != kPrimaryType || std::memcmp(sector + 1, kStandardId, 5) != 0 || sector[6] != kVersion)
        return false;
    if (LittleEndian16(sector + 128) != kLogicalBlockBytes)
        return false;
    sectors = LittleEndian32(sector + 80);
    return true;
}
