#include "RescuePasses.h"
#include "CopyQuestions.h"
#include "DiscVolume.h"
#include "MapKeeper.h"

RescuePasses::RescuePasses(const RunningCopy& copy, DiscVolume& disc, MapKeeper& maps, void* sectorBuffer)
    : copy(copy), disc(disc), maps(maps), map(maps.Map()), buffer(static_cast<BYTE*>(sectorBuffer))
{
}

PassEnd RescuePasses::Run()
{
    Step step = Trim();
    if (GoesOn(step))
        step = Scrape();
    // The first pass's failed read and the one of trimming or scraping were the first two.
    for (unsigned pass = 1; pass + 2 <= DiscVolume::kReadAttempts && GoesOn(step); ++pass)
        step = Retry(pass);
    if (GoesOn(step) && map.Count(RescueMap::kNonTried) == 0)
        map.SetCurrent(map.CurrentPosition() / kSectorBytes, RescueMap::kFinished, 1);
    if (step == Step::Fail || !maps.Save()) {
        copy.questions.ReportLastError();
        return PassEnd::Failed;
    }
    if (step == Step::Lost)
        return disc.LostEnd();
    return step == Step::Stop ? PassEnd::Stopped : PassEnd::Done;
}

RescuePasses::Step RescuePasses::Trim()
{
    StartPass(RescueMap::kNonTrimmed, 1);
    for (const RescueMap::Area& area : map.AreasOf(RescueMap::kNonTrimmed)) {
        ULONGLONG first = area.first;
        ULONGLONG end = area.first + area.sectors;
        Step step = Step::Read;
        while (first < end && step == Step::Read) {
            step = Try(first);
            if (!GoesOn(step))
                return step;
            ++first;
        }
        step = Step::Read;
        while (end > first && step == Step::Read) {
            step = Try(end - 1);
            if (!GoesOn(step))
                return step;
            --end;
        }
        if (end > first) {
            map.Mark(first, end - first, RescueMap::kNonScraped);
            now.sectorsDone += DWORD(end - first);
        }
    }
    return Step::Read;
}

RescuePasses::Step RescuePasses::Scrape()
{
    StartPass(RescueMap::kNonScraped, 1);
    for (const RescueMap::Area& area : map.AreasOf(RescueMap::kNonScraped))
        for (ULONGLONG sector = area.first; sector < area.first + area.sectors; ++sector) {
            Step step = Try(sector);
            if (!GoesOn(step))
                return step;
        }
    return Step::Read;
}

RescuePasses::Step RescuePasses::Retry(unsigned pass)
{
    StartPass(RescueMap::kBadSector, pass);
    for (const RescueMap::Area& area : map.AreasOf(RescueMap::kBadSector))
        for (ULONGLONG sector = area.first; sector < area.first + area.sectors; ++sector) {
            Step step = Try(sector);
            if (!GoesOn(step))
                return step;
        }
    return Step::Read;
}

void RescuePasses::StartPass(char passStatus, unsigned pass)
{
    status = passStatus;
    now.phase = status == RescueMap::kNonTrimmed ? CopyProgress::Phase::Trimming
        : status == RescueMap::kNonScraped       ? CopyProgress::Phase::Scraping
                                                 : CopyProgress::Phase::Retrying;
    now.pass = pass;
    now.sectorsDone = 0;
    now.totalSectors = DWORD(map.Count(status));
    now.sectorsLeft = DWORD(map.UnfinishedSectors());
}

// Reads one sector, puts it in the image if it reads, and records the result in the map.
RescuePasses::Step RescuePasses::Try(ULONGLONG sector)
{
    if (copy.progress.StopRequested())
        return Step::Stop;
    map.SetCurrent(sector, status, now.pass);
    const DiscVolume::SectorRead got = disc.ReadSector(sector, buffer, 1, nullptr);
    // The sector keeps its status: it was not tried on this disc.
    if (got == DiscVolume::SectorRead::Lost)
        return Step::Lost;
    const bool read = got == DiscVolume::SectorRead::Read;
    if (read && !copy.io.PatchImage(sector * kSectorBytes, buffer, kSectorBytes))
        return Step::Fail;
    map.Mark(sector, 1, read ? RescueMap::kFinished : RescueMap::kBadSector);
    ++now.sectorsDone;
    now.sectorsLeft = DWORD(map.UnfinishedSectors());
    copy.Report(now);
    if (!maps.SaveIfDue())
        return Step::Fail;
    return read ? Step::Read : Step::Unread;
}
