#include "ResumeCheck.h"
#include "CopyIO.h"
#include "CopyQuestions.h"
#include "DisplayPath.h"
#include "ExtendedLengthPath.h"
#include <cstring>

std::wstring ResumeCheck::MapPath(const std::wstring& imagePath)
{
    return ExtendedLengthPath(imagePath + L".map");
}

std::wstring ResumeCheck::FileName(const std::wstring& path)
{
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

ResumeCheck::Decision ResumeCheck::Decide(const std::wstring& imagePath, DWORD discSectors, RescueMap& map)
{
    const std::wstring mapPath = MapPath(imagePath);
    if (mapPath.empty() || io.FileAttributes(mapPath.c_str()) == INVALID_FILE_ATTRIBUTES)
        return Decision::CopyAnew;
    const std::wstring shownMap = DisplayPath(mapPath);
    std::string text;
    if (!io.ReadTextFile(mapPath.c_str(), text))
        return OfferToCopyAnew(L"The map " + shownMap + L" cannot be read.", imagePath);
    std::wstring message;
    if (!RescueMap::Parse(text, discSectors, shownMap, map, message))
        return OfferToCopyAnew(message, imagePath);
    if (!ImageCoversMap(imagePath, map))
        return OfferToCopyAnew(L"The image " + DisplayPath(imagePath) + L" is missing, or shorter than its map "
                                   + shownMap + L" says.",
                               imagePath);
    if (!SameDescriptors(imagePath, map))
        return OfferToCopyAnew(FileName(imagePath) + L" is an image of another disc than the one in the drive.",
                               imagePath);
    const std::wstring question = FileName(imagePath) + L" is missing " + std::to_wstring(map.UnfinishedSectors())
        + L" sectors of this disc. Read only the missing sectors?";
    switch (owner.AskYesNoCancel(question.c_str())) {
    case QuestionAnswer::Yes:
        return Decision::Resume;
    case QuestionAnswer::No:
        return Decision::CopyAnew;
    default:
        return Decision::Cancel;
    }
}

ResumeCheck::Decision ResumeCheck::OfferToCopyAnew(const std::wstring& problem, const std::wstring& imagePath)
{
    const std::wstring question = problem + L"\n\nCopy the whole disc anew and replace " + FileName(imagePath) + L"?";
    return owner.AskToReplace(question.c_str()) ? Decision::CopyAnew : Decision::Cancel;
}

// Every sector the map calls finished must be in the image.
bool ResumeCheck::ImageCoversMap(const std::wstring& imagePath, const RescueMap& map)
{
    ULONGLONG bytes = 0;
    if (!io.FileSize(imagePath.c_str(), bytes))
        return false;
    ULONGLONG needed = 0;
    for (const RescueMap::Area& area : map.AreasOf(RescueMap::kFinished))
        needed = (area.first + area.sectors) * RescueMap::kSectorBytes;
    return bytes >= needed;
}

// The volume descriptors, from sector 16 to the set terminator, as far as the image holds
// them: equal on the disc and in the image, or they are images of different discs. Sector 16,
// the primary descriptor, must be among them.
bool ResumeCheck::SameDescriptors(const std::wstring& imagePath, const RescueMap& map)
{
    const DWORD first = 16;
    if (map.Sectors() <= first || map.StatusOf(first) != RescueMap::kFinished)
        return false;
    BYTE* disc = scratch;
    BYTE* image = scratch + RescueMap::kSectorBytes;
    for (DWORD sector = first; sector < map.Sectors() && sector < first + kMaxDescriptors; ++sector) {
        if (map.StatusOf(sector) != RescueMap::kFinished)
            continue;
        const ULONGLONG offset = ULONGLONG(sector) * RescueMap::kSectorBytes;
        DWORD got = 0, imageGot = 0;
        if (!io.SeekDevice(offset) || !io.ReadDevice(disc, RescueMap::kSectorBytes, got)
            || got != RescueMap::kSectorBytes)
            return sector != first;
        if (!io.ReadFileAt(imagePath.c_str(), offset, image, RescueMap::kSectorBytes, imageGot)
            || imageGot != RescueMap::kSectorBytes || std::memcmp(disc, image, RescueMap::kSectorBytes) != 0)
            return false;
        // Type 255 ends the set.
        if (disc[0] == 255)
            break;
    }
    return true;
}
