#pragma once
#include "CopyIO.h"
#include "TransferAlignment.h"
#include <map>
#include <string>
#include <vector>

// A disc and a file system in memory for the copy job, with faults to inject. Every operation
// that matters to the order of events is appended to `log` (shared with the test's owner).
// Transfers are checked as Windows checks unbuffered ones; a violation fails the transfer
// with ERROR_INVALID_PARAMETER and is counted.
class FakeCopyIO : public CopyIO
{
public:
    explicit FakeCopyIO(std::vector<std::string>& log) : log(log) {}
    ~FakeCopyIO() override
    {
        for (void* block : blocks)
            VirtualFree(block, 0, MEM_RELEASE);
    }

    // The disc and its faults.
    std::vector<BYTE> disc;
    DWORD openDeviceError = 0;         // nonzero: OpenDevice fails with it
    long failReadAtSector = -1;        // a read that includes this sector fails
    DWORD readError = ERROR_CRC;
    bool shortBeforeBadSector = false;  // the failing read first returns what precedes the sector
    bool deviceSizeKnown = true;
    DWORD deviceSector = 2048;

    // The file system and its faults.
    std::map<std::wstring, std::vector<BYTE>> files;
    DWORD createImageError = 0;
    ULONGLONG diskSpace = ~0ULL;       // bytes an image may hold before writes fail
    bool deleteFails = false;
    bool setLengthFails = false;
    DWORD imageSector = 2048;
    bool allocationFails = false;

    // What happened.
    std::vector<DWORD> reads;
    std::vector<DWORD> writes;
    std::vector<std::wstring> openedDevices;
    int alignmentViolations = 0;
    int setLengthCalls = 0;
    int buffersHeld = 0;
    DWORD clock = 5000;
    DWORD msPerRead = 7;

    void* AllocateBuffer(std::size_t bytes) override
    {
        log.push_back("AllocateBuffer");
        if (allocationFails) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        void* block = VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        blocks.push_back(block);
        ++buffersHeld;
        return block;
    }

    void FreeBuffer(void*) override
    {
        log.push_back("FreeBuffer");
        --buffersHeld;
    }

    bool OpenDevice(const wchar_t* devicePath) override
    {
        log.push_back("OpenDevice");
        openedDevices.push_back(devicePath);
        if (openDeviceError) {
            SetLastError(openDeviceError);
            return false;
        }
        deviceOpen = true;
        deviceOffset = 0;
        return true;
    }

    bool ReadDevice(void* buffer, DWORD bytes, DWORD& bytesRead) override
    {
        bytesRead = 0;
        reads.push_back(bytes);
        clock += msPerRead;
        if (!deviceOpen || !IsAlignedTransfer(buffer, bytes, deviceOffset, deviceSector)) {
            ++alignmentViolations;
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        ULONGLONG first = deviceOffset / 2048, end = (deviceOffset + bytes) / 2048;
        if (failReadAtSector >= 0 && ULONGLONG(failReadAtSector) >= first && ULONGLONG(failReadAtSector) < end) {
            if (shortBeforeBadSector && ULONGLONG(failReadAtSector) > first) {
                bytes = DWORD((failReadAtSector - first) * 2048);
            } else {
                SetLastError(readError);
                return false;
            }
        }
        // As Wine does: at the end of the medium a read succeeds short, or with nothing.
        ULONGLONG available = deviceOffset < disc.size() ? disc.size() - deviceOffset : 0;
        bytesRead = DWORD(available < bytes ? available : bytes);
        std::copy(disc.begin() + deviceOffset, disc.begin() + deviceOffset + bytesRead, static_cast<BYTE*>(buffer));
        deviceOffset += bytesRead;
        return true;
    }

    bool DeviceSize(ULONGLONG& bytes) override
    {
        if (!deviceSizeKnown) {
            SetLastError(ERROR_INVALID_FUNCTION);
            return false;
        }
        bytes = disc.size();
        return true;
    }

    void CloseDevice() override
    {
        log.push_back("CloseDevice");
        deviceOpen = false;
    }

    bool DeleteImage(const wchar_t* imagePath) override
    {
        log.push_back("DeleteImage");
        if (deleteFails || files.erase(imagePath) == 0) {
            SetLastError(deleteFails ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
            return false;
        }
        return true;
    }

    bool CreateImage(const wchar_t* imagePath) override
    {
        log.push_back("CreateImage");
        if (createImageError) {
            SetLastError(createImageError);
            return false;
        }
        files[imagePath].clear();
        image = imagePath;
        imageOpen = true;
        return true;
    }

    DWORD ImageSectorSize() override { return imageSector; }

    bool WriteImage(const void* buffer, DWORD bytes) override
    {
        writes.push_back(bytes);
        std::vector<BYTE>& file = files[image];
        if (!imageOpen || !IsAlignedTransfer(buffer, bytes, file.size(), imageSector)) {
            ++alignmentViolations;
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        if (file.size() + bytes > diskSpace) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        const BYTE* data = static_cast<const BYTE*>(buffer);
        file.insert(file.end(), data, data + bytes);
        return true;
    }

    bool SetImageLength(ULONGLONG bytes) override
    {
        ++setLengthCalls;
        if (setLengthFails) {
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        files[image].resize(bytes);
        imageOpen = false;
        return true;
    }

    void CloseImage() override
    {
        log.push_back("CloseImage");
        imageOpen = false;
    }

    DWORD Milliseconds() override { return clock; }

private:
    std::vector<std::string>& log;
    std::vector<void*> blocks;
    std::wstring image;
    bool deviceOpen = false;
    bool imageOpen = false;
    ULONGLONG deviceOffset = 0;
};
