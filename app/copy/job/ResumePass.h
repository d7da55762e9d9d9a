#pragma once
#include "RunningCopy.h"

class DiscVolume;
class MapKeeper;

// Finishing an image kept with sectors missing, in place: the areas its map says were never
// tried (a copy stopped part-way) are read chunk by chunk, then, once none is left, the return
// passes (RescuePasses) come back to the sectors that did not read. The map is saved every few
// seconds as it goes; the caller saves it at the end.
class ResumePass
{
public:
    ResumePass(const RunningCopy& copy, DiscVolume& disc, MapKeeper& maps, DWORD chunkSectors)
        : copy(copy), disc(disc), maps(maps), chunkSectors(chunkSectors)
    {
    }
    ResumePass(const ResumePass&) = delete;
    ResumePass& operator=(const ResumePass&) = delete;

    // buffer: chunkSectors sectors, aligned for the disc's reads; the image is open for patching.
    PassEnd Run(BYTE* buffer);

private:
    PassEnd ReadUntried(BYTE* buffer);
    PassEnd Failed();

    const RunningCopy& copy;
    DiscVolume& disc;
    MapKeeper& maps;
    const DWORD chunkSectors;
};
