#pragma once
#include "RescueIO.h"
#include <string>

class CopyIO;
class CopyProgressRecord;

// The return passes' view of a copy: the disc through the copy's open device, the image opened
// for patching, the map written beside it, Stop and progress through the copy's progress record.
class CopyRescueIO : public RescueIO
{
public:
    // startMs: when the copy began, for the elapsed time of its progress.
    CopyRescueIO(CopyIO& io, CopyProgressRecord& progress, std::wstring mapPath, DWORD startMs)
        : io(io), progress(progress), mapPath(std::move(mapPath)), startMs(startMs)
    {
    }

    bool ReadSector(ULONGLONG sector, void* buffer) override;
    bool WriteSector(ULONGLONG sector, const void* buffer) override;
    bool FlushImage() override;
    bool SaveMap(const RescueMap& map) override;
    bool StopRequested() override;
    void Progress(const RescueProgress& progress) override;
    DWORD Milliseconds() override;

private:
    CopyIO& io;
    CopyProgressRecord& progress;
    std::wstring mapPath;
    DWORD startMs;
};
