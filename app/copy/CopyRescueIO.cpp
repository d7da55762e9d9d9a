#include "CopyRescueIO.h"
#include "CopyIO.h"
#include "CopyJobOwner.h"
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
    return owner.IsStopRequested();
}

void CopyRescueIO::Progress(const RescueProgress& rescue)
{
    CopyProgress progress;
    progress.phase = rescue.phase == RescueMap::kNonTrimmed ? CopyProgress::Phase::Trimming
        : rescue.phase == RescueMap::kNonScraped            ? CopyProgress::Phase::Scraping
                                                            : CopyProgress::Phase::Retrying;
    progress.sectorsDone = DWORD(rescue.passDone);
    progress.totalSectors = DWORD(rescue.passTotal);
    progress.elapsedMs = io.Milliseconds() - startMs;
    progress.pass = rescue.pass;
    progress.sectorsLeft = DWORD(rescue.unfinished);
    owner.UpdateProgress(progress);
}

DWORD CopyRescueIO::Milliseconds()
{
    return io.Milliseconds();
}
