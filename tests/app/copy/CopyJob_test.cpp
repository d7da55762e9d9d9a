#include "CopyJob.h"
#include "FakeCopyIO.h"
#include "RecordingOwner.h"
#include "TestDisc.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>

namespace {
const wchar_t kImage[] = L"C:\\images\\disc.iso";
const wchar_t kMap[] = L"C:\\images\\disc.iso.map";
const wchar_t kEntry[] = L"E:\\ - MYDISC";
const DWORD kChunk = 500 * 2048;

std::vector<DWORD> HeaderReads()
{
    return std::vector<DWORD>(17, 2048);
}

std::vector<DWORD> Reads(std::vector<DWORD> tail)
{
    std::vector<DWORD> all = HeaderReads();
    all.insert(all.end(), tail.begin(), tail.end());
    return all;
}

class CopyJobTest : public ::testing::Test
{
protected:
    std::vector<std::string> log;
    FakeCopyIO io{log};
    RecordingOwner owner{log};

    void UseDisc(DWORD sectors, long long volumeSectors) { io.disc = MakeTestDisc(sectors, volumeSectors); }

    void RunJob(const wchar_t* entry = kEntry)
    {
        CopyJob job(owner, owner, io, 500);
        owner.CopyEnded(job.Run(entry, kImage));
    }

    bool ImageExists() const { return io.files.count(kImage) != 0; }
    std::string MapText() const
    {
        return io.files.count(kMap) ? std::string(io.files.at(kMap).begin(), io.files.at(kMap).end()) : "";
    }
    const std::vector<BYTE>& Image() const { return io.files.at(kImage); }

    long Count(const std::string& entry) const { return long(std::count(log.begin(), log.end(), entry)); }

    std::vector<std::string> ProgressCalls() const
    {
        std::vector<std::string> calls;
        for (const std::string& entry : log)
            if (entry.find("UpdateProgress") != std::string::npos)
                calls.push_back(entry);
        return calls;
    }

    // The entries of `sequence` appear in the log one right after the other.
    void ExpectInOrder(const std::vector<std::string>& sequence) const
    {
        auto at = std::search(log.begin(), log.end(), sequence.begin(), sequence.end());
        EXPECT_NE(at, log.end()) << "sequence not found in order: " << ::testing::PrintToString(sequence)
                                 << " in " << ::testing::PrintToString(log);
    }

    // Every path ends idle: the buffers released and, told once as the very last owner call,
    // the outcome.
    void ExpectIdleAtEnd() const
    {
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back().compare(0, 10, "CopyEnded("), 0);
        EXPECT_EQ(Count("CopyEnded(Completed)") + Count("CopyEnded(Stopped)") + Count("CopyEnded(Failed)")
                      + Count("CopyEnded(Incomplete)"),
                  1);
        EXPECT_EQ(io.mapLies, 0);
        // Neither the temporary image nor its map outlives the copy.
        for (const auto& file : io.files)
            EXPECT_TRUE(io.deleteFails || file.first.find(L".pelmora-partial") == std::wstring::npos);
        EXPECT_EQ(io.buffersHeld, 0);
        EXPECT_EQ(Count("AllocateBuffer") - (io.allocationFails ? 2 : 0), Count("FreeBuffer"));
        EXPECT_EQ(io.alignmentViolations, 0);
        EXPECT_EQ(io.protocolViolations, 0);
    }
};

struct VolumeCase
{
    long long volumeSectors;
    std::vector<DWORD> reads;
    DWORD imageSectors;
};

TEST_F(CopyJobTest, ReadSequenceFollowsTheVolumeSize)
{
    const VolumeCase cases[] = {
        {0, HeaderReads(), 17},
        {17, HeaderReads(), 17},
        {18, Reads({2048}), 18},
        {517, Reads({kChunk}), 517},
        {1000, Reads({kChunk, 483 * 2048}), 1000},
    };
    for (const VolumeCase& c : cases) {
        SCOPED_TRACE(c.volumeSectors);
        log.clear();
        io.reads.clear();
        // The disc is longer than its volume: only the volume is copied.
        UseDisc(c.imageSectors + 40, c.volumeSectors);
        RunJob();
        EXPECT_EQ(io.reads, c.reads);
        ASSERT_TRUE(ImageExists());
        EXPECT_TRUE(Image() == DiscPrefix(io.disc, c.imageSectors));
        EXPECT_TRUE(owner.messages.empty());
        EXPECT_EQ(owner.outcomes.back(), CopyOutcome::Completed);
        ExpectIdleAtEnd();
    }
}

TEST_F(CopyJobTest, ProgressIsReportedFromTheFirstSectorOnTheHeadersScaleThenTheVolumes)
{
    UseDisc(1000, 1000);
    RunJob();
    std::vector<std::string> expected;
    for (int sector = 1; sector <= 16; ++sector)
        expected.push_back("UpdateProgress(" + std::to_string(sector) + "/1000000," + std::to_string(7 * sector) + ")");
    expected.insert(expected.end(),
                    {"UpdateProgress(17/1000,119)", "UpdateProgress(517/1000,126)", "UpdateProgress(1000/1000,133)"});
    EXPECT_EQ(ProgressCalls(), expected);
}

TEST_F(CopyJobTest, DevicePathIsTheEntrysDriveLetterAndColon)
{
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"E:\\ - MYDISC", L"\\\\.\\E:"},
        {L"E:\\", L"\\\\.\\E:"},
        {L"Z:", L"\\\\.\\Z:"},
    };
    UseDisc(20, 20);
    for (const auto& c : cases) {
        io.openedDevices.clear();
        RunJob(c.first);
        ASSERT_EQ(io.openedDevices.size(), 1u);
        EXPECT_EQ(io.openedDevices[0], c.second);
    }
}

TEST_F(CopyJobTest, WithoutADriveEntryNothingIsTouched)
{
    const wchar_t* entries[] = {nullptr, L"", L"E", L"1:\\", L":E:", L" E:"};
    UseDisc(20, 20);
    io.files[kImage] = {1, 2, 3};
    for (const wchar_t* entry : entries) {
        log.clear();
        owner.messages.clear();
        RunJob(entry);
        ASSERT_EQ(owner.messages.size(), 1u);
        EXPECT_EQ(owner.messages[0], L"No drive is selected: there is nothing to copy.");
        EXPECT_EQ(Count("AllocateBuffer") + Count("OpenDevice") + Count("DeleteImage") + Count("CreateImage"), 0);
        EXPECT_EQ(Image(), (std::vector<BYTE>{1, 2, 3}));
        ExpectIdleAtEnd();
    }
}

TEST_F(CopyJobTest, BufferAllocationFailureCreatesNothing)
{
    UseDisc(20, 20);
    io.allocationFails = true;
    io.files[kImage] = {7};
    RunJob();
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0], L"There is not enough memory for the copy buffer: no image was made.");
    EXPECT_EQ(Count("OpenDevice") + Count("DeleteImage") + Count("CreateImage"), 0);
    EXPECT_EQ(Image(), std::vector<BYTE>{7});
    ExpectIdleAtEnd();
}

TEST_F(CopyJobTest, DeviceThatCannotBeOpenedLeavesTheOldFileAlone)
{
    UseDisc(20, 20);
    io.openDeviceError = ERROR_NOT_READY;
    io.files[kImage] = {9, 9};
    RunJob();
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0], L"Cannot open drive \\\\.\\E:.");
    EXPECT_EQ(Count("DeleteImage") + Count("CreateImage"), 0);
    EXPECT_EQ(Image(), (std::vector<BYTE>{9, 9}));
    ExpectIdleAtEnd();
}

TEST_F(CopyJobTest, ImageThatCannotBeCreatedClosesTheDeviceBeforeTelling)
{
    UseDisc(20, 20);
    io.createImageError = ERROR_ACCESS_DENIED;
    RunJob();
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0], L"Cannot create file \nC:\\images\\disc.iso.");
    ExpectInOrder({"DeleteImage", "CreateImage", "CloseDevice", "ShowCopyError"});
    EXPECT_FALSE(ImageExists());
    EXPECT_TRUE(io.reads.empty());
    ExpectIdleAtEnd();
}

struct TransferFailureCase
{
    const char* where;
    bool write;     // the image write fails at this sector (the disk is full there), else the read
    long sector;
    int updatesBefore;
};

TEST_F(CopyJobTest, FailedTransferIsReportedThenTheImageIsDeleted)
{
    // Chunks: 17 single sectors, then 17-516, 517-1016, 1017-1499.
    const TransferFailureCase cases[] = {
        {"read, header phase", false, 5, 5},
        {"read, descriptor", false, 16, 16},
        {"read, first chunk", false, 300, 17},
        {"read, middle chunk", false, 700, 18},
        {"read, last chunk", false, 1200, 19},
        {"read, last sector", false, 1499, 19},
        // A write is found failed when the next one is due: the count shown may include the
        // chunk whose write was in flight, never more.
        {"write, header phase", true, 5, 6},
        {"write, first chunk", true, 300, 18},
        {"write, middle chunk", true, 700, 19},
        {"write, last chunk", true, 1200, 20},
    };
    for (const TransferFailureCase& c : cases) {
        SCOPED_TRACE(c.where);
        log.clear();
        owner.updates = 0;
        owner.messages.clear();
        UseDisc(1500, 1500);
        io.script.clear();
        if (!c.write)
            io.script[c.sector] = "F";
        io.diskSpace = c.write ? ULONGLONG(c.sector) * 2048 : ~0ULL;
        RunJob();
        EXPECT_EQ(owner.updates, c.updatesBefore);
        // The box comes first, while the last error is still the failed call's; then the clean-up.
        if (c.write) {
            ExpectInOrder({"ReportLastError(112)", "CloseDevice", "CloseImage", "DeleteImage"});
            EXPECT_TRUE(owner.messages.empty());
        } else {
            ExpectInOrder({"AskReadErrorChoice(23)S", "CloseDevice", "CloseImage", "DeleteImage"});
            ASSERT_EQ(owner.messages.size(), 1u);
            EXPECT_EQ(owner.messages[0], L"Sector " + std::to_wstring(c.sector)
                                             + L" could not be read in 4 attempts: the image would be incomplete "
                                               L"and is deleted.");
        }
        EXPECT_EQ(owner.outcomes.back(), CopyOutcome::Failed);
        EXPECT_FALSE(ImageExists());
        ExpectIdleAtEnd();
    }
}

TEST_F(CopyJobTest, ReadsOverlapWritesOneChunkBehind)
{
    UseDisc(1500, 1500);
    RunJob();
    // Each write is carried out while the next read is being made.
    std::vector<std::string> expected{"R0+1", "R1+1"};
    for (int sector = 2; sector <= 16; ++sector)
        expected.insert(expected.end(), {"W2048", "R" + std::to_string(sector) + "+1"});
    expected.insert(expected.end(), {"W2048", "R17+500", "W2048", "R517+500", "W1024000", "R1017+483", "W1024000",
                                     "W989184"});
    EXPECT_EQ(io.transfers, expected);
    EXPECT_TRUE(Image() == io.disc);
    ExpectIdleAtEnd();
}

struct InFlightStopCase
{
    const char* when;
    int read;     // Stop arrives during this read (1-based), or 0
    int write;    // or during this write
    DWORD kept;
};

TEST_F(CopyJobTest, StopArrivingWhileTransfersAreInFlightKeepsWhatWasRead)
{
    const InFlightStopCase cases[] = {
        {"first read, nothing written yet", 1, 0, 1},
        {"header read while the sector before is written", 5, 0, 5},
        {"chunk read while the chunk before is written", 19, 0, 1017},
        {"chunk write while the next chunk is read", 0, 18, 1017},
        {"last write", 0, 20, 1500},
    };
    for (const InFlightStopCase& c : cases) {
        SCOPED_TRACE(c.when);
        log.clear();
        io.atRead.clear();
        io.atWrite.clear();
        io.reads.clear();
        io.writes.clear();
        io.files.clear();
        owner.stopRequested = false;
        auto stop = [this] { owner.stopRequested = true; };
        if (c.read)
            io.atRead[c.read] = stop;
        else
            io.atWrite[c.write] = stop;
        UseDisc(1500, 1500);
        RunJob();
        ASSERT_TRUE(ImageExists());
        EXPECT_TRUE(Image() == DiscPrefix(io.disc, c.kept));
        EXPECT_EQ(owner.outcomes.back(), c.kept == 1500 ? CopyOutcome::Completed : CopyOutcome::Stopped);
        EXPECT_TRUE(owner.messages.empty());
        ExpectIdleAtEnd();
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

TEST_F(CopyJobTest, MarginalSectorsAreReadAgainUpToFourTimes)
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
    };
    for (const MarginalSectorCase& c : cases) {
        SCOPED_TRACE(c.where);
        log.clear();
        owner.messages.clear();
        io.transfers.clear();
        io.files.clear();
        UseDisc(1500, 1500);
        io.script = {{c.sector, c.script}};
        RunJob();
        EXPECT_EQ(std::count(io.transfers.begin(), io.transfers.end(), "S" + std::to_string(c.sector)), c.seeks);
        EXPECT_EQ(ImageExists(), c.copied);
        if (c.copied) {
            EXPECT_TRUE(Image() == io.disc);
            EXPECT_TRUE(owner.messages.empty());
            EXPECT_EQ(owner.outcomes.back(), CopyOutcome::Completed);
        } else {
            EXPECT_EQ(Count("AskReadErrorChoice(23)S"), 1);
            EXPECT_EQ(owner.outcomes.back(), CopyOutcome::Failed);
        }
        ExpectIdleAtEnd();
    }
}

TEST_F(CopyJobTest, AfterARereadChunkTheNextChunkIsReadWhole)
{
    UseDisc(1500, 1500);
    io.script = {{700, "FF."}};
    RunJob();
    auto reread = std::find(io.transfers.begin(), io.transfers.end(), "R1016+1");
    ASSERT_NE(reread, io.transfers.end());
    EXPECT_NE(std::find(reread, io.transfers.end(), "R1017+483"), io.transfers.end());
    EXPECT_TRUE(Image() == io.disc);
}

TEST_F(CopyJobTest, ShortReadBeforeABadSectorReportsTheReadError)
{
    UseDisc(1000, 1000);
    io.script = {{700, "SF"}};
    RunJob();
    // The chunk from sector 517 comes back with 183 sectors; reading on meets the bad sector,
    // which then fails its single reads.
    EXPECT_EQ(io.reads, Reads({kChunk, 483 * 2048, 300 * 2048, 2048, 2048, 2048, 2048}));
    ExpectInOrder({"AskReadErrorChoice(23)S", "CloseDevice", "CloseImage", "DeleteImage"});
    EXPECT_FALSE(ImageExists());
    ExpectIdleAtEnd();
}

TEST_F(CopyJobTest, ShortReadFollowedByTheRestIsNoEndOfTheDisc)
{
    UseDisc(1000, 1000);
    io.script = {{700, "S."}};
    RunJob();
    EXPECT_EQ(io.reads, Reads({kChunk, 483 * 2048, 300 * 2048}));
    EXPECT_TRUE(owner.messages.empty());
    ASSERT_TRUE(ImageExists());
    EXPECT_TRUE(Image() == io.disc);
}

TEST_F(CopyJobTest, FullDiskIsReportedThenTheImageIsDeleted)
{
    UseDisc(1000, 1000);
    io.diskSpace = 600 * 2048;
    RunJob();
    ExpectInOrder({"ReportLastError(112)", "CloseDevice", "CloseImage", "DeleteImage"});
    // Header and first chunk fit; the second chunk, the last, does not: found when the job
    // waits for it at the end, after counting it.
    EXPECT_EQ(owner.updates, 19);
    EXPECT_FALSE(ImageExists());
    ExpectIdleAtEnd();
}

struct ShortDiscCase
{
    DWORD discSectors;
    long long volumeSectors;
    const wchar_t* message;
};

TEST_F(CopyJobTest, DiscShorterThanItsVolumeNeverLeavesAnImage)
{
    const ShortDiscCase cases[] = {
        // A chunk straddling the end comes back short.
        {800, 1000, L"The disc ended after 800 sectors, before the end of its volume: the image would be "
                    L"incomplete and is deleted."},
        // A read starting at the end comes back empty.
        {517, 1000, L"The disc ended after 517 sectors, before the end of its volume: the image would be "
                    L"incomplete and is deleted."},
        {10, -1, L"The disc ended after 10 sectors, before the end of its volume: the image would be "
                 L"incomplete and is deleted."},
    };
    for (const ShortDiscCase& c : cases) {
        SCOPED_TRACE(c.discSectors);
        log.clear();
        owner.messages.clear();
        UseDisc(c.discSectors, c.volumeSectors);
        RunJob();
        ASSERT_EQ(owner.messages.size(), 1u);
        EXPECT_EQ(owner.messages[0], c.message);
        ExpectInOrder({"ShowCopyError", "CloseDevice", "CloseImage", "DeleteImage"});
        EXPECT_FALSE(ImageExists());
        ExpectIdleAtEnd();
    }
}

TEST_F(CopyJobTest, DiscWithoutIso9660DescriptorIsCopiedWholeByTheDeviceSize)
{
    UseDisc(700, -1);
    RunJob();
    EXPECT_EQ(io.reads, Reads({kChunk, 183 * 2048}));
    ASSERT_TRUE(ImageExists());
    EXPECT_TRUE(Image() == io.disc);
    EXPECT_TRUE(owner.messages.empty());
    ExpectIdleAtEnd();
}

TEST_F(CopyJobTest, DescriptorsThatAreNotPrimaryAreNotTrusted)
{
    UseDisc(600, 20);
    io.disc[16 * 2048] = 2;  // a supplementary descriptor with the same layout
    RunJob();
    ASSERT_TRUE(ImageExists());
    EXPECT_EQ(Image().size(), 600u * 2048);
}

TEST_F(CopyJobTest, DiscWithoutDescriptorOrDeviceSizeIsNotGuessed)
{
    UseDisc(700, -1);
    io.deviceSizeKnown = false;
    RunJob();
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0], L"The disc has no ISO 9660 volume descriptor and the drive cannot tell its size: "
                                 L"the image would be incomplete and is deleted.");
    EXPECT_EQ(io.reads, HeaderReads());
    ExpectInOrder({"ShowCopyError", "CloseDevice", "CloseImage", "DeleteImage"});
    EXPECT_FALSE(ImageExists());
    ExpectIdleAtEnd();
}

struct StopCase
{
    int poll;             // the poll of the stop request that answers yes
    DWORD kept;           // sectors in the image afterwards
    long marginal = -1;   // a sector that never reads: the stop comes between its attempts
};

TEST_F(CopyJobTest, StopKeepsAPrefixOfTheDisc)
{
    const StopCase cases[] = {{1, 1}, {3, 3}, {17, 17}, {18, 517}, {6, 5, 5}, {19, 700, 700}};
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.poll);
        log.clear();
        owner.polls = 0;
        owner.stopAtPoll = c.poll;
        io.files.clear();
        UseDisc(1000, 1000);
        io.script.clear();
        if (c.marginal >= 0)
            io.script[c.marginal] = "F";
        RunJob();
        ASSERT_TRUE(ImageExists());
        EXPECT_TRUE(Image() == DiscPrefix(io.disc, c.kept));
        EXPECT_EQ(Count("DeleteImage"), 1);  // only the one before creating it
        EXPECT_TRUE(owner.messages.empty());
        EXPECT_EQ(owner.outcomes.back(), CopyOutcome::Stopped);
        // Once the disc's size is known, the rest is marked not tried, to be finished later.
        std::wstring message;
        RescueMap map;
        EXPECT_EQ(io.files.count(kMap) != 0, c.kept >= 17);
        if (c.kept >= 17 && RescueMap::Parse(MapText(), 1000, kMap, map, message)) {
            EXPECT_EQ(map.Areas(), (std::vector<RescueMap::Area>{{0, c.kept, '+'}, {c.kept, 1000 - c.kept, '?'}}));
        }
        ExpectIdleAtEnd();
    }
}

TEST_F(CopyJobTest, OldLongerFileLeavesNoneOfItsBytes)
{
    UseDisc(40, 20);
    io.files[kImage] = std::vector<BYTE>(100 * 2048, 0xEE);
    RunJob();
    ASSERT_TRUE(ImageExists());
    EXPECT_TRUE(Image() == DiscPrefix(io.disc, 20));
}

TEST_F(CopyJobTest, EveryImageWriteFitsTheDestinationSectorSize)
{
    const DWORD sectorSizes[] = {512, 2048, 4096, 8192, 65536};
    const long long volumes[] = {18, 19, 519, 1001};
    for (DWORD sectorSize : sectorSizes) {
        for (long long volume : volumes) {
            SCOPED_TRACE(std::to_string(sectorSize) + " bytes, volume " + std::to_string(volume));
            log.clear();
            io.writes.clear();
            io.setLengthCalls = 0;
            io.imageSector = sectorSize;
            UseDisc(DWORD(volume) + 3, volume);
            RunJob();
            ASSERT_TRUE(ImageExists());
            EXPECT_TRUE(Image() == DiscPrefix(io.disc, DWORD(volume)));
            for (DWORD bytes : io.writes)
                EXPECT_EQ(bytes % sectorSize, 0u);
            bool unaligned = (volume * 2048) % sectorSize != 0;
            EXPECT_EQ(io.setLengthCalls, unaligned ? 1 : 0);
            ExpectIdleAtEnd();
        }
    }
}

TEST_F(CopyJobTest, StoppedCopyOnA4096ByteDiskEndsExactlyAtASector)
{
    io.imageSector = 4096;
    owner.stopAtPoll = 3;
    UseDisc(1000, 1000);
    RunJob();
    ASSERT_TRUE(ImageExists());
    EXPECT_TRUE(Image() == DiscPrefix(io.disc, 3));
    EXPECT_EQ(io.setLengthCalls, 1);
    ExpectIdleAtEnd();
}

TEST_F(CopyJobTest, FailureToCutTheImageToLengthDeletesIt)
{
    io.imageSector = 4096;
    io.setLengthFails = true;
    UseDisc(19, 19);
    RunJob();
    ExpectInOrder({"ReportLastError(5)", "CloseDevice", "CloseImage", "DeleteImage"});
    EXPECT_FALSE(ImageExists());
    ExpectIdleAtEnd();
}

TEST_F(CopyJobTest, UnalignedTransferFailsLoudly)
{
    // A device that demands 4096-byte transfers refuses the single 2048-byte header reads:
    // the copy fails visibly instead of producing a wrong image.
    io.deviceSector = 4096;
    UseDisc(100, 100);
    RunJob();
    EXPECT_EQ(owner.reportedErrors, std::vector<DWORD>{ERROR_INVALID_PARAMETER});
    EXPECT_FALSE(ImageExists());
    io.alignmentViolations = 0;
    ExpectIdleAtEnd();
}

TEST_F(CopyJobTest, ImageThatCannotBeDeletedIsToldAbout)
{
    UseDisc(1000, 1000);
    io.script = {{600, "F"}};
    io.deleteFails = true;
    RunJob();
    ASSERT_EQ(owner.messages.size(), 2u);
    EXPECT_EQ(owner.messages[1],
              L"The incomplete image could not be deleted; do not use it:\nC:\\images\\disc.iso.pelmora-partial");
    ExpectIdleAtEnd();
}

TEST_F(CopyJobTest, FailingDisplayStillDeletesTheImageAndEndsIdle)
{
    UseDisc(1000, 1000);
    owner.throwAtUpdate = 18;
    RunJob();
    EXPECT_FALSE(ImageExists());
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0], L"The copy stopped on an unexpected error: the incomplete image is deleted.");
    ExpectIdleAtEnd();
}
struct SessionCase
{
    const char* what;
    DWORD sessions;        // 0: the drive cannot tell
    long long volume;      // -1: no ISO 9660 volume descriptor
    DWORD tocSectors;      // the first session per the table of contents; 0: unknown
    char answer;           // 'y', 'n', or 's': a Stop while asked, then yes
    bool badDescriptor;    // sector 16 never reads
    DWORD kept;            // sectors in the new image; 0: the old file is left as it was
    const wchar_t* message;
};

TEST_F(CopyJobTest, MultisessionDiscIsCopiedOnlyWhenTheUserAgrees)
{
    const SessionCase cases[] = {
        {"sessions unknown", 0, 100, 0, 'n', false, 100, nullptr},
        {"one session", 1, 100, 0, 'n', false, 100, nullptr},
        {"three sessions, yes: the time line counts the minute the box was up", 3, 100, 0, 'y', false, 100, nullptr},
        {"two sessions, no", 2, 100, 0, 'n', false, 0, nullptr},
        {"no descriptor: sized by the device across every session", 2, -1, 60, 'y', false, 60, nullptr},
        {"no descriptor nor table of contents: asked all the same", 2, -1, 0, 'y', false, 0,
         L"This disc was written in 2 sessions and has no ISO 9660 volume descriptor, and the drive cannot tell "
         L"where its first session ends: the disc cannot be imaged whole. No image was made."},
        {"stop while asked, then yes: old file cut to a stub", 2, 100, 0, 's', false, 0, nullptr},
        {"descriptor unreadable: old file deleted", 2, 100, 0, 'y', true, 0,
         L"Sector 16 could not be read in 4 attempts: no image was made."},
    };
    for (const SessionCase& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        owner.questions.clear();
        owner.messages.clear();
        io.files[kImage] = {4, 2};
        io.sessions = c.sessions;
        io.firstSessionSectors = c.tocSectors;
        io.script.clear();
        if (c.badDescriptor)
            io.script[16] = "F";
        owner.answer = c.answer != 'n';
        owner.stopRequested = false;
        // The box stays up a minute, which the time line must not count.
        owner.whileAsking = [this, &c] {
            io.clock += 60000;
            owner.stopRequested = c.answer == 's';
        };
        UseDisc(100, c.volume);
        RunJob();
        const bool asked = c.sessions > 1 && c.message == nullptr;
        ASSERT_EQ(owner.questions.size(), asked ? 1u : 0u);
        if (asked) {
            EXPECT_NE(owner.questions[0].find(std::to_wstring(c.sessions) + L" sessions"), std::wstring::npos);
        }
        if (c.kept) {
            EXPECT_TRUE(Image() == DiscPrefix(io.disc, c.kept));
            ExpectInOrder({"UpdateProgress(1/1000000,7)"});
        } else {
            EXPECT_TRUE(Image() == (std::vector<BYTE>{4, 2}));
            EXPECT_EQ(Count("DeleteImage") + Count("CreateImage"), 0);
        }
        EXPECT_EQ(owner.messages, c.message ? std::vector<std::wstring>{c.message} : std::vector<std::wstring>{});
        EXPECT_EQ(owner.outcomes.back(),
                  c.message ? CopyOutcome::Failed : c.kept ? CopyOutcome::Completed : CopyOutcome::Stopped);
        ExpectIdleAtEnd();
    }
}

TEST_F(CopyJobTest, UnexpectedErrorIsToldAndLeavesNoImage)
{
    // Out of memory while the image is being created, after the file was made.
    UseDisc(20, 20);
    io.createImageThrows = true;
    RunJob();
    EXPECT_FALSE(ImageExists());
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0], L"The copy stopped on an unexpected error: the incomplete image is deleted.");
    ExpectIdleAtEnd();
}
}

namespace {
using Areas = std::vector<RescueMap::Area>;
using Phase = CopyProgress::Phase;

struct RescueCase
{
    const char* fault;
    std::map<ULONGLONG, std::string> script;
    ReadErrorChoice choice;
    Phase stopIn;       // Stop arrives at the first report of this phase (Starting: never)
    DWORD stopAt;       // ... with this count done or this pass
    DWORD imageSectors;
    Areas map;          // the map left beside the image; empty: none
    CopyOutcome outcome;
};

std::map<ULONGLONG, std::string> Band(ULONGLONG first, ULONGLONG end, std::map<ULONGLONG, std::string> more = {})
{
    for (ULONGLONG sector = first; sector < end; ++sector)
        more.emplace(sector, "F");
    return more;
}
}

TEST_F(CopyJobTest, ScratchedDiscIsSavedAroundItsUnreadableSectors)
{
    const Phase never = Phase::Starting;
    const auto go = ReadErrorChoice::SkipAndGoOn;
    const RescueCase cases[] = {
        {"band read sector by sector instead of skipped", Band(600, 650), go, never, 0, 1500,
         {{0, 600, '+'}, {600, 50, '-'}, {650, 850, '+'}}, CopyOutcome::Incomplete},
        {"isolated bad sectors in later chunks asked about", {{600, "F"}, {800, "F"}, {1200, "F"}}, go, never, 0, 1500,
         {{0, 600, '+'}, {600, 1, '-'}, {601, 199, '+'}, {800, 1, '-'}, {801, 399, '+'}, {1200, 1, '-'},
          {1201, 299, '+'}},
         CopyOutcome::Incomplete},
        {"sound sector inside a band left out by scraping", Band(600, 610, {{605, "."}}), go, never, 0, 1500,
         {{0, 600, '+'}, {600, 5, '-'}, {605, 1, '+'}, {606, 4, '-'}, {610, 890, '+'}}, CopyOutcome::Incomplete},
        {"marginal sector not retried", Band(600, 610, {{605, "F."}}), go, never, 0, 1500,
         {{0, 600, '+'}, {600, 5, '-'}, {605, 1, '+'}, {606, 4, '-'}, {610, 890, '+'}}, CopyOutcome::Incomplete},
        {"bad first and last sectors", {{0, "F"}, {1499, "F"}}, go, never, 0, 1500,
         {{0, 1, '-'}, {1, 1498, '+'}, {1499, 1, '-'}}, CopyOutcome::Incomplete},
        {"Try Again gives up on the sector", {{700, "FFFFFFFF."}}, ReadErrorChoice::TryAgain, never, 0, 1500, {},
         CopyOutcome::Completed},
        {"Stop in the first pass", Band(600, 650), go, Phase::Copying, 1017, 1500,
         {{0, 600, '+'}, {600, 417, '*'}, {1017, 483, '+'}}, CopyOutcome::Stopped},
        {"Stop while trimming", Band(600, 650), go, Phase::Trimming, 1, 1500,
         {{0, 600, '+'}, {600, 1, '-'}, {601, 416, '*'}, {1017, 483, '+'}}, CopyOutcome::Stopped},
        {"Stop while scraping", Band(600, 650), go, Phase::Scraping, 1, 1500,
         {{0, 600, '+'}, {600, 2, '-'}, {602, 47, '/'}, {649, 1, '-'}, {650, 850, '+'}}, CopyOutcome::Stopped},
        {"close while retrying", Band(600, 650), go, Phase::Retrying, 2, 1500,
         {{0, 600, '+'}, {600, 50, '-'}, {650, 850, '+'}}, CopyOutcome::Stopped},
    };
    for (const RescueCase& c : cases) {
        SCOPED_TRACE(c.fault);
        log.clear();
        io.files.clear();
        owner.messages.clear();
        owner.stopRequested = false;
        owner.choices = {c.choice};
        owner.onProgress = [&](const CopyProgress& p) {
            if (p.phase == c.stopIn && (p.phase == Phase::Copying ? p.sectorsDone : p.pass) == c.stopAt)
                owner.stopRequested = true;
        };
        UseDisc(1500, 1500);
        io.script = c.script;
        RunJob();
        std::vector<BYTE> expected = DiscPrefix(io.disc, c.imageSectors);
        for (const RescueMap::Area& area : c.map)
            if (area.status != '+' && area.first < c.imageSectors)
                std::fill(expected.begin() + area.first * 2048,
                          expected.begin() + std::min(area.first + area.sectors, ULONGLONG(c.imageSectors)) * 2048, 0);
        EXPECT_TRUE(Image() == expected);
        RescueMap map;
        std::wstring message;
        EXPECT_EQ(io.files.count(kMap), c.map.empty() ? 0u : 1u);
        if (!c.map.empty() && io.files.count(kMap)) {
            EXPECT_TRUE(RescueMap::Parse(MapText(), 1500, kMap, map, message)) << message;
            EXPECT_EQ(map.Areas(), c.map);
            // The end is told: the sectors missing and where the map is.
            EXPECT_TRUE(owner.messages.size() == 2
                        && owner.messages[1].find(L"disc.iso is missing " + std::to_wstring(map.UnfinishedSectors())
                                                  + L" sectors") != std::wstring::npos);
        }
        EXPECT_EQ(Count("AskReadErrorChoice(23)C") + Count("AskReadErrorChoice(23)T"), 1);
        EXPECT_EQ(owner.outcomes.back(), c.outcome);
        ExpectIdleAtEnd();
    }
}

// What a copy leaves at the chosen name, beside it and in the owner's messages, for each way it
// can end. An old image and an old checksum lie there before each copy unless the row clears them.
struct KeptFilesCase
{
    const char* fault;
    std::function<void(FakeCopyIO&, RecordingOwner&)> arrange;
    enum Image { Old, Whole, Prefix } image;
    // "": none; "old": the old one untouched; else the line expected.
    std::string checksum;
    std::wstring message;  // the only message, or none when empty
    CopyOutcome outcome;
    std::wstring path = kImage;
};

TEST_F(CopyJobTest, OnlyAKeptImageTakesTheChosenNameAndOnlyAWholeOneHasAChecksum)
{
    // sha256sum of MakeTestDisc(1001, 1001); on a disk of 4096-byte sectors the last one is padded.
    const std::string line = "9d16abe199083216b108f8991594514b8d752ee4cd4f7f47a9fadef900a6e187  disc.iso\n";
    const std::wstring tooLong = L"C:\\" + std::wstring(32750, L'd') + L".iso";
    auto none = [](FakeCopyIO&, RecordingOwner&) {};
    const KeptFilesCase cases[] = {
        {"hash misses a buffer or takes the padding", none, KeptFilesCase::Whole, line, L"", CopyOutcome::Completed},
        {"failed copy costs the old image", [](FakeCopyIO& io, RecordingOwner&) { io.script = {{600, "F"}}; },
         KeptFilesCase::Old, "old",
         L"Sector 600 could not be read in 4 attempts: the image would be incomplete and is deleted.",
         CopyOutcome::Failed},
        {"stopped image keeps a checksum of the old one", [](FakeCopyIO&, RecordingOwner& o) { o.stopAtPoll = 10; },
         KeptFilesCase::Prefix, "", L"", CopyOutcome::Stopped},
        {"window closed mid-chunk loses the prefix",
         [](FakeCopyIO& io, RecordingOwner& o) { io.atRead[18] = [&o] { o.stopRequested = true; }; },
         KeptFilesCase::Prefix, "", L"", CopyOutcome::Stopped},
        {"no room found out only when the disk is full",
         [](FakeCopyIO& io, RecordingOwner&) { io.volume = {L"C:\\", true, 1000000, L"NTFS"}; }, KeptFilesCase::Old,
         "old", L"The image needs 2.1 MB; C:\\ has 1.0 MB free.", CopyOutcome::Failed},
        {"FAT32 limit found out at 4 GiB",
         [](FakeCopyIO& io, RecordingOwner&) {
             io.disc = MakeTestDisc(1001, 2097152);
             io.volume = {L"K:\\", true, ~0ULL, L"FAT32"};
         },
         KeptFilesCase::Old, "old",
         L"K:\\ is FAT32, which cannot hold a file over 4 GB; this image needs 4.3 GB. Choose a drive formatted NTFS "
         L"or exFAT.",
         CopyOutcome::Failed},
        {"unwritable checksum file not told",
         [](FakeCopyIO& io, RecordingOwner&) { io.replaceErrors[std::wstring(kImage) + L".sha256"] = ERROR_ACCESS_DENIED; }, KeptFilesCase::Whole,
         "", L"The image is complete, but its checksum file C:\\images\\disc.iso.sha256 could not be written.",
         CopyOutcome::Completed},
        {"name too long for its side files taken", none, KeptFilesCase::Old, "old",
         L"The image's name is too long for the files this copy writes beside it: no image was made. Choose a "
         L"shorter name.",
         CopyOutcome::Failed, tooLong},
        {"checksum path a folder overwritten",
         [](FakeCopyIO& io, RecordingOwner&) {
             const std::wstring checksumFile = std::wstring(kImage) + L".sha256";
             io.files.erase(checksumFile);
             io.attributes[checksumFile] = FILE_ATTRIBUTE_DIRECTORY;
         },
         KeptFilesCase::Old, "",
         L"A folder named C:\\images\\disc.iso.sha256 is in the way of a file this copy must write. Rename or move "
         L"that folder, or choose another name.",
         CopyOutcome::Failed},        {"map path a folder found out only when a rescued image is kept",
         [](FakeCopyIO& io, RecordingOwner&) { io.attributes[std::wstring(kImage) + L".map"] = FILE_ATTRIBUTE_DIRECTORY; },
         KeptFilesCase::Old, "old",
         L"A folder named C:\\images\\disc.iso.map is in the way of a file this copy must write. Rename or move "
         L"that folder, or choose another name.",
         CopyOutcome::Failed},
    };
    for (const KeptFilesCase& c : cases) {
        SCOPED_TRACE(c.fault);
        const std::wstring checksumFile = c.path + L".sha256";
        log.clear();
        owner.messages.clear();
        owner.stopAtPoll = 0;
        owner.polls = 0;
        owner.stopRequested = false;
        io.script.clear();
        io.atRead.clear();
        io.reads.clear();
        io.writes.clear();
        io.attributes.clear();
        io.volume = TargetVolumeInfo();
        io.replaceErrors.clear();
        io.imageSector = 4096;
        UseDisc(1001, 1001);
        const std::string oldLine = "old\n";
        io.files = {{c.path, {1, 2, 3}}, {checksumFile, std::vector<BYTE>(oldLine.begin(), oldLine.end())}};
        c.arrange(io, owner);
        owner.CopyEnded(CopyJob(owner, owner, io, 500).Run(kEntry, c.path.c_str()));
        EXPECT_EQ(io.files.count(c.path + L".pelmora-partial"), 0u);
        ASSERT_EQ(io.files.count(c.path), 1u);
        const std::vector<BYTE>& image = io.files.at(c.path);
        if (c.image == KeptFilesCase::Old)
            EXPECT_EQ(image, (std::vector<BYTE>{1, 2, 3}));
        else if (c.image == KeptFilesCase::Whole)
            EXPECT_TRUE(image == io.disc);
        else
            EXPECT_TRUE(image.size() < io.disc.size() && image == DiscPrefix(io.disc, DWORD(image.size() / 2048)));
        const std::string expected = c.checksum == "old" ? oldLine : c.checksum;
        auto checksum = io.files.find(checksumFile);
        EXPECT_EQ(checksum == io.files.end() ? "" : std::string(checksum->second.begin(), checksum->second.end()),
                  expected);
        EXPECT_EQ(owner.messages,
                  c.message.empty() ? std::vector<std::wstring>() : std::vector<std::wstring>{c.message});
        EXPECT_EQ(owner.outcomes.back(), c.outcome);
        ExpectIdleAtEnd();
    }
}

namespace {
struct ResumeCase
{
    const char* fault;
    DWORD imageSectors;  // of the disc, with zeros where the map is not '+'; 0: no image
    Areas map;
    std::string mapEdit;  // appended to the map text ("cut": its last line cut off); "" leaves it sound
    QuestionAnswer answer;
    bool replace;         // the answer to "copy anew?"
    bool asked;           // the resume question comes up
    bool copied;          // the image ends equal to the disc, without a map
    DWORD sectorsRead;    // past the volume descriptors
};
}

TEST_F(CopyJobTest, FinishingLaterReadsOnlyWhatTheMapSaysIsMissing)
{
    const Areas band = {{0, 600, '+'}, {600, 50, '-'}, {650, 850, '+'}};
    const auto yes = QuestionAnswer::Yes;
    const ResumeCase cases[] = {
        {"holes of a rescue read again whole", 1500, band, "", yes, false, true, true, 50},
        {"rest of a stopped copy not read", 700, {{0, 700, '+'}, {700, 800, '?'}}, "", yes, false, true, true, 800},
        {"No does not copy anew", 1500, band, "", QuestionAnswer::No, false, true, true, 983},
        {"Cancel touches the image", 1500, band, "", QuestionAnswer::Cancel, false, true, false, 0},
        {"cut short map trusted", 1500, band, "cut", yes, false, false, false, 0},
        {"map of a larger disc trusted", 1500, band, "0x002EE000 0x00001000 +\n", yes, false, false, false, 0},
        {"hand-edited map trusted", 1500, band, "0x002EE000 0x00000800 x\n", yes, false, false, false, 0},
        {"image of another disc trusted", 1500, band, "other disc", yes, false, false, false, 0},
        {"missing image trusted", 0, band, "", yes, false, false, false, 0},
        {"image shorter than its map trusted", 1000, band, "", yes, false, false, false, 0},
        {"bad map not replaced with consent", 1500, band, "cut", yes, true, false, true, 983},
        {"full target refuses a resume that needs no room", 1500, band, "full", yes, false, true, true, 50},
    };
    for (const ResumeCase& c : cases) {
        SCOPED_TRACE(c.fault);
        log.clear();
        io.files.clear();
        io.transfers.clear();
        owner.questions.clear();
        owner.resumeAnswer = c.answer;
        owner.replaceAnswer = c.replace;
        UseDisc(1500, 1500);
        io.script.clear();
        io.volume = TargetVolumeInfo();
        if (c.mapEdit == "full")
            io.volume = {L"K:\\", true, 0, L"NTFS"};
        RescueMap map(1500);
        for (const RescueMap::Area& area : c.map)
            map.Mark(area.first, area.sectors, area.status);
        std::vector<BYTE> image = DiscPrefix(io.disc, c.imageSectors);
        for (const RescueMap::Area& area : c.map)
            if (area.status != '+' && area.first < c.imageSectors)
                std::fill_n(image.begin() + area.first * 2048, area.sectors * 2048, 0);
        if (c.mapEdit == "other disc")
            image[16 * 2048 + 40] ^= 1;  // the volume's name
        if (c.imageSectors)
            io.files[kImage] = image;
        std::string text = map.Serialize();
        if (c.mapEdit == "cut")
            text = text.substr(0, text.rfind("0x"));
        else if (c.mapEdit != "other disc" && c.mapEdit != "full")
            text += c.mapEdit;
        io.files[kMap].assign(text.begin(), text.end());
        RunJob();
        DWORD read = 0;
        for (const std::string& t : io.transfers)
            if (t[0] == 'R' && std::stoul(t.substr(1)) >= 48)
                read += std::stoul(t.substr(t.find('+') + 1));
        EXPECT_EQ(read, c.sectorsRead);
        EXPECT_EQ(Count("AskYesNoCancel"), c.asked ? 1 : 0);
        EXPECT_EQ(Count("AskToReplace"), c.asked ? 0 : 1);
        if (!c.asked) {
            EXPECT_NE(owner.questions[0].find(L"disc.iso"), std::wstring::npos);
        }
        if (c.copied) {
            EXPECT_TRUE(Image() == io.disc);
            EXPECT_EQ(io.files.count(kMap), 0u);
        } else {
            EXPECT_EQ(io.files.count(kImage), c.imageSectors ? 1u : 0u);
            EXPECT_TRUE(!c.imageSectors || Image() == image);
            EXPECT_TRUE(MapText() == text);
        }
        EXPECT_EQ(owner.outcomes.back(), c.copied ? CopyOutcome::Completed : CopyOutcome::Stopped);
        ExpectIdleAtEnd();
    }
}
