#pragma once
#include "RunningCopy.h"
#include "CopyOutcome.h"
#include "PendingImage.h"
#include <string>

class DiscVolume;
class ImageWriter;
class MapKeeper;

// The first pass over the disc, from sector 0 to the end of its volume, into a new image:
// sectors 0 to 16 one at a time, the volume's size from sector 16 (DiscVolume), the room for it
// on the target, then chunks of `chunkSectors` sectors.
//
// Reads overlap writes: while one chunk is written (on the I/O's writer thread), the next is
// read into a second buffer, and hashed as written. A chunk that cannot be read is read again
// sector by sector, each sector up to DiscVolume::kReadAttempts times, so a marginal sector that
// reads on a later attempt is still copied exactly. A sector that fails every attempt ends the
// copy, unless the user chooses to go on: from then on a chunk that fails is left as zeros in
// the image and marked non-trimmed in the map, and the pass reads on to the end of the disc (a
// medium that ends before it makes the rest of the volume such a hole, without reading it);
// once a hole is marked, the map is saved every few seconds (MapKeeper). Stop is honoured
// between chunks and between attempts at a marginal sector; the image then holds exactly the
// sectors read before it. So it does when a failed read finds the disc gone or another one in
// (DiscVolume): the pass ends there, the sectors not read yet not tried in the map.
class FirstPass
{
public:
    FirstPass(const RunningCopy& copy, DiscVolume& disc, PendingImage& image, MapKeeper& maps, DWORD chunkSectors)
        : copy(copy), disc(disc), image(image), maps(maps), chunkSectors(chunkSectors)
    {
    }
    FirstPass(const FirstPass&) = delete;
    FirstPass& operator=(const FirstPass&) = delete;

    // first, second: ImageWriter::BufferBytes(chunkSectors * kSectorBytes) bytes each. At the
    // end (also when stopped) the map calls every sector in the image finished but the holes.
    PassEnd Run(BYTE* first, BYTE* second);
    // The user chose to go on past unreadable sectors.
    bool Skipping() const { return skipping; }
    // The hash of the image as written.
    const ImageDigest& Digest() const { return digest; }

private:
    PassEnd ReadSectors(ImageWriter& writer, DWORD firstSector, DWORD count, DWORD& sectorsRead);
    PassEnd RereadEachSector(ImageWriter& writer, DWORD firstSector, DWORD from, DWORD count, unsigned attemptsMade,
                             DWORD& sectorsRead);
    PassEnd Lost(DWORD from, DWORD& sectorsRead);
    PassEnd SkipRest(ImageWriter& writer, DWORD firstSector, DWORD from, DWORD count, DWORD& sectorsRead);
    bool SaveMapIfDue(ImageWriter& writer);
    ReadErrorChoice AskAfterDrain(ImageWriter& writer, const std::wstring& detail);
    void ShowShortRead(ImageWriter& writer, DWORD sectorsRead);

    const RunningCopy& copy;
    DiscVolume& disc;
    PendingImage& image;
    MapKeeper& maps;
    const DWORD chunkSectors;
    bool skipping = false;
    bool mediumEnded = false;
    ImageDigest digest;
};
