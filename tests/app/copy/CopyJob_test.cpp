#include "CopyBench.h"
#include "CopyJob.h"
#include "CopyTexts.h"
#include "ImageSideFiles.h"
#include "TargetRoom.h"
#include <gtest/gtest.h>
#include <functional>

namespace {
const wchar_t kImage[] = L"C:\\images\\disc.iso";
const wchar_t kEntry[] = L"E:\\ - MYDISC";
const ImageSideFiles kNames(kImage);
const std::string kOld = "old\n";

// All four digests in one line, to compare at once.
std::string DigestsOf(const std::vector<BYTE>& image)
{
    ImageDigests digests;
    ImageDigestText text;
    EXPECT_TRUE(digests.Add(image.data(), image.size()) && digests.Finish(text));
    return text.crc32 + ' ' + text.md5 + ' ' + text.sha1 + ' ' + text.sha256;
}

std::string ChecksumOf(const std::vector<BYTE>& image)
{
    return ChecksumLine(DigestsOf(image).substr(8 + 1 + 32 + 1 + 40 + 1), kImage);
}

// A whole copy of a disc of 1500 sectors onto the name of an older image with its checksum.
struct JobBench : CopyBench
{
    explicit JobBench(long long volume = 1500)
    {
        io.disc = MakeTestDisc(1500, volume);
        io.files = {{kImage, {1, 2, 3}}, {kNames.checksum, std::vector<BYTE>(kOld.begin(), kOld.end())}};
    }

    CopyOutcome Run(const wchar_t* entry = kEntry)
    {
        CopyJob job(owner, owner, io, 500);
        const CopyOutcome outcome = job.Run(entry, kImage);
        // The digests the report records are those of the image as kept, sectors patched in
        // after the first pass included, and there are none for an image not complete.
        const ImageDigestText& d = job.Facts().digests;
        EXPECT_EQ(d.crc32 + ' ' + d.md5 + ' ' + d.sha1 + ' ' + d.sha256,
                  outcome == CopyOutcome::Completed ? DigestsOf(io.files[kImage]) : "   ");
        // Every end lets go of the buffers, leaves no temporary file and no map that calls a
        // sector finished that the image beside it does not hold.
        EXPECT_EQ(io.buffersHeld, 0);
        EXPECT_EQ(io.violations + io.mapLies, 0);
        EXPECT_TRUE(io.fails.count(L"DeleteImage") || !io.files.count(kNames.partial));
        EXPECT_FALSE(io.files.count(kNames.partialMap));
        return outcome;
    }
    bool OldImageStays() const
    {
        return io.files.at(kImage) == std::vector<BYTE>{1, 2, 3} && Text(kNames.checksum) == kOld;
    }
    // The map left beside the image, read back.
    RescueMap Map() const
    {
        RescueMap map;
        std::wstring message;
        EXPECT_TRUE(RescueMap::Parse(Text(kNames.map), 1500, kNames.map, map, message)) << message;
        return map;
    }
};

struct EarlyCase
{
    const char* fault;
    std::function<void(JobBench&)> arrange;
    std::wstring message;
    CopyOutcome outcome;
};

TEST(CopyJob, ACopyEndedBeforeTheDiscIsReadTouchesNoFile)
{
    auto sessions = [](bool answer, bool stop) {
        return [answer, stop](JobBench& bench) {
            bench.io.sessions = 2;
            bench.owner.answer = answer;
            bench.owner.whileAsking = [&bench, stop] { bench.owner.stopRequested = stop; };
        };
    };
    const DWORD folder = FILE_ATTRIBUTE_DIRECTORY;
    const EarlyCase cases[] = {
        {"copy without a drive", [](JobBench&) {}, CopyTexts::NoDrive(), CopyOutcome::Failed},
        {"copy without buffers", [](JobBench& bench) { bench.io.allocationFails = true; }, CopyTexts::NoMemory(),
         CopyOutcome::Failed},
        {"side file in the way overwritten", [folder](JobBench& bench) { bench.io.attributes[kNames.map] = folder; },
         TargetFileProblem(kNames.map, folder), CopyOutcome::Failed},
        {"drive not opened", [](JobBench& bench) { bench.io.openError = ERROR_NOT_READY; },
         CopyTexts::CannotOpenDrive(L"\\\\.\\E:"), CopyOutcome::Failed},
        {"sessions refused copied", sessions(false, false), L"", CopyOutcome::Stopped},
        {"Stop while asked taken for yes", sessions(true, true), L"", CopyOutcome::Stopped},
        {"disc that cannot be imaged whole copied",
         [](JobBench& bench) { bench.io.sessions = 2, bench.io.disc[16 * 2048] = 0; },
         CopyTexts::SessionsWithoutEnd(2), CopyOutcome::Failed},
    };
    for (const EarlyCase& c : cases) {
        SCOPED_TRACE(c.fault);
        JobBench bench;
        c.arrange(bench);
        const bool noDrive = c.message == CopyTexts::NoDrive();
        EXPECT_EQ(bench.Run(noDrive ? nullptr : kEntry), c.outcome);
        EXPECT_EQ(bench.owner.messages, bench.Told(c.message));
        EXPECT_EQ(bench.owner.questions.size(), bench.io.sessions > 1 && c.message.empty() ? 1u : 0u);
        EXPECT_TRUE(bench.OldImageStays());
        EXPECT_EQ(bench.Count("DeleteImage") + bench.Count("CreateImage") + bench.Count("ReplaceTextFile"), 0);
        EXPECT_EQ(bench.Count("AllocateBuffer"), noDrive ? 0 : 2);
    }
}

TEST(CopyJob, AConfirmedDiscOfSessionsIsCopiedAndTheTimeLineCountsTheCopyNotTheBox)
{
    JobBench bench(100);
    bench.io.sessions = 3;
    bench.owner.whileAsking = [&bench] { bench.io.clock += 60000; };
    EXPECT_EQ(bench.Run(), CopyOutcome::Completed);
    EXPECT_EQ(bench.owner.questions, std::vector<std::wstring>{CopyTexts::SessionsQuestion(3)});
    EXPECT_TRUE(bench.io.files[kImage] == DiscPrefix(bench.io.disc, 100));
    EXPECT_EQ(bench.Count("UpdateProgress(1/1000000,7)"), 1);
    JobBench single(100);
    single.io.sessions = 1;
    EXPECT_EQ(single.Run(), CopyOutcome::Completed);
    EXPECT_TRUE(single.owner.questions.empty());
}

struct FailureCase
{
    const char* fault;
    std::function<void(JobBench&)> arrange;
    std::vector<std::string> order;  // the told failure, then the clean-up
    std::vector<std::wstring> messages;
};

TEST(CopyJob, AFailureIsToldOnceTheDriveIsFreeAndCostsNoOlderFile)
{
    const TargetVolumeInfo full = {L"C:\\", true, 1000000, L"NTFS"};
    const FailureCase cases[] = {
        {"uncreated image told while the drive is held", [](JobBench& bench) { bench.io.fails[L"CreateImage"] = 5; },
         {"CreateImage", "CloseDevice", "ShowCopyError"}, {CopyTexts::CannotCreate(kImage)}},
        {"read failure told after the clean-up", [](JobBench& bench) { bench.io.script[600] = "F"; },
         {"AskReadErrorChoice(23)S", "CloseDevice", "CloseImage", "DeleteImage"}, {CopyTexts::SectorUnreadable(600)}},
        {"image not deleted kept untold",
         [](JobBench& bench) { bench.io.script[600] = "F", bench.io.fails[L"DeleteImage"] = ERROR_ACCESS_DENIED; },
         {"CloseImage", "DeleteImage", "ShowCopyError"},
         {CopyTexts::SectorUnreadable(600), CopyTexts::NotDeleted(kNames.partial)}},
        {"room found only when the disk is full", [full](JobBench& bench) { bench.io.volume = full; },
         {"ShowCopyError", "CloseDevice"}, {TargetRoomProblem(1500 * 2048, full)}},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.fault);
        JobBench bench;
        c.arrange(bench);
        EXPECT_EQ(bench.Run(), CopyOutcome::Failed);
        EXPECT_TRUE(bench.InOrder(c.order)) << ::testing::PrintToString(bench.log);
        EXPECT_EQ(bench.owner.messages, c.messages);
        EXPECT_TRUE(bench.OldImageStays());
    }
}

struct KeptCase
{
    const char* fault;
    std::function<void(JobBench&)> arrange;
    CopyOutcome outcome;
    DWORD sectors;      // in the image
    std::string areas;  // of the map beside it; "-": none
    ULONGLONG missing;  // told as missing; 0: nothing told
    std::wstring told = L"";  // told instead
};

TEST(CopyJob, OnlyAKeptImageTakesTheChosenNameWithWhatDescribesIt)
{
    auto skipping = [](CopyProgress::Phase stopIn) {
        return [stopIn](JobBench& bench) {
            for (ULONGLONG sector = 600; sector < 650; ++sector)
                bench.io.script[sector] = "F";
            bench.owner.choices = {ReadErrorChoice::SkipAndGoOn};
            bench.owner.onProgress = [&bench, stopIn](const CopyProgress& p) {
                const bool at = p.phase == stopIn && (p.phase != CopyProgress::Phase::Copying || p.sectorsDone > 1000);
                bench.owner.stopRequested = bench.owner.stopRequested || at;
            };
        };
    };
    const KeptCase cases[] = {
        {"hash of another image checksummed", [](JobBench&) {}, CopyOutcome::Completed, 1500, "-", 0},
        {"hash of a hole's zeros checksummed",
         [](JobBench& bench) {
             bench.io.script[600] = "FFFFF.";
             bench.owner.choices = {ReadErrorChoice::SkipAndGoOn};
         },
         CopyOutcome::Completed, 1500, "-", 0},
        {"stopped image keeps a checksum of the old one", [](JobBench& bench) { bench.owner.stopAtPoll = 18; },
         CopyOutcome::Stopped, 517, "0+517 517?983", 0},
        {"header mapped as a disc of 17 sectors", [](JobBench& bench) { bench.owner.stopAtPoll = 3; },
         CopyOutcome::Stopped, 3, "-", 0},
        {"rescued image not told", skipping(CopyProgress::Phase::Starting), CopyOutcome::Incomplete, 1500,
         "0+600 600-50 650+850", 50},
        {"image stopped in the first pass not mapped", skipping(CopyProgress::Phase::Copying), CopyOutcome::Stopped,
         1500, "0+600 600*417 1017+483", 417},
        {"Stop during the return passes lost", skipping(CopyProgress::Phase::Retrying), CopyOutcome::Stopped, 1500,
         "0+600 600-50 650+850", 50},
        // Sector 16 peeked at for the old map, the chunk from 517 is the 20th read.
        {"disc gone deleting the image", [](JobBench& bench) { bench.io.drive = std::string(19, '.') + "G"; },
         CopyOutcome::Incomplete, 517, "0+517 517?983", 0, CopyTexts::DiscGone(kImage, kNames.map)},
        {"another disc deleting the image", [](JobBench& bench) { bench.io.drive = std::string(19, '.') + "GX"; },
         CopyOutcome::Incomplete, 517, "0+517 517?983", 0, CopyTexts::DiscSwapped(kImage, kNames.map)},
    };
    for (const KeptCase& c : cases) {
        SCOPED_TRACE(c.fault);
        JobBench bench;
        // An old map beside, which cannot be used: it is replaced with the user's consent.
        bench.io.files[kNames.map] = {'x'};
        bench.owner.replaceAnswer = true;
        c.arrange(bench);
        EXPECT_EQ(bench.Run(), c.outcome);
        EXPECT_EQ(bench.io.openedDevice, L"\\\\.\\E:");
        const RescueMap map = c.areas == "-" ? RescueMap() : bench.Map();
        const std::vector<BYTE> image = ImageOf(bench.io.disc, c.sectors, map);
        EXPECT_TRUE(bench.io.files[kImage] == image);
        EXPECT_EQ(c.areas == "-" ? bench.Text(kNames.map) : Areas(map), c.areas);
        EXPECT_EQ(bench.Text(kNames.checksum), c.outcome == CopyOutcome::Completed ? ChecksumOf(image) : "-");
        std::vector<std::wstring> told;
        if (c.missing)
            told.push_back(CopyTexts::Incomplete(kImage, c.missing, kNames.map));
        if (bench.Count("AskReadErrorChoice(23)C"))
            told.insert(told.begin(), CopyTexts::SectorUnreadable(600));
        EXPECT_EQ(bench.owner.messages, c.told.empty() ? told : bench.Told(c.told));
    }
}

struct ResumeCase
{
    const char* fault;
    std::vector<RescueMap::Area> missing;
    std::function<void(JobBench&)> arrange;
    QuestionAnswer answer;
    CopyOutcome outcome;
    DWORD sectorsRead;  // past the volume descriptors
    std::string areas;  // of the map left; "-": none
};

TEST(CopyJob, AnImageWithItsMapIsFinishedInPlaceReadingOnlyWhatIsMissing)
{
    auto none = [](JobBench&) {};
    const std::vector<RescueMap::Area> band = {{600, 50, '-'}}, rest = {{100, 20, '*'}, {700, 800, '?'}};
    const ResumeCase cases[] = {
        {"finished image without its checksum", band, none, QuestionAnswer::Yes, CopyOutcome::Completed, 50, "-"},
        {"rest of a stopped copy not read", rest, none, QuestionAnswer::Yes, CopyOutcome::Completed, 800 + 20, "-"},
        {"No finishing the image", band, none, QuestionAnswer::No, CopyOutcome::Completed, 983, "-"},
        {"Cancel touching the image", band, none, QuestionAnswer::Cancel, CopyOutcome::Stopped, 0,
         "0+600 600-50 650+850"},
        {"full target refusing a finish that needs no room", band,
         [](JobBench& bench) { bench.io.volume = {L"K:\\", true, 0, L"NTFS"}; }, QuestionAnswer::Yes,
         CopyOutcome::Completed, 50, "-"},
        {"stopped finish not told", band, [](JobBench& bench) { bench.owner.stopAtPoll = 10; }, QuestionAnswer::Yes,
         CopyOutcome::Stopped, 9, "0+609 609-41 650+850"},
        {"failed finish deleting the image", rest, [](JobBench& bench) { bench.io.diskSpace = 1000 * 2048; },
         QuestionAnswer::Yes, CopyOutcome::Failed, 500, "0+100 100*20 120+580 700?800"},
        {"image of a disc whose sector 16 fails no more finished", band,
         [](JobBench& bench) { bench.io.script[16] = "F"; }, QuestionAnswer::Yes, CopyOutcome::Completed, 50, "-"},
        {"image of a disc of two sessions whose sector 16 fails no more finished", band,
         [](JobBench& bench) {
             bench.io.script[16] = "F";
             bench.io.sessions = 2;
         },
         QuestionAnswer::Yes, CopyOutcome::Completed, 50, "-"},
        // Sector 16, 32 descriptors compared, then the chunk from 1200 is the 35th read.
        {"disc gone while finishing taken for holes", rest,
         [](JobBench& bench) { bench.io.drive = std::string(34, '.') + "G"; }, QuestionAnswer::Yes,
         CopyOutcome::Incomplete, 800, "0+100 100*20 120+1080 1200?300"},
    };
    for (const ResumeCase& c : cases) {
        SCOPED_TRACE(c.fault);
        JobBench bench;
        c.arrange(bench);
        bench.owner.resumeAnswer = c.answer;
        const RescueMap before = MapWith(1500, c.missing);
        bench.io.files[kImage] = ImageOf(bench.io.disc, 1500, before);
        const std::string map = before.Serialize();
        bench.io.files[kNames.map].assign(map.begin(), map.end());
        EXPECT_EQ(bench.Run(), c.outcome);
        std::vector<std::wstring> asked{CopyTexts::ResumeQuestion(kImage, before.UnfinishedSectors())};
        if (bench.io.sessions > 1)
            asked.insert(asked.begin(), CopyTexts::SessionsQuestion(bench.io.sessions));
        EXPECT_EQ(bench.owner.questions, asked);
        DWORD read = 0;
        for (const std::string& t : bench.io.transfers)
            if (t[0] == 'R' && std::stoul(t.substr(1)) >= 48)
                read += std::stoul(t.substr(t.find('+') + 1));
        EXPECT_EQ(read, c.sectorsRead);
        const RescueMap left = c.areas == "-" ? RescueMap() : bench.Map();
        EXPECT_EQ(c.areas == "-" ? bench.Text(kNames.map) : Areas(left), c.areas);
        EXPECT_TRUE(bench.io.files[kImage] == (c.areas == "-" ? bench.io.disc : ImageOf(bench.io.disc, 1500, left)));
        const bool complete = c.outcome == CopyOutcome::Completed;
        EXPECT_EQ(bench.Text(kNames.checksum), complete ? ChecksumOf(bench.io.disc) : kOld);
        const bool told = c.outcome == CopyOutcome::Stopped && c.answer == QuestionAnswer::Yes;
        const ULONGLONG missing = left.UnfinishedSectors();
        const std::wstring gone = c.outcome == CopyOutcome::Incomplete ? CopyTexts::DiscGone(kImage, kNames.map) : L"";
        EXPECT_EQ(bench.owner.messages, bench.Told(told ? CopyTexts::Incomplete(kImage, missing, kNames.map) : gone));
    }
}

TEST(CopyJob, AnUnexpectedErrorIsToldAndCostsNoOlderFile)
{
    const std::function<void(JobBench&)> faults[] = {
        [](JobBench& bench) { bench.owner.throwAtUpdate = 18; },
        [](JobBench& bench) { bench.io.createImageThrows = true; },
    };
    for (const auto& fault : faults) {
        JobBench bench;
        fault(bench);
        EXPECT_EQ(bench.Run(), CopyOutcome::Failed);
        EXPECT_EQ(bench.owner.messages, std::vector<std::wstring>{CopyTexts::Unexpected()});
        EXPECT_TRUE(bench.OldImageStays());
    }
}
}

namespace {
// Every map on the disk calls finished only sectors that hold the disc's bytes in the image it
// describes: while the temporary image exists its map is its own; without it, that map belongs
// to the chosen name, and so does NAME.iso.map otherwise.
void NoMapOverClaims(const JobBench& bench)
{
    const auto& files = bench.io.files;
    const bool partial = files.count(kNames.partial) != 0, partialMap = files.count(kNames.partialMap) != 0;
    auto check = [&](const std::wstring& image, const std::wstring& mapPath) {
        RescueMap map;
        std::wstring message;
        ASSERT_TRUE(RescueMap::Parse(bench.Text(mapPath), 1500, mapPath, map, message)) << message;
        const std::vector<BYTE>& bytes = files.at(image);
        for (const RescueMap::Area& area : map.AreasOf(RescueMap::kFinished))
            EXPECT_TRUE(bytes.size() >= (area.first + area.sectors) * 2048
                        && std::equal(bytes.begin() + area.first * 2048, bytes.begin() + (area.first + area.sectors) * 2048,
                                      bench.io.disc.begin() + area.first * 2048));
    };
    if (partial && partialMap)
        check(kNames.partial, kNames.partialMap);
    const std::wstring* own = !partial && partialMap ? &kNames.partialMap : files.count(kNames.map) ? &kNames.map : nullptr;
    if (own)
        check(kImage, *own);
    // The chosen name holds the older image, or one its map or its completeness vouches for.
    EXPECT_TRUE(own || files.at(kImage) == (std::vector<BYTE>{1, 2, 3}) || files.at(kImage) == bench.io.disc);
}

TEST(CopyJob, ACopyKilledAtAnyFileChangeIsFinishedByTheNextCopyReadingOnlyWhatIsMissing)
{
    const std::pair<const char*, std::function<void(JobBench&)>> scenarios[] = {
        {"fresh copy", [](JobBench&) {}},
        {"rescue",
         [](JobBench& bench) {
             bench.io.script[600] = "FFFFF.";
             bench.owner.choices = {ReadErrorChoice::SkipAndGoOn};
         }},
        {"resume",
         [](JobBench& bench) {
             const RescueMap map = MapWith(1500, {{600, 50, '-'}, {900, 600, '?'}});
             bench.io.files[kImage] = ImageOf(bench.io.disc, 1500, map);
             const std::string text = map.Serialize();
             bench.io.files[kNames.map].assign(text.begin(), text.end());
             bench.io.files.erase(kNames.checksum);
         }},
    };
    for (const auto& scenario : scenarios) {
        int points = 0;
        for (int k = 1;; ++k) {
            SCOPED_TRACE(std::string(scenario.first) + ", killed after change " + std::to_string(k));
            JobBench bench;
            bench.io.msPerRead = 2000;  // a map save every few reads
            scenario.second(bench);
            bench.io.crashAfter = k;
            bench.owner.replaceAnswer = true;  // consent to delete an unfinished copy of nothing
            CopyJob(bench.owner, bench.owner, bench.io, 100).Run(kEntry, kImage);
            if (bench.io.changes < k)
                break;
            ++points;
            EXPECT_EQ(bench.io.mapLies, 0);
            NoMapOverClaims(bench);
            // The next copy, on what the disk holds.
            bench.io.crashAfter = 0;
            bench.io.transfers.clear();
            bench.io.script.clear();  // the scratch reads on a later try
            RescueMap left;
            std::wstring message;
            const std::wstring& mapPath = bench.io.files.count(kNames.partialMap) ? kNames.partialMap : kNames.map;
            const bool mapped = RescueMap::Parse(bench.Text(mapPath), 1500, mapPath, left, message);
            EXPECT_EQ(CopyJob(bench.owner, bench.owner, bench.io, 100).Run(kEntry, kImage), CopyOutcome::Completed);
            EXPECT_TRUE(bench.io.files[kImage] == bench.io.disc);
            EXPECT_EQ(bench.Text(kNames.checksum), ChecksumOf(bench.io.disc));
            EXPECT_EQ(bench.Text(kNames.map) + bench.Text(kNames.partialMap) + bench.Text(kNames.partial), "---");
            ULONGLONG read = 0;
            for (const std::string& t : bench.io.transfers)
                if (t[0] == 'R')
                    read += std::stoul(t.substr(t.find('+') + 1));
            // Besides the sectors read to know the disc again, and a first pass's header.
            EXPECT_LE(read, mapped ? left.UnfinishedSectors() + 40 : 1500 + 120);
        }
        std::printf("%s: %d crash points\n", scenario.first, points);
        EXPECT_GT(points, 10);
    }
}
}
