#include "ResumePass.h"
#include "CopyQuestions.h"
#include "DiscVolume.h"
#include "MapKeeper.h"
#include "RescuePasses.h"
#include <algorithm>

PassEnd ResumePass::Run(BYTE* buffer)
{
    const PassEnd end = ReadUntried(buffer);
    const RescueMap& map = maps.Map();
    if (end != PassEnd::Done || map.UnfinishedSectors() == 0)
        return end;
    return RescuePasses(copy, disc, maps, buffer).Run();
}

PassEnd ResumePass::ReadUntried(BYTE* buffer)
{
    RescueMap& map = maps.Map();
    CopyProgress now;
    now.phase = CopyProgress::Phase::Copying;
    now.totalSectors = DWORD(map.Count(RescueMap::kNonTried));
    for (const RescueMap::Area& area : map.AreasOf(RescueMap::kNonTried)) {
        for (ULONGLONG sector = area.first; sector < area.first + area.sectors;) {
            if (copy.progress.StopRequested())
                return PassEnd::Stopped;
            const DWORD count = DWORD(std::min<ULONGLONG>(chunkSectors, area.first + area.sectors - sector));
            const bool read = disc.Read(sector, count, buffer);
            if (!read && disc.Lost())
                return disc.LostEnd();
            if (read && !copy.io.PatchImage(sector * kSectorBytes, buffer, count * kSectorBytes))
                return Failed();
            map.Mark(sector, count, read ? RescueMap::kFinished : RescueMap::kNonTrimmed);
            sector += count;
            now.sectorsDone += count;
            map.SetCurrent(sector, RescueMap::kNonTried, 1);
            copy.Report(now);
            if (!maps.SaveIfDue())
                return Failed();
        }
    }
    return PassEnd::Done;
}

PassEnd ResumePass::Failed()
{
    copy.questions.ReportLastError();
    return PassEnd::Failed;
}
