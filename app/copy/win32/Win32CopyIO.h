#pragma once
#include "CopyIO.h"
#include "DiscSector.h"
#include "DriveIdentity.h"
#include "FileHandle.h"
#include "ThreadErrorModeScope.h"
#include "WriterThread.h"
#include <vector>

// The real copy I/O: the raw volume and the image, both unbuffered, through the Win32 kernel.
//
// Windows fails unbuffered transfers whose buffer address, size or file offset is not a
// multiple of the volume's sector size; Wine does not check. So every read and write here
// checks that rule itself first and fails, as Windows would, with ERROR_INVALID_PARAMETER,
// which the job reports and which deletes the image: a mistake can never pass silently.
//
// Made and used on the thread that runs the copy; image writes started with StartImageWrite
// run on a writer thread of its own. Both threads fail on a missing disc or target instead of
// waiting behind a system box, for as long as this object lives.
class Win32CopyIO : public CopyIO
{
public:
    // Used when a volume does not tell its sector size: a multiple of every sector size up to
    // 64 KiB, so it is always safe, only slower at the tail.
    static const DWORD kFallbackImageSector = 65536;
    // CD and DVD sectors.
    static const DWORD kFallbackDeviceSector = kSectorBytes;

    Win32CopyIO() = default;
    Win32CopyIO(const Win32CopyIO&) = delete;
    Win32CopyIO& operator=(const Win32CopyIO&) = delete;

    void* AllocateBuffer(std::size_t bytes) override;
    void FreeBuffer(void* block) override;

    bool OpenDevice(const wchar_t* devicePath) override;
    bool ReadDevice(void* buffer, DWORD bytes, DWORD& bytesRead) override;
    bool SeekDevice(ULONGLONG offset) override;
    bool DeviceSize(ULONGLONG& bytes) override;
    bool SessionCount(DWORD& sessions) override;
    // Of the drive whose device is open.
    DriveIdentity Identity() const { return QueryDriveIdentity(device.Get()); }
    bool FirstSessionSectors(DWORD& sectors) override;
    void CloseDevice() override;

    bool DeleteImage(const wchar_t* imagePath) override;
    bool CreateImage(const wchar_t* imagePath) override;
    DWORD ImageSectorSize() override;
    bool WriteImage(const void* buffer, DWORD bytes) override;
    void StartImageWrite(const void* buffer, DWORD bytes) override;
    bool FinishImageWrite() override;
    bool SetImageLength(ULONGLONG bytes) override;
    void CloseImage() override;

    DWORD Milliseconds() override;

    TargetVolumeInfo TargetVolume(const wchar_t* imagePath) override;
    DWORD FileAttributes(const wchar_t* path) override;
    bool KeepImage(const wchar_t* partialPath, const wchar_t* imagePath) override;
    bool HashFile(const wchar_t* path, ImageDigestText& digests) override;

    bool OpenImageForPatching(const wchar_t* imagePath) override;
    bool PatchImage(ULONGLONG offset, const void* buffer, DWORD bytes) override;
    bool FlushImage() override;
    bool ReadTextFile(const wchar_t* path, std::string& text) override;
    bool ReplaceTextFile(const wchar_t* path, const std::string& text) override;
    bool RemoveFile(const wchar_t* path) override;
    bool RenameFile(const wchar_t* from, const wchar_t* to) override;
    bool LastWriteTime(const wchar_t* path, FILETIME& time) override;
    bool FileSize(const wchar_t* path, ULONGLONG& bytes) override;
    bool ReadFileAt(const wchar_t* path, ULONGLONG offset, void* buffer, DWORD bytes, DWORD& bytesRead) override;

protected:
    // The sector sizes that transfers must respect; tests replace them to check the rule on
    // destinations Wine cannot provide.
    virtual DWORD QueryDeviceSectorSize(HANDLE device);
    // Asked of the open image itself: a path may lead through a junction or a link to a
    // volume other than the one its mount point names.
    virtual DWORD QueryImageSectorSize(HANDLE image, const wchar_t* imagePath);
    // The full table of contents as the drive returns it (CDROM_TOC_FULL_TOC_DATA); tests hand
    // in one, since Wine answers no table-of-contents request.
    virtual bool QueryFullToc(HANDLE device, std::vector<BYTE>& toc);

private:
    ThreadErrorModeScope errorMode;
    FileHandle device;
    FileHandle image;
    DWORD deviceSector = kFallbackDeviceSector;
    DWORD imageSector = kFallbackImageSector;
    ULONGLONG deviceOffset = 0;
    ULONGLONG imageOffset = 0;
    bool imageCut = false;
    // Opened through the cache by OpenImageForPatching, rather than unbuffered by CreateImage.
    bool imagePatching = false;
    // Last, so that it is destroyed first: a write in flight uses the members above.
    WriterThread writer;
};
