#pragma once
#include <windows.h>
#include <string>

class RescueMap;

// How far the return passes over a scratched disc have come, for the bar and the status line.
struct RescueProgress
{
    char phase;            // RescueMap::kNonTrimmed trimming, kNonScraped scraping, kBadSector retrying
    unsigned pass;         // 1-based, within the phase
    ULONGLONG passDone;    // sectors of this pass dealt with so far
    ULONGLONG passTotal;   // sectors this pass set out to deal with
    ULONGLONG unfinished;  // sectors of the disc not yet in the image
};

// What the return passes need from the copy: the disc, one sector at a time, the image, patched
// in place, and the map beside it. The copy job provides it from its CopyIO.
//
// Every failing operation leaves the reason in the calling thread's last error code.
class RescueIO
{
public:
    virtual ~RescueIO() = default;

    // Reads sector `sector` whole into `buffer` (2048 bytes). A short read is a failure.
    virtual bool ReadSector(ULONGLONG sector, void* buffer) = 0;
    // Writes 2048 bytes into the image at sector `sector`.
    virtual bool WriteSector(ULONGLONG sector, const void* buffer) = 0;
    // Puts every sector written so far on the disk.
    virtual bool FlushImage() = 0;
    // Replaces the map file with this one; only called after FlushImage succeeded.
    virtual bool SaveMap(const RescueMap& map) = 0;
    virtual bool StopRequested() = 0;
    virtual void Progress(const RescueProgress& progress) = 0;
    // Milliseconds of a free-running clock, as CopyIO::Milliseconds.
    virtual DWORD Milliseconds() = 0;
};
