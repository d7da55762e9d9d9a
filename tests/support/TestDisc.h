#pragma once
#include <windows.h>
#include <cstring>
#include <vector>

// A data disc of `sectors` 2048-byte sectors whose bytes differ from sector to sector and
// within each sector, so that a misplaced or repeated block shows. With volumeSectors >= 0
// sector 16 is an ISO 9660 primary volume descriptor giving that volume size; otherwise it is
// a UDF "BEA01" descriptor, as on a disc without any ISO 9660 volume.
inline std::vector<BYTE> MakeTestDisc(DWORD sectors, long long volumeSectors)
{
    std::vector<BYTE> disc(std::size_t(sectors) * 2048);
    DWORD state = 0x2545F491;
    for (BYTE& b : disc) {
        state = state * 1664525 + 1013904223;
        b = BYTE(state >> 24);
    }
    if (sectors > 16) {
        BYTE* pvd = &disc[16 * 2048];
        std::memset(pvd, 0, 2048);
        if (volumeSectors >= 0) {
            DWORD v = DWORD(volumeSectors);
            pvd[0] = 1;
            std::memcpy(pvd + 1, "CD001", 5);
            pvd[6] = 1;
            const BYTE le[4] = {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)};
            std::memcpy(pvd + 80, le, 4);
            for (int i = 0; i < 4; ++i)
                pvd[84 + i] = le[3 - i];
            pvd[128] = 0x00;
            pvd[129] = 0x08;
            pvd[130] = 0x08;
            pvd[131] = 0x00;
        } else {
            std::memcpy(pvd + 1, "BEA01", 5);
            pvd[6] = 1;
        }
    }
    return disc;
}

// The first `sectors` sectors of a disc.
inline std::vector<BYTE> DiscPrefix(const std::vector<BYTE>& disc, DWORD sectors)
{
    return std::vector<BYTE>(disc.begin(), disc.begin() + std::size_t(sectors) * 2048);
}
