#include "CopyJob.h"
#include "FakeCopyIO.h"
#include "RecordingOwner.h"
#include "TestDisc.h"
#include <gtest/gtest.h>
#include <algorithm>

namespace {
const wchar_t kImage[] = L"C:\\images\\disc.iso";
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
        CopyJob job(owner, io, 500);
        job.Run(entry, kImage);
    }

    bool ImageExists() const { return io.files.count(kImage) != 0; }
    const std::vector<BYTE>& Image() const { return io.files.at(kImage); }

    long Count(const std::string& entry) const { return long(std::count(log.begin(), log.end(), entry)); }

    std::vector<std::string> ProgressCalls() const
    {
        std::vector<std::string> calls;
        for (const std::string& entry : log)
            if (entry.compare(0, 11, "SetProgress") == 0 || entry.compare(0, 14, "UpdateProgress") == 0)
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

    // Every path ends idle: the outcome told once, stop request cleared, display emptied,
    // caption back, the buffer released and, as the very last owner call, the worker cleared.
    void ExpectIdleAtEnd() const
    {
        ASSERT_GE(log.size(), 5u);
        std::vector<std::string> tail(log.end() - 4, log.end());
        EXPECT_EQ(tail, (std::vector<std::string>{"ClearStopRequest", "SetProgressPosition(0)", "RestoreCreateCaption",
                                                  "ClearWorker"}));
        EXPECT_EQ(log.end()[-5].compare(0, 10, "CopyEnded("), 0);
        EXPECT_EQ(Count("ClearWorker"), 1);
        EXPECT_EQ(io.buffersHeld, 0);
        EXPECT_EQ(Count("AllocateBuffer") - (io.allocationFails ? 1 : 0), Count("FreeBuffer"));
        EXPECT_EQ(io.alignmentViolations, 0);
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

TEST_F(CopyJobTest, ProgressIsReportedFromTheFirstSectorOnAndEmptiedAtTheEnd)
{
    UseDisc(1000, 1000);
    RunJob();
    std::vector<std::string> expected{"SetProgressRange(0,1000000)"};
    for (int sector = 1; sector <= 16; ++sector)
        expected.push_back("UpdateProgress(" + std::to_string(sector) + "," + std::to_string(7 * sector) + ")");
    expected.insert(expected.end(), {"SetProgressRange(0,1000)", "UpdateProgress(17,119)", "UpdateProgress(517,126)",
                                     "UpdateProgress(1000,133)", "SetProgressPosition(0)"});
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

struct ReadFailureCase
{
    const char* where;
    long sector;
    int updatesBefore;
};

TEST_F(CopyJobTest, FailedReadIsReportedThenTheImageIsDeleted)
{
    const ReadFailureCase cases[] = {
        {"header phase", 5, 5},
        {"descriptor", 16, 16},
        {"first chunk", 300, 17},
        {"last chunk", 990, 18},
        {"last sector", 999, 18},
    };
    for (const ReadFailureCase& c : cases) {
        SCOPED_TRACE(c.where);
        log.clear();
        owner.updates = 0;
        UseDisc(1000, 1000);
        io.failReadAtSector = c.sector;
        RunJob();
        EXPECT_EQ(owner.updates, c.updatesBefore);
        // The box comes first, while the last error is still the read's; then the clean-up.
        ExpectInOrder({"ReportLastError(23)", "CloseDevice", "CloseImage", "DeleteImage"});
        EXPECT_EQ(owner.reportedErrors.back(), DWORD(ERROR_CRC));
        EXPECT_EQ(owner.outcomes.back(), CopyOutcome::Failed);
        EXPECT_TRUE(owner.messages.empty());
        EXPECT_FALSE(ImageExists());
        ExpectIdleAtEnd();
    }
}

TEST_F(CopyJobTest, ShortReadBeforeABadSectorReportsTheReadError)
{
    UseDisc(1000, 1000);
    io.failReadAtSector = 700;
    io.shortBeforeBadSector = true;
    RunJob();
    // The chunk from sector 517 comes back with 183 sectors; reading on meets the bad sector.
    EXPECT_EQ(io.reads, Reads({kChunk, 483 * 2048, 300 * 2048}));
    ExpectInOrder({"ReportLastError(23)", "CloseDevice", "CloseImage", "DeleteImage"});
    EXPECT_TRUE(owner.messages.empty());
    EXPECT_FALSE(ImageExists());
    ExpectIdleAtEnd();
}

TEST_F(CopyJobTest, FullDiskIsReportedThenTheImageIsDeleted)
{
    UseDisc(1000, 1000);
    io.diskSpace = 600 * 2048;
    RunJob();
    ExpectInOrder({"ReportLastError(112)", "CloseDevice", "CloseImage", "DeleteImage"});
    // Header and first chunk fit; the second chunk does not.
    EXPECT_EQ(owner.updates, 18);
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

TEST_F(CopyJobTest, StopKeepsAPrefixOfTheDisc)
{
    const std::pair<int, DWORD> cases[] = {{1, 1}, {3, 3}, {17, 17}, {18, 517}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        log.clear();
        owner.polls = 0;
        owner.stopAtPoll = c.first;
        UseDisc(1000, 1000);
        RunJob();
        ASSERT_TRUE(ImageExists());
        EXPECT_TRUE(Image() == DiscPrefix(io.disc, c.second));
        EXPECT_EQ(Count("DeleteImage"), 1);  // only the one before creating it
        EXPECT_TRUE(owner.messages.empty());
        EXPECT_EQ(owner.outcomes.back(), CopyOutcome::Stopped);
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
    io.failReadAtSector = 600;
    io.deleteFails = true;
    RunJob();
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0], L"The incomplete image could not be deleted; do not use it:\nC:\\images\\disc.iso");
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
}
