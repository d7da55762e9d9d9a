#pragma once
#include <windows.h>
#include <string>
#include "RescueMap.h"

class CopyIO;
class CopyQuestions;
class DiscVolume;
struct ImageSideFiles;

// Before a copy onto an image that may be finished (its map beside it, left by a copy that
// could not read every sector), or onto a name with an unfinished copy (the temporary image and
// its map, left by a copy that was killed or failed): whether to read only what the image is
// missing, copy the disc anew, or do nothing. The map and the image are input from disk: a map
// that cannot be used, or an image that is missing, shorter than the map says, or of another
// disc, is told, and the image is replaced, or the unfinished copy deleted, only when the user
// agrees (No is the default).
class ResumeCheck
{
public:
    enum class Decision { CopyAnew, Resume, Cancel };

    // scratch: two sectors, aligned for the device's reads. The device is open; where it is
    // left positioned is not said.
    ResumeCheck(CopyQuestions& questions, CopyIO& io, DiscVolume& disc, BYTE* scratch)
        : questions(questions), io(io), disc(disc), scratch(scratch)
    {
    }

    // discSectors: the volume size of the disc in the drive; `unfinished`: the temporary image
    // with its map is looked at, else the chosen image with its own. On Resume, `map` is the
    // image's.
    Decision Decide(const ImageSideFiles& names, bool unfinished, DWORD discSectors, RescueMap& map);

    // Whether the earlier work at `names` (an unfinished copy, or an image with its map) is of
    // the disc in the drive at devicePath, as Decide would find, asking nothing and changing
    // nothing: a run that picks its own name takes another where it is not. True when there is
    // no such work, or only a map whose image has taken its name (the copy settles that one).
    static bool OfThisDisc(CopyIO& io, const std::wstring& devicePath, const ImageSideFiles& names);

private:
    Decision Ask(const ImageSideFiles& names, bool unfinished, const RescueMap& map);
    Decision OfferToCopyAnew(const std::wstring& problem, const ImageSideFiles& names, bool unfinished);
    bool ImageCoversMap(const std::wstring& imagePath, const RescueMap& map);

    CopyQuestions& questions;
    CopyIO& io;
    DiscVolume& disc;
    BYTE* scratch;
};
