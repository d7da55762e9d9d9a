#include "RescuePasses.h"

RescuePasses::Outcome RescuePasses::Run()
{
    lastSave = io.Milliseconds();
    Step step = Trim();
    if (step != Step::Stop && step != Step::Fail)
        step = Scrape();
    // The first pass's failed read and the one of trimming or scraping were the first two.
    for (unsigned pass = 1; pass + 2 <= kReadAttempts && step != Step::Stop && step != Step::Fail; ++pass)
        step = Retry(pass);
    if (step == Step::Fail)
        return Outcome::Failed;
    if (step != Step::Stop && map.Count(RescueMap::kNonTried) == 0)
        map.SetCurrent(map.CurrentPosition() / RescueMap::kSectorBytes, RescueMap::kFinished, 1);
    if (!Save(true))
        return Outcome::Failed;
    return step == Step::Stop ? Outcome::Stopped : Outcome::Done;
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
            if (step == Step::Stop || step == Step::Fail)
                return step;
            ++first;
        }
        step = Step::Read;
        while (end > first && step == Step::Read) {
            step = Try(end - 1);
            if (step == Step::Stop || step == Step::Fail)
                return step;
            --end;
        }
        if (end > first) {
            map.Mark(first, end - first, RescueMap::kNonScraped);
            progress.passDone += end - first;
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
            if (step == Step::Stop || step == Step::Fail)
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
            if (step == Step::Stop || step == Step::Fail)
                return step;
        }
    return Step::Read;
}

void RescuePasses::StartPass(char phase, unsigned pass)
{
    progress.phase = phase;
    progress.pass = pass;
    progress.passDone = 0;
    progress.passTotal = map.Count(phase);
    progress.unfinished = map.UnfinishedSectors();
}

// Reads one sector, puts it in the image if it reads, and records the result in the map.
RescuePasses::Step RescuePasses::Try(ULONGLONG sector)
{
    if (io.StopRequested())
        return Step::Stop;
    map.SetCurrent(sector, progress.phase, progress.pass);
    bool read = io.ReadSector(sector, buffer);
    if (read && !io.WriteSector(sector, buffer))
        return Step::Fail;
    map.Mark(sector, 1, read ? RescueMap::kFinished : RescueMap::kBadSector);
    ++progress.passDone;
    progress.unfinished = map.UnfinishedSectors();
    io.Progress(progress);
    if (!Save(false))
        return Step::Fail;
    return read ? Step::Read : Step::Unread;
}

bool RescuePasses::Save(bool evenIfRecent)
{
    DWORD now = io.Milliseconds();
    if (!evenIfRecent && now - lastSave < kSaveIntervalMs)
        return true;
    if (!io.FlushImage() || !io.SaveMap(map))
        return false;
    lastSave = now;
    return true;
}
