#pragma once
#include "RunningCopy.h"

class DiscVolume;
class MapKeeper;
class RescueMap;

// The return passes over the areas of a disc that the first pass could not read, in the order
// GNU ddrescue documents, so that the sectors most likely to read are read first and each bad
// sector costs as few of a drive's slow failed reads as possible:
//   trimming: each non-trimmed area is read sector by sector from its leading edge until one
//     fails, then from its trailing edge backwards until one fails; the rest is non-scraped;
//   scraping: each non-scraped sector is read once;
//   retrying: the bad sectors are read again, pass after pass, until each has had
//     DiscVolume::kReadAttempts in all (the failed read of the first pass and that of trimming
//     or scraping being its first two).
// A sector read is written into the image at once; one that stays unreadable keeps the zeros
// the first pass wrote. The map is saved as its keeper says, and at the end.
class RescuePasses
{
public:
    // `sectorBuffer`: one sector, aligned as the disc's reads need. The image is open for
    // patching, and the map holds no non-tried sectors: the first pass has been over the disc.
    RescuePasses(const RunningCopy& copy, DiscVolume& disc, MapKeeper& maps, void* sectorBuffer);
    RescuePasses(const RescuePasses&) = delete;
    RescuePasses& operator=(const RescuePasses&) = delete;

    // Done: every pass ran, the map may still hold bad sectors; Stopped: the map says where the
    // passes were; Failed: an image write or the map's save failed, and was told; DiscGone,
    // OtherDisc: a failed read found the disc lost (DiscVolume), the map saved as it stood.
    PassEnd Run();

private:
    enum class Step
    {
        Read,
        Unread,
        Stop,
        Fail,
        Lost  // the disc gone, or another in: no sector counts against it
    };

    static bool GoesOn(Step step) { return step == Step::Read || step == Step::Unread; }

    Step Trim();
    Step Scrape();
    Step Retry(unsigned pass);
    void StartPass(char status, unsigned pass);
    Step Try(ULONGLONG sector);

    const RunningCopy& copy;
    DiscVolume& disc;
    MapKeeper& maps;
    RescueMap& map;
    BYTE* buffer;
    // The map status the running pass works on.
    char status = 0;
    CopyProgress now;
};
