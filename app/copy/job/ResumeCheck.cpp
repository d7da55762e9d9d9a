#include "ResumeCheck.h"
#include "ChunkBuffer.h"
#include "CopyIO.h"
#include "CopyQuestions.h"
#include "CopyTexts.h"
#include "DiscVolume.h"
#include "DisplayPath.h"
#include "ImageSideFiles.h"

namespace {
// Told nothing, and says No to giving up the earlier work: what Decide settles by itself.
class NoOneAsked : public CopyQuestions
{
public:
    void ReportLastError() override {}
    void ReportReadError(const wchar_t*) override {}
    ReadErrorChoice AskReadErrorChoice(const wchar_t*) override { return ReadErrorChoice::Stop; }
    void ShowCopyError(const wchar_t*) override {}
    bool AskToContinue(const wchar_t*) override { return false; }
    bool AskToReplace(const wchar_t*) override { return false; }
    QuestionAnswer AskYesNoCancel(const wchar_t*) override { return QuestionAnswer::Yes; }
};
}

bool ResumeCheck::OfThisDisc(CopyIO& io, const std::wstring& devicePath, const ImageSideFiles& names)
{
    const bool unfinished = io.FileAttributes(names.partial.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!unfinished && io.FileAttributes(names.map.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    NoOneAsked silent;
    ChunkBuffer scratch(io, 2 * kSectorBytes);
    DiscVolume disc(io, silent);
    DWORD sectors = 0;
    RescueMap map;
    const std::wstring& held = unfinished ? names.partial : names.image;
    return scratch.Get() && disc.Open(devicePath) && disc.PeekSize(scratch.Get(), sectors, &held) &&
           ResumeCheck(silent, io, disc, scratch.Get()).Decide(names, unfinished, sectors, map) == Decision::Resume;
}

ResumeCheck::Decision ResumeCheck::Decide(const ImageSideFiles& names, bool unfinished, DWORD discSectors,
                                          RescueMap& map)
{
    const std::wstring& image = unfinished ? names.partial : names.image;
    const std::wstring& mapPath = unfinished ? names.partialMap : names.map;
    std::string text;
    if (!io.ReadTextFile(mapPath.c_str(), text))
        return OfferToCopyAnew(CopyTexts::MapUnreadable(mapPath), names, unfinished);
    std::wstring message;
    if (!RescueMap::Parse(text, discSectors, DisplayPath(mapPath), map, message))
        return OfferToCopyAnew(message, names, unfinished);
    if (!ImageCoversMap(image, map))
        return OfferToCopyAnew(CopyTexts::ImageShorterThanMap(image, mapPath), names, unfinished);
    if (!disc.SameDiscAs(image, map, scratch))
        return OfferToCopyAnew(CopyTexts::AnotherDisc(image), names, unfinished);
    return Ask(names, unfinished, map);
}

// Told what the image holds; for an unfinished copy also when it was last written, so that the
// user knows which copy it is.
ResumeCheck::Decision ResumeCheck::Ask(const ImageSideFiles& names, bool unfinished, const RescueMap& map)
{
    FILETIME written = {};
    const bool known = unfinished && io.LastWriteTime(names.partialMap.c_str(), written);
    const std::wstring question = unfinished
        ? CopyTexts::UnfinishedQuestion(names.image, names.partial, map.Count(RescueMap::kFinished), map.Sectors(),
                                        known ? &written : nullptr)
        : CopyTexts::ResumeQuestion(names.image, map.UnfinishedSectors());
    switch (questions.AskYesNoCancel(question.c_str())) {
    case QuestionAnswer::Yes:
        return Decision::Resume;
    case QuestionAnswer::No:
        return Decision::CopyAnew;
    default:
        return Decision::Cancel;
    }
}

ResumeCheck::Decision ResumeCheck::OfferToCopyAnew(const std::wstring& problem, const ImageSideFiles& names,
                                                   bool unfinished)
{
    const std::wstring question = unfinished ? CopyTexts::DiscardQuestion(problem, names.partial)
                                             : CopyTexts::CopyAnewQuestion(problem, names.image);
    return questions.AskToReplace(question.c_str()) ? Decision::CopyAnew : Decision::Cancel;
}

// Every sector the map calls finished must be in the image.
bool ResumeCheck::ImageCoversMap(const std::wstring& imagePath, const RescueMap& map)
{
    ULONGLONG bytes = 0;
    if (!io.FileSize(imagePath.c_str(), bytes))
        return false;
    ULONGLONG needed = 0;
    for (const RescueMap::Area& area : map.AreasOf(RescueMap::kFinished))
        needed = (area.first + area.sectors) * kSectorBytes;
    return bytes >= needed;
}
