#pragma once
#include "CopyIO.h"
#include "FileHandle.h"
#include <string>

// The real copy I/O: the raw volume and the image, both unbuffered, through the Win32 kernel.
//
// Windows fails unbuffered transfers whose buffer address, size or file offset is not a
// multiple of the volume's sector size; Wine does not check. So every read and write here
// checks that rule itself first and fails, as Windows would, with ERROR_INVALID_PARAMETER,
// which the job reports and which deletes the image: a mistake can never pass silently.
class Win32CopyIO : public CopyIO
{
public:
    // Used when a volume does not tell its sector size: a multiple of every sector size up to
    // 64 KiB, so it is always safe, only slower at the tail.
    static const DWORD kFallbackImageSector = 65536;
    // CD and DVD sectors.
    static const DWORD kFallbackDeviceSector = 2048;

    Win32CopyIO() = default;
    Win32CopyIO(const Win32CopyIO&) = delete;
    Win32CopyIO& operator=(const Win32CopyIO&) = delete;

    void* AllocateBuffer(std::size_t bytes) override;
    void FreeBuffer(void* block) override;

    bool OpenDevice(const wchar_t* devicePath) override;
    bool ReadDevice(void* buffer, DWORD bytes, DWORD& bytesRead) override;
    bool DeviceSize(ULONGLONG& bytes) override;
    void CloseDevice() override;

    bool DeleteImage(const wchar_t* imagePath) override;
    bool CreateImage(const wchar_t* imagePath) override;
    DWORD ImageSectorSize() override;
    bool WriteImage(const void* buffer, DWORD bytes) override;
    bool SetImageLength(ULONGLONG bytes) override;
    void CloseImage() override;

    DWORD Milliseconds() override;

protected:
    // The sector sizes that transfers must respect; tests replace them to check the rule on
    // destinations Wine cannot provide.
    virtual DWORD QueryDeviceSectorSize(HANDLE device);
    virtual DWORD QueryImageSectorSize(const wchar_t* imagePath);

private:
    FileHandle device;
    FileHandle image;
    std::wstring imagePath;
    DWORD deviceSector = kFallbackDeviceSector;
    DWORD imageSector = kFallbackImageSector;
    ULONGLONG deviceOffset = 0;
    ULONGLONG imageOffset = 0;
    bool imageCut = false;
};
