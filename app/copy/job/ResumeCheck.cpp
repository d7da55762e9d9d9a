#include "ResumeCheck.h"
#include "CopyIO.h"
#include "CopyQuestions.h"
#include "CopyTexts.h"
#include "DiscVolume.h"
#include "DisplayPath.h"
#include "ImageSideFiles.h"

ResumeCheck::Decision ResumeCheck::Decide(const ImageSideFiles& names, DWORD discSectors, RescueMap& map)
{
    std::string text;
    if (!io.ReadTextFile(names.map.c_str(), text))
        return OfferToCopyAnew(CopyTexts::MapUnreadable(names.map), names.image);
    std::wstring message;
    if (!RescueMap::Parse(text, discSectors, DisplayPath(names.map), map, message))
        return OfferToCopyAnew(message, names.image);
    if (!ImageCoversMap(names.image, map))
        return OfferToCopyAnew(CopyTexts::ImageShorterThanMap(names.image, names.map), names.image);
    if (!disc.SameDiscAs(names.image, map, scratch))
        return OfferToCopyAnew(CopyTexts::AnotherDisc(names.image), names.image);
    const std::wstring question = CopyTexts::ResumeQuestion(names.image, map.UnfinishedSectors());
    switch (questions.AskYesNoCancel(question.c_str())) {
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
    const std::wstring question = CopyTexts::CopyAnewQuestion(problem, imagePath);
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
