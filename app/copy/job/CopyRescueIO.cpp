#include "CopyRescueIO.h"
#include "CopyIO.h"
#include "CopyProgressRecord.h"
#include "RescueMap.h"

bool CopyRescueIO::ReadSector(ULONGLONG sector, void* buffer)
{
    DWORD got = 0;
    if (!io.SeekDevice(sector * RescueMap::kSectorBytes) || !io.ReadDevice(buffer, RescueMap::kSectorBytes, got))
        return false;
    if (got != RescueMap::kSectorBytes) {
        SetLastError(ERROR_HANDLE_EOF);
        return false;
    }
    return true;
}

bool CopyRescueIO::WriteSector(ULONGLONG sector, const void* buffer)
{
    return io.PatchImage(sector * RescueMap::kSectorBytes, buffer, RescueMap::kSectorBytes);
}

bool CopyRescueIO::FlushImage()
{
    return io.FlushImage();
}

bool CopyRescueIO::SaveMap(const RescueMap& map)
{
    return io.ReplaceTextFile(mapPath.c_str(), map.Serialize());
}

bool CopyRescueIO::StopRequested()
{
    return progress.StopRequested();
}

void CopyRescueIO::Progress(const RescueProgress& rescue)
{
    CopyProgress now;
    now.phase = rescue.phase == RescueMap::kNonTrimmed ? CopyProgress::Phase::Trimming
        : rescue.phase == RescueMap::kNonScraped            ? CopyProgress::Phase::Scraping
                                                            : CopyProgress::Phase::Retrying;
    now.sectorsDone = DWORD(rescue.passDone);
    now.totalSectors = DWORD(rescue.passTotal);
    now.elapsedMs = io.Milliseconds() - startMs;
    now.pass = rescue.pass;
    now.sectorsLeft = DWORD(rescue.unfinished);
    progress.Update(now);
}

DWORD CopyRescueIO::Milliseconds()
{
    return io.Milliseconds();
}
