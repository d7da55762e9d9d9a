#include "CopyBench.h"
#include "CopyTexts.h"
#include "DiscVolume.h"
#include "FirstPass.h"
#include "ImageWriter.h"
#include "MapKeeper.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>

namespace {
const wchar_t kImage[] = L"C:\\images\\disc.iso";
const DWORD kChunk = 500 * 2048;

// The header's reads, then `tail`, then `singles` reads of one sector (a failure's check of the
// disc reads sector 16 once).
std::vector<DWORD> Reads(std::vector<DWORD> tail, unsigned singles = 0)
{
    std::vector<DWORD> all(17, 2048);
    all.insert(all.end(), tail.begin(), tail.end());
    all.insert(all.end(), singles, 2048);
    return all;
}

// One first pass over a disc in memory, in chunks of 500 sectors, into a new image.
struct FirstPassRun : CopyBench
{
    // What the pass left: the image file as written, its map, whether the user chose to go on.
    std::vector<BYTE> image;
    RescueMap map;
    bool skipping = false;

    // The disc has `sectors` sectors and its volume claims volumeSectors (-1: no ISO 9660
    // volume), unless the row put a disc in already.
    PassEnd Run(DWORD sectors, long long volumeSectors)
    {
        if (io.disc.empty())
            io.disc = MakeTestDisc(sectors, volumeSectors);
        DiscVolume disc(io, owner);
        PendingImage pending(io, owner, kImage);
        if (!disc.Open(L"\\\\.\\E:") || !pending.Create())
            return PassEnd::Failed;
        MapKeeper maps(io, pending.WorkMap(), RescueMap(kHeaderSectors));
        const std::size_t bytes = ImageWriter::BufferBytes(kChunk);
        BYTE* first = static_cast<BYTE*>(io.AllocateBuffer(bytes));
        BYTE* second = static_cast<BYTE*>(io.AllocateBuffer(bytes));
        const RunningCopy copy{io, owner, owner, io.clock};
        FirstPass pass(copy, disc, pending, maps, 500);
        const PassEnd end = pass.Run(first, second);
        image = io.files[pending.Names().partial];
        map = maps.Map();
        skipping = pass.Skipping();
        EXPECT_EQ(io.violations, 0);
        EXPECT_EQ(io.mapLies, 0);
        // Whether the image then goes (the user's choice) is the job's to act on.
        return end == PassEnd::Discarded ? PassEnd::Failed : end;
    }
};

struct VolumeCase
{
    long long volumeSectors;
    std::vector<DWORD> reads;
    DWORD imageSectors;
};

TEST(FirstPass, ReadSequenceFollowsTheVolumeSize)
{
    const VolumeCase cases[] = {
        {0, Reads({}), 17},
        {17, Reads({}), 17},
        {18, Reads({2048}), 18},
        {517, Reads({kChunk}), 517},
        {1000, Reads({kChunk, 483 * 2048}), 1000},
        {-1, Reads({kChunk, 183 * 2048}), 700},  // no ISO 9660 volume: the device's size
    };
    for (const VolumeCase& c : cases) {
        SCOPED_TRACE(c.volumeSectors);
        FirstPassRun run;
        // The disc is longer than its volume: only the volume is copied.
        EXPECT_EQ(run.Run(c.volumeSectors < 0 ? c.imageSectors : c.imageSectors + 40, c.volumeSectors), PassEnd::Done);
        EXPECT_EQ(run.io.reads, c.reads);
        EXPECT_TRUE(run.image == DiscPrefix(run.io.disc, c.imageSectors));
        EXPECT_EQ(run.map.Areas(), (std::vector<RescueMap::Area>{{0, c.imageSectors, '+'}}));
        EXPECT_TRUE(run.owner.messages.empty());
    }
}

TEST(FirstPass, ReadsOverlapWritesOneChunkBehindAndProgressCountsThemOnTheHeadersScaleThenTheVolumes)
{
    FirstPassRun run;
    run.Run(1500, 1500);
    // Each write is carried out while the next read is being made.
    std::vector<std::string> transfers{"R0+1", "R1+1"}, progress;
    for (int sector = 2; sector <= 16; ++sector)
        transfers.insert(transfers.end(), {"W2048", "R" + std::to_string(sector) + "+1"});
    transfers.insert(transfers.end(), {"W2048", "R17+500", "W2048", "R517+500", "W1024000", "R1017+483", "W1024000",
                                       "W989184"});
    EXPECT_EQ(run.io.transfers, transfers);
    EXPECT_TRUE(run.image == run.io.disc);
    // The count includes the chunk whose write is in flight; the time is the last read's.
    for (int sector = 1; sector <= 16; ++sector)
        progress.push_back("UpdateProgress(" + std::to_string(sector) + "/1000000," + std::to_string(7 * sector) + ")");
    progress.insert(progress.end(), {"UpdateProgress(17/1500,119)", "UpdateProgress(517/1500,126)",
                                     "UpdateProgress(1017/1500,133)", "UpdateProgress(1500/1500,140)"});
    run.log.erase(std::remove_if(run.log.begin(), run.log.end(),
                                 [](const std::string& entry) { return entry.compare(0, 14, "UpdateProgress") != 0; }),
                  run.log.end());
    EXPECT_EQ(run.log, progress);
}

struct FailureCase
{
    const char* where;
    std::function<void(FakeCopyIO&)> fault;
    int updatesBefore;
    std::string told;      // the owner's call that told it
    std::wstring message;  // what it said beside the system's text
};

TEST(FirstPass, FailedTransferIsToldOnceTheWriteInFlightHasEnded)
{
    // Chunks: 17 single sectors, then 17-516, 517-1016, 1017-1499.
    auto bad = [](ULONGLONG sector) { return [sector](FakeCopyIO& io) { io.script[sector] = "F"; }; };
    // A write is found failed when the next one is due: the count shown may include the chunk
    // whose write was in flight, never more.
    auto full = [](ULONGLONG sector) { return [sector](FakeCopyIO& io) { io.diskSpace = sector * 2048; }; };
    const std::string asked = "AskReadErrorChoice(23)S", reported = "ReportLastError(112)";
    const FailureCase cases[] = {
        {"read, header phase", bad(5), 5, asked, CopyTexts::SectorUnreadable(5)},
        {"read, descriptor", bad(16), 16, asked, CopyTexts::SectorUnreadable(16)},
        {"read, first chunk", bad(300), 17, asked, CopyTexts::SectorUnreadable(300)},
        {"read, middle chunk", bad(700), 18, asked, CopyTexts::SectorUnreadable(700)},
        {"read, last chunk", bad(1200), 19, asked, CopyTexts::SectorUnreadable(1200)},
        {"read, last sector", bad(1499), 19, asked, CopyTexts::SectorUnreadable(1499)},
        {"write, header phase", full(5), 6, reported, L""},
        {"write, first chunk", full(300), 18, reported, L""},
        {"write, middle chunk", full(700), 19, reported, L""},
        {"write, last chunk", full(1200), 20, reported, L""},
        {"image not cut to its length",
         [](FakeCopyIO& io) {
             io.disc = MakeTestDisc(1001, 1001);
             io.imageSector = 4096;
             io.fails[L"SetImageLength"] = ERROR_ACCESS_DENIED;
         },
         19, "ReportLastError(5)", L""},
        {"size guessed", [](FakeCopyIO& io) { io.disc = MakeTestDisc(700, -1), io.sizeKnown = false; }, 16,
         "ShowCopyError", CopyTexts::NoSize()},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.where);
        FirstPassRun run;
        c.fault(run.io);
        EXPECT_EQ(run.Run(1500, 1500), PassEnd::Failed);
        EXPECT_EQ(run.owner.updates, c.updatesBefore);
        EXPECT_EQ(run.Count(c.told), 1);
        EXPECT_EQ(run.owner.messages, run.Told(c.message));
    }
}

struct StopCase
{
    const char* when;
    std::function<void(FirstPassRun&)> stop;
    DWORD kept;  // sectors in the image afterwards
};

TEST(FirstPass, StopKeepsExactlyThePrefixReadAndMapsTheRestAsNotTried)
{
    auto atPoll = [](int poll, long marginal) {
        return [poll, marginal](FirstPassRun& run) {
            run.owner.stopAtPoll = poll;
            run.io.imageSector = 4096;  // a stop mid-unit is cut exactly at its sector
            if (marginal >= 0)
                run.io.script[ULONGLONG(marginal)] = "F";
        };
    };
    auto during = [](bool read, int n) {
        return [read, n](FirstPassRun& run) {
            (read ? run.io.atRead : run.io.atWrite)[n] = [&run] { run.owner.stopRequested = true; };
        };
    };
    const StopCase cases[] = {
        {"first sector", atPoll(1, -1), 1},
        {"header sector", atPoll(3, -1), 3},
        {"last header sector", atPoll(17, -1), 17},
        {"first chunk", atPoll(18, -1), 517},
        {"between attempts at a header sector", atPoll(6, 5), 5},
        {"between attempts at a chunk's sector", atPoll(19, 700), 700},
        {"first read, nothing written yet", during(true, 1), 1},
        {"header read while the sector before is written", during(true, 5), 5},
        {"chunk read while the chunk before is written", during(true, 19), 1017},
        {"chunk write while the next chunk is read", during(false, 18), 1017},
        {"last write", during(false, 20), 1500},
    };
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.when);
        FirstPassRun run;
        c.stop(run);
        EXPECT_EQ(run.Run(1500, 1500), c.kept == 1500 ? PassEnd::Done : PassEnd::Stopped);
        EXPECT_TRUE(run.image == DiscPrefix(run.io.disc, c.kept));
        EXPECT_TRUE(run.owner.messages.empty());
        if (c.kept >= 17 && c.kept < 1500) {
            EXPECT_EQ(run.map.Areas(), (std::vector<RescueMap::Area>{{0, c.kept, '+'}, {c.kept, 1500 - c.kept, '?'}}));
        }
    }
}

struct MarginalSectorCase
{
    const char* where;
    DWORD sector;
    const char* script;  // what each read reaching it does, the chunk read included
    long seeks;          // single reads of it after the first attempt
    bool copied;
};

TEST(FirstPass, MarginalSectorsAreReadAgainUpToFourTimes)
{
    // A chunk read that fails is no attempt at any one sector; a single header read is.
    const MarginalSectorCase cases[] = {
        {"first of a chunk, chunk read only", 517, "F.", 1, true},
        {"first of a chunk, second attempt", 517, "FF.", 2, true},
        {"middle of a chunk, third attempt", 700, "FFF.", 3, true},
        {"last of a chunk, fourth attempt", 1016, "FFFF.", 4, true},
        {"middle of a chunk, never", 700, "F", 4, false},
        {"last sector of the disc, fourth attempt", 1499, "FFFF.", 4, true},
        {"header phase, fourth attempt", 5, "FFF.", 3, true},
        {"header phase, never", 5, "F", 3, false},
        {"retried sector stored at the wrong offset after a short read", 700, "SF.", 1, true},
        {"Try Again gives up on the sector", 700, "FFFFFFFF.", 8, true},
    };
    for (const MarginalSectorCase& c : cases) {
        SCOPED_TRACE(c.where);
        FirstPassRun run;
        run.io.script = {{c.sector, c.script}};
        run.owner.choices = {c.seeks > 4 ? ReadErrorChoice::TryAgain : ReadErrorChoice::Stop, ReadErrorChoice::Stop};
        const std::vector<std::string>& transfers = run.io.transfers;
        EXPECT_EQ(run.Run(1500, 1500), c.copied ? PassEnd::Done : PassEnd::Failed);
        EXPECT_EQ(std::count(transfers.begin(), transfers.end(), "S" + std::to_string(c.sector)), c.seeks);
        EXPECT_EQ(run.image == run.io.disc, c.copied);
        EXPECT_EQ(run.owner.messages.size(), c.copied && c.seeks <= 4 ? 0u : 1u);
        // After a chunk read again sector by sector, the next chunk is read whole.
        EXPECT_TRUE(!c.copied || c.sector >= 1017 || run.io.reads.back() == 483 * 2048);
    }
}

struct ShortReadCase
{
    const char* fault;
    DWORD discSectors;
    std::map<ULONGLONG, std::string> script;
    std::vector<DWORD> reads;
    std::wstring message;  // empty: the disc is copied whole
};

TEST(FirstPass, OnlyAReadThatBringsNothingEndsTheDisc)
{
    const ShortReadCase cases[] = {
        // Some systems return what precedes a bad sector first.
        {"short read taken for the end", 1000, {{700, "S."}}, Reads({kChunk, 483 * 2048, 300 * 2048}), L""},
        {"bad sector after a short read not read again", 1000, {{700, "SF"}},
         Reads({kChunk, 483 * 2048, 300 * 2048}, 4 + 5), CopyTexts::SectorUnreadable(700)},
        {"chunk straddling the end taken for whole", 800, {}, Reads({kChunk, 483 * 2048, 200 * 2048}, 1),
         CopyTexts::DiscEnded(800)},
        {"read at the end taken for whole", 517, {}, Reads({kChunk, 483 * 2048}, 1), CopyTexts::DiscEnded(517)},
        {"header ending early taken for whole", 10, {}, std::vector<DWORD>(11, 2048), CopyTexts::DiscEnded(10)},
        {"single sector read short taken for whole", 1000, {{600, "FS"}}, Reads({kChunk, 483 * 2048}, 2),
         CopyTexts::DiscEnded(600)},
    };
    for (const ShortReadCase& c : cases) {
        SCOPED_TRACE(c.fault);
        FirstPassRun run;
        run.io.disc = MakeTestDisc(c.discSectors, 1000);
        run.io.script = c.script;
        std::vector<DWORD> reads = c.reads;
        if (c.script.count(600))
            reads.insert(reads.end(), 600 - 517 + 1, 2048);  // sector by sector up to the short one
        EXPECT_EQ(run.Run(0, 0), c.message.empty() ? PassEnd::Done : PassEnd::Failed);
        EXPECT_EQ(run.io.reads, reads);
        EXPECT_EQ(run.owner.messages, run.Told(c.message));
    }
}

TEST(FirstPass, OnceTheUserGoesOnUnreadableChunksAreHolesInTheMapSavedAsItGoes)
{
    FirstPassRun run;
    run.io.msPerRead = 3000;
    run.io.imageSector = 4096;  // the header's odd sector waits for its unit, and is not on the disk yet
    run.io.script = {{600, "F"}, {1100, "F"}, {1200, "F"}};
    run.owner.choices = {ReadErrorChoice::SkipAndGoOn};
    EXPECT_EQ(run.Run(2500, 2500), PassEnd::Done);
    EXPECT_TRUE(run.skipping);
    EXPECT_EQ(run.Count("AskReadErrorChoice(23)C"), 1);
    // Every sector of the chunk from the failing one on is a hole, zeros in the image; later
    // chunks that fail are not read again.
    EXPECT_EQ(run.map.Areas(), (std::vector<RescueMap::Area>{{0, 600, '+'}, {600, 917, '*'}, {1517, 983, '+'}}));
    std::vector<BYTE> expected = run.io.disc;
    std::fill(expected.begin() + 600 * 2048, expected.begin() + 1517 * 2048, 0);
    EXPECT_TRUE(run.image == expected);
    // The first hole's map is saved at the next chunk, later ones as they are due.
    EXPECT_EQ(run.Count("ReplaceTextFile"), 3);
    // A medium ending before its volume, after Continue, is one more hole, to the volume's end.
    FirstPassRun aborted;
    aborted.io.script = {{600, "F"}, {1100, "S"}};
    aborted.owner.choices = {ReadErrorChoice::SkipAndGoOn};
    EXPECT_EQ(aborted.Run(2500, 2500), PassEnd::Done);
    EXPECT_EQ(Areas(aborted.map), "0+600 600*417 1017+83 1100*1400");
    EXPECT_EQ(aborted.image.size(), 2500u * 2048);
}

struct LostCase
{
    const char* fault;
    std::string drive;  // read 19 is the chunk from 517
    PassEnd end;
    std::string areas;
};

TEST(FirstPass, ADiscLostEndsThePassKeepingWhatWasReadAndTheRestNotTried)
{
    const LostCase cases[] = {
        {"empty drive taken for a bad sector", std::string(18, '.') + "G", PassEnd::DiscGone, "0+517 517?983"},
        {"another disc read into the image", std::string(18, '.') + "GX", PassEnd::OtherDisc, "0+517 517?983"},
        // After Continue at 517 (its four attempts each checked), the chunk from 1017 is read 29th.
        {"empty drive after Continue taken for a hole", std::string(28, '.') + "G", PassEnd::DiscGone,
         "0+517 517*500 1017?483"},
    };
    for (const LostCase& c : cases) {
        SCOPED_TRACE(c.fault);
        FirstPassRun run;
        run.io.drive = c.drive;
        run.io.script[517] = "F";
        run.owner.choices = {ReadErrorChoice::SkipAndGoOn};
        EXPECT_EQ(run.Run(1500, 1500), c.end);
        EXPECT_EQ(Areas(run.map), c.areas);
        EXPECT_TRUE(run.image == ImageOf(run.io.disc, DWORD(run.image.size() / 2048), run.map));
    }
}
}
