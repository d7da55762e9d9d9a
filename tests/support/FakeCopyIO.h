#pragma once
#include "CopyIO.h"
#include "RescueMap.h"
#include "Sha256.h"
#include "TransferAlignment.h"
#include <functional>
#include <map>
#include <new>
#include <string>
#include <vector>

// A disc and a file system in memory for the copy job, with faults to inject. Every operation
// that matters to the order of events is appended to `log` (shared with the test's owner).
// Transfers are checked as Windows checks unbuffered ones; a violation fails the transfer
// with ERROR_INVALID_PARAMETER and is counted.
//
// A started image write is carried out only when it is finished, so a test sees in
// `transfers` exactly which reads overlap which writes ("R17+500" reads 500 sectors from sector
// 17, "W1024000" writes that many bytes), and can act while either is in flight (atRead,
// atWrite).
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
    // The fault script: sector -> what each read reaching it does, in turn: 'F' fails the read
    // (with readError), 'S' cuts it short just before the sector (nothing, when it starts
    // there), '.' reads it. The last letter holds for every later read: "F" never reads, "FF."
    // reads at the third attempt, "S." comes back short once.
    std::map<ULONGLONG, std::string> script;
    DWORD readError = ERROR_CRC;
    DWORD sessions = 0;                 // 0: the drive cannot tell
    DWORD firstSessionSectors = 0;      // 0: the drive cannot tell
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
    bool createImageThrows = false;    // the file is made, then the call throws
    // Attributes of paths beyond the plain files above (a folder, a read-only file).
    std::map<std::wstring, DWORD> attributes;
    TargetVolumeInfo volume;           // what the target volume reports; unknown by default
    std::map<std::wstring, DWORD> replaceErrors;  // ReplaceTextFile of these paths fails with the error
    DWORD flushError = 0;              // nonzero: FlushImage fails with it

    // What happened.
    std::vector<DWORD> reads;
    std::vector<DWORD> writes;
    std::vector<std::string> transfers;
    // Run during the n-th read or the n-th image write (1-based), while it is in flight.
    std::map<int, std::function<void()>> atRead, atWrite;
    int protocolViolations = 0;
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
        transfers.push_back("R" + std::to_string(deviceOffset / 2048) + "+" + std::to_string(bytes / 2048));
        RunHook(atRead, reads.size());
        clock += msPerRead;
        if (!deviceOpen || !IsAlignedTransfer(buffer, bytes, deviceOffset, deviceSector)) {
            ++alignmentViolations;
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        ULONGLONG first = deviceOffset / 2048, end = (deviceOffset + bytes) / 2048;
        // Sectors are reached in order: one the read stops before is not reached.
        for (auto& entry : script) {
            if (entry.first < first || entry.first >= end)
                continue;
            const char outcome = NextOutcome(entry.second);
            if (outcome == 'F') {
                SetLastError(readError);
                return false;
            }
            if (outcome == 'S') {
                bytes = DWORD((entry.first - first) * 2048);
                break;
            }
        }
        // As Wine does: at the end of the medium a read succeeds short, or with nothing.
        ULONGLONG available = deviceOffset < disc.size() ? disc.size() - deviceOffset : 0;
        bytesRead = DWORD(available < bytes ? available : bytes);
        std::copy(disc.begin() + deviceOffset, disc.begin() + deviceOffset + bytesRead, static_cast<BYTE*>(buffer));
        deviceOffset += bytesRead;
        return true;
    }

    bool SeekDevice(ULONGLONG offset) override
    {
        transfers.push_back("S" + std::to_string(offset / 2048));
        if (!deviceOpen || offset % deviceSector != 0) {
            ++alignmentViolations;
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        deviceOffset = offset;
        return true;
    }

    bool SessionCount(DWORD& count) override
    {
        if (sessions == 0) {
            SetLastError(ERROR_INVALID_FUNCTION);
            return false;
        }
        count = sessions;
        return true;
    }

    bool FirstSessionSectors(DWORD& sectors) override
    {
        if (firstSessionSectors == 0)
            SetLastError(ERROR_INVALID_FUNCTION);
        sectors = firstSessionSectors;
        return sectors != 0;
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
        if (createImageThrows)
            throw std::bad_alloc();
        image = imagePath;
        imageOpen = true;
        handleOpen = true;
        return true;
    }

    DWORD ImageSectorSize() override { return imageSector; }

    void StartImageWrite(const void* buffer, DWORD bytes) override
    {
        if (pending)
            ++protocolViolations;
        pending = true;
        pendingBuffer = buffer;
        pendingBytes = bytes;
    }

    bool FinishImageWrite() override
    {
        if (!pending)
            return true;
        pending = false;
        // A writer thread hands back its own last error, whatever the caller's was.
        SetLastError(ERROR_SUCCESS);
        return Write(pendingBuffer, pendingBytes);
    }

    bool WriteImage(const void* buffer, DWORD bytes) override
    {
        if (pending)
            ++protocolViolations;
        return Write(buffer, bytes);
    }

    bool Write(const void* buffer, DWORD bytes)
    {
        writes.push_back(bytes);
        transfers.push_back("W" + std::to_string(bytes));
        RunHook(atWrite, writes.size());
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
        if (pending)
            ++protocolViolations;
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
        if (pending)
            ++protocolViolations;
        imageOpen = false;
        patching = false;
        handleOpen = false;
    }

    DWORD Milliseconds() override { return clock; }

    bool FlushImage() override
    {
        log.push_back("FlushImage");
        if (!flushError)
            flushed = files[image];
        SetLastError(flushError);
        return flushError == 0;
    }

    TargetVolumeInfo TargetVolume(const wchar_t*) override { return volume; }

    DWORD FileAttributes(const wchar_t* path) override
    {
        auto found = attributes.find(path);
        if (found != attributes.end())
            return found->second;
        return files.count(path) ? FILE_ATTRIBUTE_ARCHIVE : INVALID_FILE_ATTRIBUTES;
    }

    bool KeepImage(const wchar_t* partialPath, const wchar_t* imagePath) override
    {
        log.push_back("KeepImage");
        // Renamed only once closed: Windows refuses to move a file this copy holds unshared.
        if (handleOpen || !files.count(partialPath)) {
            ++protocolViolations;
            SetLastError(ERROR_FILE_NOT_FOUND);
            return false;
        }
        files[imagePath] = files[partialPath];
        files.erase(partialPath);
        return true;
    }

    // Finishing an image later. The image on the disk is what the last flush saw: a map
    // written at any moment is checked against it, and each sector it calls finished that
    // does not hold the disc's bytes there counts in mapLies.
    int mapLies = 0;
    int mapWrites = 0;

    bool OpenImageForPatching(const wchar_t* path) override
    {
        log.push_back("OpenImageForPatching");
        if (!files.count(path)) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return false;
        }
        image = path;
        patching = true;
        handleOpen = true;
        return true;
    }

    bool PatchImage(ULONGLONG offset, const void* buffer, DWORD bytes) override
    {
        std::vector<BYTE>& file = files[image];
        if (!patching || offset + bytes > diskSpace) {
            SetLastError(patching ? ERROR_DISK_FULL : ERROR_INVALID_PARAMETER);
            return false;
        }
        if (file.size() < offset + bytes)
            file.resize(std::size_t(offset + bytes));
        std::copy(static_cast<const BYTE*>(buffer), static_cast<const BYTE*>(buffer) + bytes, file.begin() + offset);
        return true;
    }

    bool ReadTextFile(const wchar_t* path, std::string& text) override
    {
        if (!files.count(path)) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return false;
        }
        text.assign(files[path].begin(), files[path].end());
        return true;
    }

    bool ReplaceTextFile(const wchar_t* path, const std::string& text) override
    {
        if (replaceErrors.count(path)) {
            // As the real one: the old file, if any, stays whole.
            SetLastError(replaceErrors.at(path));
            return false;
        }
        files[path].assign(text.begin(), text.end());
        const std::wstring name = path;
        if (name.size() < 4 || name.compare(name.size() - 4, 4, L".map") != 0)
            return true;
        ++mapWrites;
        RescueMap map;
        std::wstring message;
        if (!RescueMap::Parse(text, disc.size() / 2048, path, map, message))
            ++mapLies;
        for (const RescueMap::Area& area : map.AreasOf(RescueMap::kFinished)) {
            const std::size_t from = std::size_t(area.first) * 2048, to = std::size_t(area.first + area.sectors) * 2048;
            if (flushed.size() < to || !std::equal(flushed.begin() + from, flushed.begin() + to, disc.begin() + from))
                ++mapLies;
        }
        return true;
    }

    bool HashFile(const wchar_t* path, std::string& hex) override
    {
        auto file = files.find(path);
        if (file == files.end()) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return false;
        }
        Sha256 sha;
        return sha.Add(file->second.data(), file->second.size()) && sha.Finish(hex);
    }

    bool RemoveFile(const wchar_t* path) override
    {
        log.push_back("RemoveFile");
        if (files.erase(path) == 0) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return false;
        }
        return true;
    }

    bool FileSize(const wchar_t* path, ULONGLONG& bytes) override
    {
        if (!files.count(path)) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return false;
        }
        bytes = files[path].size();
        return true;
    }

    bool ReadFileAt(const wchar_t* path, ULONGLONG offset, void* buffer, DWORD bytes, DWORD& got) override
    {
        const std::vector<BYTE>& file = files[path];
        got = offset < file.size() ? DWORD(std::min<ULONGLONG>(bytes, file.size() - offset)) : 0;
        std::copy(file.begin() + std::size_t(offset), file.begin() + std::size_t(offset + got),
                  static_cast<BYTE*>(buffer));
        return true;
    }

private:
    bool patching = false;
    std::vector<BYTE> flushed;
    static void RunHook(std::map<int, std::function<void()>>& hooks, std::size_t n)
    {
        auto hook = hooks.find(int(n));
        if (hook != hooks.end())
            hook->second();
    }

    static char NextOutcome(std::string& outcomes)
    {
        const char outcome = outcomes.empty() ? '.' : outcomes[0];
        if (outcomes.size() > 1)
            outcomes.erase(0, 1);
        return outcome;
    }

    std::vector<std::string>& log;
    bool pending = false;
    const void* pendingBuffer = nullptr;
    DWORD pendingBytes = 0;
    std::vector<void*> blocks;
    std::wstring image;
    bool deviceOpen = false;
    bool imageOpen = false;
    bool handleOpen = false;
    ULONGLONG deviceOffset = 0;
};
