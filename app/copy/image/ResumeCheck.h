#pragma once
#include <windows.h>
#include <string>
#include "RescueMap.h"

class CopyIO;
class CopyQuestions;

// Before a copy onto an image that has a map beside it (NAME.iso.map, left by a copy that
// could not read every sector): whether to read only what the image is missing, copy the disc
// anew, or do nothing. The map and the image are input from disk: a map that cannot be used,
// or an image that is missing, shorter than the map says, or of another disc, is told, and the
// image is replaced only when the user agrees (No is the default).
class ResumeCheck
{
public:
    enum class Decision { CopyAnew, Resume, Cancel };

    // scratch: two sectors, aligned for the device's reads. The device is open; where it is
    // left positioned is not said.
    ResumeCheck(CopyQuestions& owner, CopyIO& io, BYTE* scratch) : owner(owner), io(io), scratch(scratch) {}

    // discSectors: the volume size of the disc in the drive. On Resume, `map` is the image's.
    Decision Decide(const std::wstring& imagePath, DWORD discSectors, RescueMap& map);

    // The map beside an image, as CreateFileW takes it.
    static std::wstring MapPath(const std::wstring& imagePath);
    // The last part of a path: what a user calls the file.
    static std::wstring FileName(const std::wstring& path);

private:
    // Sectors from 16 compared for equal volume descriptors, at most: a disc has a handful.
    static const DWORD kMaxDescriptors = 32;

    Decision OfferToCopyAnew(const std::wstring& problem, const std::wstring& imagePath);
    bool ImageCoversMap(const std::wstring& imagePath, const RescueMap& map);
    bool SameDescriptors(const std::wstring& imagePath, const RescueMap& map);

    CopyQuestions& owner;
    CopyIO& io;
    BYTE* scratch;
};
