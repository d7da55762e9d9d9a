#include "CopyBench.h"
#include "CopyTexts.h"
#include "DiscVolume.h"
#include "ImageSideFiles.h"
#include "ResumeCheck.h"
#include <gtest/gtest.h>

namespace {
const wchar_t kImage[] = L"C:\\images\\disc.iso";
const wchar_t kMap[] = L"C:\\images\\disc.iso.map";

// What the map parser says of `text`, for a disc of 1500 sectors.
std::wstring ParseProblem(const std::string& text)
{
    RescueMap map;
    std::wstring message;
    RescueMap::Parse(text, 1500, kMap, map, message);
    return message;
}

struct DecideCase
{
    const char* fault;
    std::string mapEdit;   // appended to the map; "cut": its last line cut off
    std::string imageEdit;  // "none", "short", "other disc", or "" for the image as the map says
    QuestionAnswer answer;  // to the question whether to read only the missing sectors
    bool replace;           // to the question whether to copy anew
    std::wstring problem;   // why the map cannot be used; empty: it can
    ResumeCheck::Decision decision;
};

TEST(ResumeCheck, OnlyASoundMapOfThisDiscIsOfferedToBeFinished)
{
    using Decision = ResumeCheck::Decision;
    const RescueMap band = MapWith(1500, {{600, 50, '-'}});
    const std::string text = band.Serialize(), cut = text.substr(0, text.rfind("0x"));
    const DecideCase cases[] = {
        {"Yes copies anew", "", "", QuestionAnswer::Yes, false, L"", Decision::Resume},
        {"No finishes the image", "", "", QuestionAnswer::No, false, L"", Decision::CopyAnew},
        {"Cancel copies", "", "", QuestionAnswer::Cancel, false, L"", Decision::Cancel},
        {"cut short map trusted", "cut", "", QuestionAnswer::Yes, false, ParseProblem(cut), Decision::Cancel},
        {"map of a larger disc trusted", "0x002EE000 0x00001000 +\n", "", QuestionAnswer::Yes, false,
         ParseProblem(text + "0x002EE000 0x00001000 +\n"), Decision::Cancel},
        {"hand-edited map trusted", "0x002EE000 0x00000800 x\n", "", QuestionAnswer::Yes, false,
         ParseProblem(text + "0x002EE000 0x00000800 x\n"), Decision::Cancel},
        {"bad map not replaced with consent", "cut", "", QuestionAnswer::Yes, true, ParseProblem(cut),
         Decision::CopyAnew},
        {"unreadable map trusted", "unreadable", "", QuestionAnswer::Yes, false, CopyTexts::MapUnreadable(kMap),
         Decision::Cancel},
        {"missing image trusted", "", "none", QuestionAnswer::Yes, false, CopyTexts::ImageShorterThanMap(kImage, kMap),
         Decision::Cancel},
        {"image shorter than its map trusted", "", "short", QuestionAnswer::Yes, false,
         CopyTexts::ImageShorterThanMap(kImage, kMap), Decision::Cancel},
        {"image of another disc trusted", "", "other disc", QuestionAnswer::Yes, true, CopyTexts::AnotherDisc(kImage),
         Decision::CopyAnew},
    };
    for (const DecideCase& c : cases) {
        SCOPED_TRACE(c.fault);
        CopyBench bench;
        bench.io.disc = MakeTestDisc(1500, 1500);
        bench.owner.resumeAnswer = c.answer;
        bench.owner.replaceAnswer = c.replace;
        std::vector<BYTE> image = ImageOf(bench.io.disc, 1500, band);
        if (c.imageEdit == "short")
            image.resize(1000 * 2048);
        if (c.imageEdit == "other disc")
            image[16 * 2048 + 40] ^= 1;  // the volume's name
        if (c.imageEdit != "none")
            bench.io.files[kImage] = image;
        const std::string map = c.mapEdit == "cut" ? cut : text + c.mapEdit;
        if (c.mapEdit != "unreadable")
            bench.io.files[kMap].assign(map.begin(), map.end());
        DiscVolume disc(bench.io, bench.owner);
        ASSERT_TRUE(disc.Open(L"\\\\.\\E:"));
        RescueMap decided;
        ResumeCheck check(bench.owner, bench.io, disc, static_cast<BYTE*>(bench.io.AllocateBuffer(2 * 2048)));
        EXPECT_EQ(check.Decide(ImageSideFiles(kImage), false, 1500, decided), c.decision);
        const std::wstring question = c.problem.empty() ? CopyTexts::ResumeQuestion(kImage, 50)
                                                        : CopyTexts::CopyAnewQuestion(c.problem, kImage);
        EXPECT_EQ(bench.owner.questions, std::vector<std::wstring>{question});
        EXPECT_EQ(bench.Count("AskToReplace"), c.problem.empty() ? 0 : 1);
        EXPECT_TRUE(c.decision != Decision::Resume || decided == band);
    }
}

// The same checks, on the temporary image and its map a killed or failed copy left: asked with
// what it holds and when it was written; damaged or of another disc, deleted only with consent.
TEST(ResumeCheck, AnUnfinishedCopyIsOfferedWithWhatItHoldsAndDeletedOnlyWithConsent)
{
    using Decision = ResumeCheck::Decision;
    const ImageSideFiles names(kImage);
    const RescueMap band = MapWith(1500, {{600, 50, '-'}});
    FILETIME written = {};
    struct
    {
        const char* fault;
        bool mapThere, otherDisc, consent;
        std::wstring question;
        Decision decision;
    } cases[] = {
        {"sound copy not offered", true, false, false, L"", Decision::Resume},
        {"copy without its map trusted", false, false, false,
         CopyTexts::DiscardQuestion(CopyTexts::MapUnreadable(names.partialMap), names.partial), Decision::Cancel},
        {"copy of another disc kept against consent", true, true, true,
         CopyTexts::DiscardQuestion(CopyTexts::AnotherDisc(names.partial), names.partial), Decision::CopyAnew},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.fault);
        CopyBench bench;
        bench.io.disc = MakeTestDisc(1500, 1500);
        bench.owner.replaceAnswer = c.consent;
        bench.io.files[names.partial] = ImageOf(bench.io.disc, 1500, band);
        bench.io.files[names.partial][16 * 2048 + 40] ^= c.otherDisc;
        const std::string map = band.Serialize();
        if (c.mapThere)
            bench.io.files[names.partialMap].assign(map.begin(), map.end());
        ASSERT_TRUE(!c.mapThere || bench.io.LastWriteTime(names.partialMap.c_str(), written));
        // As a run that picks its own name sees it: only this disc's sound work keeps the name.
        const auto files = bench.io.files;
        EXPECT_EQ(ResumeCheck::OfThisDisc(bench.io, L"\\\\.\\E:", names), c.question.empty());
        EXPECT_TRUE(bench.io.files == files && bench.owner.questions.empty() && bench.io.buffersHeld == 0);
        DiscVolume disc(bench.io, bench.owner);
        ASSERT_TRUE(disc.Open(L"\\\\.\\E:"));
        RescueMap decided;
        ResumeCheck check(bench.owner, bench.io, disc, static_cast<BYTE*>(bench.io.AllocateBuffer(2 * 2048)));
        EXPECT_EQ(check.Decide(names, true, 1500, decided), c.decision);
        const std::wstring asked =
            c.question.empty() ? CopyTexts::UnfinishedQuestion(kImage, names.partial, 1450, 1500, &written) : c.question;
        EXPECT_EQ(bench.owner.questions, std::vector<std::wstring>{asked});
        EXPECT_TRUE(c.decision != Decision::Resume || decided == band);
    }
}
}
