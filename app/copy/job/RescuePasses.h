#pragma once
#include "RescueIO.h"
#include "RescueMap.h"

// The return passes over the areas of a disc that the first pass could not read, in the order
// GNU ddrescue documents, so that the sectors most likely to read are read first and each bad
// sector costs as few of a drive's slow failed reads as possible:
//   trimming: each non-trimmed area is read sector by sector from its leading edge until one
//     fails, then from its trailing edge backwards until one fails; the rest is non-scraped;
//   scraping: each non-scraped sector is read once;
//   retrying: the bad sectors are read again, pass after pass, until each has had
//     kReadAttempts in all (the failed read of the first pass and that of trimming or scraping
//     being its first two).
// A sector read is written into the image at once; one that stays unreadable keeps the zeros
// the first pass wrote. The map is saved every kSaveIntervalMs and at the end, each time after
// the image was flushed, so a map on disk never calls a sector finished that is not on disk.
class RescuePasses
{
public:
    static const unsigned kReadAttempts = 4;
    static const DWORD kSaveIntervalMs = 5000;

    enum class Outcome
    {
        Done,     // every pass ran; the map may still hold bad sectors
        Stopped,  // Stop was asked for; the map says where the passes were
        Failed    // an image write, the flush or the map's save failed; its error is the thread's
    };

    // `sectorBuffer`: 2048 bytes, aligned as the disc's reads need. The map holds no
    // non-tried sectors: the first pass has been over the whole disc.
    RescuePasses(RescueIO& io, RescueMap& map, void* sectorBuffer) : io(io), map(map), buffer(sectorBuffer) {}
    RescuePasses(const RescuePasses&) = delete;
    RescuePasses& operator=(const RescuePasses&) = delete;

    Outcome Run();

private:
    enum class Step
    {
        Read,
        Unread,
        Stop,
        Fail
    };

    RescueIO& io;
    RescueMap& map;
    void* buffer;
    DWORD lastSave = 0;
    RescueProgress progress = {};

    Step Trim();
    Step Scrape();
    Step Retry(unsigned pass);
    void StartPass(char phase, unsigned pass);
    Step Try(ULONGLONG sector);
    bool Save(bool evenIfRecent);
};
