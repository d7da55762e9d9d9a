#include "CopyJob.h"
#include "CopyTexts.h"
#include "ImageSideFiles.h"
#include "RecordingOwner.h"
#include "ImageDigests.h"
#include "TestDisc.h"
#include "Win32CopyIO.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <string>

namespace {
// The real I/O layer with a plain file as the disc and a chosen sector size for the image's
// volume, so that the alignment rule of 512-, 2048- and 4096-byte disks is enforced here too.
class FileCopyIO : public Win32CopyIO
{
public:
    FileCopyIO(const std::wstring& discFile, DWORD imageSector) : discFile(discFile), imageSector(imageSector) {}

    std::vector<BYTE> fullToc;  // empty: the drive answers no table of contents

    bool OpenDevice(const wchar_t*) override { return Win32CopyIO::OpenDevice(discFile.c_str()); }

protected:
    DWORD QueryImageSectorSize(HANDLE, const wchar_t*) override { return imageSector; }
    bool QueryFullToc(HANDLE, std::vector<BYTE>& toc) override
    {
        toc = fullToc;
        return !toc.empty();
    }

private:
    std::wstring discFile;
    DWORD imageSector;
};

class Win32CopyIOTest : public ::testing::Test
{
protected:
    std::wstring folder;
    std::wstring discFile;
    std::wstring imageFile;
    std::vector<std::string> log;

    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        static int counter = 0;
        folder = std::wstring(temp) + L"pelmora-copyio-" + std::to_wstring(GetCurrentProcessId()) + L"-"
            + std::to_wstring(++counter);
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        discFile = folder + L"\\disc.bin";
        imageFile = folder + L"\\image.iso";
    }

    void TearDown() override
    {
        DeleteFileW(discFile.c_str());
        DeleteFileW(imageFile.c_str());
        DeleteFileW((imageFile + L".sha256").c_str());
        DeleteFileW((imageFile + L".pelmora-partial").c_str());
        RemoveDirectoryW(folder.c_str());
    }

    static void WriteWholeFile(const std::wstring& path, const std::vector<BYTE>& bytes)
    {
        FILE* file = _wfopen(path.c_str(), L"wb");
        ASSERT_TRUE(file && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
        fclose(file);
    }

    static bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    static std::vector<BYTE> ReadWholeFile(const std::wstring& path)
    {
        std::vector<BYTE> bytes;
        if (FILE* file = _wfopen(path.c_str(), L"rb")) {
            BYTE piece[65536];
            for (std::size_t got; (got = fread(piece, 1, sizeof piece, file)) != 0;)
                bytes.insert(bytes.end(), piece, piece + got);
            fclose(file);
        }
        return bytes;
    }
};

TEST_F(Win32CopyIOTest, EveryImageWriteIsCheckedAgainstTheSectorSize)
{
    const DWORD sectorSizes[] = {512, 2048, 4096};
    for (DWORD sector : sectorSizes) {
        SCOPED_TRACE(sector);
        FileCopyIO io(discFile, sector);
        BYTE* buffer = static_cast<BYTE*>(io.AllocateBuffer(65536 * 2));
        ASSERT_NE(buffer, nullptr);
        ASSERT_TRUE(io.CreateImage(imageFile.c_str()));
        EXPECT_EQ(io.ImageSectorSize(), sector);

        EXPECT_FALSE(io.WriteImage(buffer, sector / 2));  // short of a sector
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
        EXPECT_FALSE(io.WriteImage(buffer + sector / 2, sector));  // buffer off the sector grid
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
        EXPECT_FALSE(io.WriteImage(buffer, sector + 256));
        EXPECT_TRUE(io.WriteImage(buffer, sector));
        EXPECT_TRUE(io.WriteImage(buffer + sector, 2 * sector));
        // 17 header sectors end mid-unit on a 4096-byte disk.
        EXPECT_EQ(io.WriteImage(buffer, 17 * 2048), sector <= 2048);
        // Written behind on the writer thread, checked there, and its error handed back here.
        SetLastError(ERROR_SUCCESS);
        io.StartImageWrite(buffer + sector / 2, sector);
        EXPECT_FALSE(io.FinishImageWrite());
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
        io.StartImageWrite(buffer, sector);
        EXPECT_TRUE(io.FinishImageWrite());
        io.CloseImage();
        std::size_t expected = 4 * sector + (sector <= 2048 ? 17 * 2048 : 0);
        EXPECT_EQ(ReadWholeFile(imageFile).size(), expected);
        io.FreeBuffer(buffer);
    }
}

TEST_F(Win32CopyIOTest, ImageIsCutToLengthWithoutLettingGoOfIt)
{
    SetThreadErrorMode(0, nullptr);
    {
        FileCopyIO io(discFile, 4096);
        // A missing disc or target fails the copy's calls instead of raising a system box.
        EXPECT_EQ(GetThreadErrorMode(), DWORD(SEM_FAILCRITICALERRORS));
        BYTE* buffer = static_cast<BYTE*>(io.AllocateBuffer(65536));
        ASSERT_TRUE(io.CreateImage(imageFile.c_str()));
        ASSERT_TRUE(io.WriteImage(buffer, 4096));
        ASSERT_TRUE(io.SetImageLength(3000));
        // Still held alone: no moment in which another program could take the file.
        HANDLE other = CreateFileW(imageFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(other, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
        io.CloseImage();
        io.FreeBuffer(buffer);
    }
    EXPECT_EQ(GetThreadErrorMode(), 0u);
    EXPECT_EQ(ReadWholeFile(imageFile).size(), 3000u);
}

TEST_F(Win32CopyIOTest, EveryDeviceReadIsCheckedAgainstTheDiscSector)
{
    WriteWholeFile(discFile, MakeTestDisc(40, 40));
    FileCopyIO io(discFile, 4096);
    BYTE* buffer = static_cast<BYTE*>(io.AllocateBuffer(65536));
    ASSERT_TRUE(io.OpenDevice(L"\\\\.\\E:"));
    DWORD got = 99;
    EXPECT_FALSE(io.ReadDevice(buffer + 1024, 2048, got));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(io.ReadDevice(buffer, 1000, got));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(io.ReadDevice(buffer + 2048, 2048, got));
    EXPECT_EQ(got, 2048u);
    // A seek counts from the start of the disc, not from the end of the last read.
    ASSERT_TRUE(io.SeekDevice(3 * 2048));
    ASSERT_TRUE(io.ReadDevice(buffer, 2048, got));
    EXPECT_TRUE(std::equal(buffer, buffer + 2048, MakeTestDisc(40, 40).begin() + 3 * 2048));
    io.FreeBuffer(buffer);
}

TEST_F(Win32CopyIOTest, EndOfTheMediumReadsShortThenEmptyAndTheSizeIsKnown)
{
    WriteWholeFile(discFile, MakeTestDisc(3, 0));
    FileCopyIO io(discFile, 2048);
    BYTE* buffer = static_cast<BYTE*>(io.AllocateBuffer(65536));
    ASSERT_TRUE(io.OpenDevice(L"\\\\.\\E:"));
    ULONGLONG size = 0;
    ASSERT_TRUE(io.DeviceSize(size));
    EXPECT_EQ(size, 3u * 2048);
    // The first session ends where its lead-out starts, given as minutes, seconds and frames from
    // 150 frames before sector 0: the second session's is listed first here.
    DWORD sessionSectors = 0;
    EXPECT_FALSE(io.FirstSessionSectors(sessionSectors));
    io.fullToc = {0, 2 + 2 * 11, 1, 2, 2, 0x14, 0, 0xA2, 0, 0, 0, 0, 1, 0, 0, 1, 0x14, 0, 0xA2, 0, 0, 0, 0, 0, 42, 0};
    ASSERT_TRUE(io.FirstSessionSectors(sessionSectors));
    EXPECT_EQ(sessionSectors, 3000u);
    DWORD got = 0;
    ASSERT_TRUE(io.ReadDevice(buffer, 4 * 2048, got));
    EXPECT_EQ(got, 3u * 2048);
    ASSERT_TRUE(io.ReadDevice(buffer, 2048, got));
    EXPECT_EQ(got, 0u);
    io.FreeBuffer(buffer);
}

// The image kept, hashed and checksummed, and its volume queried, in a folder too deep for
// plain paths.
TEST_F(Win32CopyIOTest, FilesBesideAnImageWorkPastMaxPath)
{
    std::vector<std::wstring> folders{L"\\\\?\\" + folder};
    while (folders.back().size() < MAX_PATH + 20) {
        folders.push_back(folders.back() + L"\\" + std::wstring(60, L'd'));
        ASSERT_TRUE(CreateDirectoryW(folders.back().c_str(), nullptr));
    }
    const std::wstring image = folders.back() + L"\\disc.iso", partial = ImageSideFiles(image).partial;
    const std::wstring sums = ImageSideFiles(image).checksum;
    const std::vector<BYTE> bytes(5 << 19 | 3, 'x');  // two and a half 1 MiB pieces
    WriteWholeFile(image, {'o', 'l', 'd'});
    WriteWholeFile(partial, bytes);
    Win32CopyIO io;
    EXPECT_TRUE(io.FileAttributes(folders.back().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(io.FileAttributes(sums.c_str()), INVALID_FILE_ATTRIBUTES);
    TargetVolumeInfo volume = io.TargetVolume(image.c_str());
    EXPECT_TRUE(volume.freeKnown && volume.freeBytes > 0 && !volume.fileSystem.empty());
    EXPECT_TRUE(io.KeepImage(partial.c_str(), image.c_str()));
    EXPECT_FALSE(Exists(partial));
    EXPECT_TRUE(ReadWholeFile(image) == bytes);
    ImageDigestText hashed, expected;
    ImageDigests digests;
    EXPECT_TRUE(digests.Add(bytes.data(), bytes.size()) && digests.Finish(expected));
    EXPECT_TRUE(io.HashFile(image.c_str(), hashed));
    EXPECT_EQ(hashed.crc32 + hashed.md5 + hashed.sha1 + hashed.sha256,
              expected.crc32 + expected.md5 + expected.sha1 + expected.sha256);
    const std::string line = ChecksumLine(hashed.sha256, image);
    EXPECT_TRUE(io.ReplaceTextFile(sums.c_str(), line));
    EXPECT_TRUE(ReadWholeFile(sums) == std::vector<BYTE>(line.begin(), line.end()));
    DeleteFileW(image.c_str());
    DeleteFileW(sums.c_str());
    DeleteFileW(partial.c_str());
    while (folders.size() > 1) {
        RemoveDirectoryW(folders.back().c_str());
        folders.pop_back();
    }
}

TEST_F(Win32CopyIOTest, ImagePatchedInPlaceAndMapReplacedWhole)
{
    FileCopyIO io(discFile, 4096);
    std::vector<BYTE> disc = MakeTestDisc(3, 3);
    WriteWholeFile(imageFile, std::vector<BYTE>(disc.size()));
    std::vector<BYTE> sector(disc.begin() + 2048, disc.begin() + 4096);
    ASSERT_TRUE(io.CreateImage(discFile.c_str()));
    EXPECT_FALSE(io.PatchImage(2048, sector.data(), 2048));  // Windows would refuse it unbuffered
    io.CloseImage();
    ASSERT_TRUE(io.OpenImageForPatching(imageFile.c_str()));
    EXPECT_TRUE(io.PatchImage(2048, sector.data(), 2048));
    EXPECT_TRUE(io.FlushImage());
    io.CloseImage();
    std::vector<BYTE> expected(disc.size());
    std::copy(sector.begin(), sector.end(), expected.begin() + 2048);
    EXPECT_TRUE(ReadWholeFile(imageFile) == expected);

    // Beyond MAX_PATH even without the "\\?\" prefix, and with ".tmp" added.
    std::wstring map = folder + L"\\" + std::wstring(240, L'n') + L".iso.map";
    std::string text;
    EXPECT_FALSE(io.ReadTextFile(map.c_str(), text));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    ASSERT_TRUE(io.ReplaceTextFile(map.c_str(), "old"));
    ASSERT_TRUE(io.ReplaceTextFile(map.c_str(), "new map"));
    EXPECT_TRUE(io.ReadTextFile(map.c_str(), text));
    EXPECT_EQ(text, "new map");
    EXPECT_FALSE(Exists(L"\\\\?\\" + map + L".tmp"));
    EXPECT_TRUE(io.RemoveFile(map.c_str()));
    EXPECT_FALSE(Exists(L"\\\\?\\" + map));

    // A folder in the map's place stays, and so does no temporary file.
    std::wstring taken = folder + L"\\taken.map";
    ASSERT_TRUE(CreateDirectoryW(taken.c_str(), nullptr));
    EXPECT_FALSE(io.ReplaceTextFile(taken.c_str(), "map"));
    EXPECT_FALSE(io.ReadTextFile(taken.c_str(), text));
    EXPECT_FALSE(Exists(taken + L".tmp"));
    EXPECT_TRUE(RemoveDirectoryW(taken.c_str()));

    // Whatever file is chosen by mistake, a huge one is refused before it is read.
    HANDLE huge = CreateFileW(discFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = LONGLONG(CopyIO::kLargestTextFile) + 1;
    SetFilePointerEx(huge, size, nullptr, FILE_BEGIN);
    SetEndOfFile(huge);
    CloseHandle(huge);
    EXPECT_FALSE(io.ReadTextFile(discFile.c_str(), text));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_TOO_LARGE));
    EXPECT_EQ(text, "new map");
}

class Win32CopyJobTest : public Win32CopyIOTest
{
protected:
    RecordingOwner owner{log};

    CopyOutcome RunJob(FileCopyIO& io)
    {
        return CopyJob(owner, owner, io, 500).Run(L"E:\\ - TESTDISC", imageFile.c_str());
    }
};

// The real I/O under the whole copy: what it cannot open is named as the user knows it.
TEST_F(Win32CopyJobTest, FailuresToOpenNameTheDeviceOrTheFile)
{
    FileCopyIO missingDisc(folder + L"\\no-such-disc.bin", 2048);
    RunJob(missingDisc);
    WriteWholeFile(discFile, MakeTestDisc(20, 20));
    imageFile = folder + L"\\no-such-folder\\image.iso";
    FileCopyIO io(discFile, 2048);
    RunJob(io);
    EXPECT_EQ(owner.messages, (std::vector<std::wstring>{CopyTexts::CannotOpenDrive(L"\\\\.\\E:"),
                                                         CopyTexts::CannotCreate(imageFile)}));
    EXPECT_FALSE(Exists(imageFile));
}
}
