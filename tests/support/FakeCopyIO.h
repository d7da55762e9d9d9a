#pragma once
#include "FakeDisc.h"
#include "RescueMap.h"
#include "ImageDigests.h"
#include <cstdio>
#include <new>

// The copy's I/O in memory for the engine's tests: the disc (FakeDisc), and here the files: the
// folder of the image, with the image and every file beside it, the volume it lies on, and
// aligned buffers. File faults are named by operation in `fails`: L"CreateImage",
// L"DeleteImage", L"SetImageLength", L"FlushImage", L"KeepImage" and L"HashFile" fail whatever
// their path, L"ReplaceTextFile <path>", L"ReadTextFile <path>", L"RemoveFile <path>" and
// L"RenameFile <to>" for that path only.
//
// The image on the disk is what the last flush saw: every map written is checked
// against it, and each sector it calls finished that does not hold the disc's bytes there counts
// in mapLies. With crashAfter set, the power is cut after that many file changes (create, write,
// cut, patch, flush, map save, rename, remove): the open image loses what was not flushed, and
// from then on nothing changes on the disk.
class FakeCopyIO : public FakeDisc
{
public:
    using FakeDisc::FakeDisc;
    ~FakeCopyIO() override
    {
        for (void* block : blocks)
            VirtualFree(block, 0, MEM_RELEASE);
    }

    std::map<std::wstring, std::vector<BYTE>> files;
    std::map<std::wstring, DWORD> fails;
    std::map<std::wstring, DWORD> attributes;  // of paths that are no plain file: a folder, a read-only file
    TargetVolumeInfo volume;                   // what the target reports; unknown by default
    ULONGLONG diskSpace = ~0ULL;               // bytes the image may hold before writes fail
    DWORD imageSector = 2048;
    bool createImageThrows = false;            // the file is made, then the call throws
    bool allocationFails = false;
    int buffersHeld = 0;
    std::map<int, std::function<void()>> atWrite;  // run during the n-th image write (1-based)
    int mapLies = 0;
    int crashAfter = 0;  // 0: never
    int changes = 0;     // file changes made so far

    void* AllocateBuffer(std::size_t bytes) override
    {
        log.push_back("AllocateBuffer");
        if (allocationFails)
            return Refuse(ERROR_NOT_ENOUGH_MEMORY), nullptr;
        blocks.push_back(VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        ++buffersHeld;
        return blocks.back();
    }

    void FreeBuffer(void*) override
    {
        log.push_back("FreeBuffer");
        --buffersHeld;
    }

    bool DeleteImage(const wchar_t* path) override { return Erase(L"DeleteImage", path); }
    bool RemoveFile(const wchar_t* path) override { return Erase(L"RemoveFile", path); }

    bool CreateImage(const wchar_t* path) override
    {
        if (Fails(L"CreateImage", path) || Dead())
            return false;
        files[path].clear();
        flushed.clear();
        if (createImageThrows)
            throw std::bad_alloc();
        image = path;
        return Changed(), imageOpen = appending = true;
    }

    bool OpenImageForPatching(const wchar_t* path) override
    {
        log.push_back("OpenImageForPatching");
        image = path;
        if (files.count(path))
            flushed = files[path];
        return (imageOpen = patching = files.count(path) != 0) || Refuse(ERROR_FILE_NOT_FOUND);
    }

    bool RenameFile(const wchar_t* from, const wchar_t* to) override
    {
        if (Fails(L"RenameFile", to) || Dead())
            return false;
        if (!files.count(from))
            return Refuse(ERROR_FILE_NOT_FOUND);
        files[to] = files[from];
        files.erase(from);
        return Changed();
    }

    bool LastWriteTime(const wchar_t* path, FILETIME& time) override
    {
        time = {0x12345678, 0x01DB0000};
        return files.count(path) || Refuse(ERROR_FILE_NOT_FOUND);
    }

    DWORD ImageSectorSize() override { return imageSector; }

    void StartImageWrite(const void* buffer, DWORD bytes) override
    {
        violations += pending != nullptr;
        pending = buffer;
        pendingBytes = bytes;
    }

    bool FinishImageWrite() override
    {
        const void* buffer = pending;
        pending = nullptr;
        // A writer thread hands back its own last error, whatever the caller's was.
        SetLastError(ERROR_SUCCESS);
        return !buffer || WriteImage(buffer, pendingBytes);
    }

    bool WriteImage(const void* buffer, DWORD bytes) override
    {
        transfers.push_back("W" + std::to_string(bytes));
        if (atWrite.count(++writes))
            atWrite[writes]();
        std::vector<BYTE>& file = files[image];
        if (!appending || pending || !IsAlignedTransfer(buffer, bytes, file.size(), imageSector))
            return ++violations, Refuse(ERROR_INVALID_PARAMETER);
        if (Dead() || file.size() + bytes > diskSpace)
            return !Dead() && Refuse(ERROR_DISK_FULL);
        file.insert(file.end(), static_cast<const BYTE*>(buffer), static_cast<const BYTE*>(buffer) + bytes);
        return Changed();
    }

    bool SetImageLength(ULONGLONG bytes) override
    {
        violations += pending != nullptr;
        if (Fails(L"SetImageLength", image.c_str()) || Dead())
            return false;
        files[image].resize(std::size_t(bytes));
        appending = false;
        return Changed();
    }

    bool PatchImage(ULONGLONG offset, const void* buffer, DWORD bytes) override
    {
        if (Dead() || !patching || offset + bytes > diskSpace)
            return !Dead() && Refuse(patching ? ERROR_DISK_FULL : ERROR_INVALID_PARAMETER);
        std::vector<BYTE>& file = files[image];
        file.resize(std::max<std::size_t>(file.size(), std::size_t(offset + bytes)));
        std::copy_n(static_cast<const BYTE*>(buffer), bytes, file.begin() + std::size_t(offset));
        return Changed();
    }

    bool FlushImage() override
    {
        if (Fails(L"FlushImage", image.c_str()) || Dead())
            return false;
        flushed = files[image];
        return Changed();
    }

    void CloseImage() override
    {
        log.push_back("CloseImage");
        violations += pending != nullptr;
        imageOpen = appending = patching = false;
    }

    TargetVolumeInfo TargetVolume(const wchar_t*) override { return volume; }

    DWORD FileAttributes(const wchar_t* path) override
    {
        if (attributes.count(path))
            return attributes[path];
        return files.count(path) ? FILE_ATTRIBUTE_ARCHIVE : INVALID_FILE_ATTRIBUTES;
    }

    bool KeepImage(const wchar_t* partialPath, const wchar_t* imagePath) override
    {
        // Renamed only once closed: Windows refuses to move a file this copy holds unshared.
        if (imageOpen || !files.count(partialPath))
            return ++violations, Refuse(ERROR_ACCESS_DENIED);
        if (Fails(L"KeepImage", imagePath) || Dead())
            return false;
        files[imagePath] = files[partialPath];
        files.erase(partialPath);
        return Changed();
    }

    bool HashFile(const wchar_t* path, ImageDigestText& digests) override
    {
        if (Fails(L"HashFile", path) || !files.count(path))
            return false;
        ImageDigests hash;
        return hash.Add(files[path].data(), files[path].size()) && hash.Finish(digests);
    }

    bool ReadTextFile(const wchar_t* path, std::string& text) override
    {
        if (Fails(L"ReadTextFile", path))
            return false;
        if (!files.count(path))
            return Refuse(ERROR_FILE_NOT_FOUND);
        text.assign(files[path].begin(), files[path].end());
        return true;
    }

    bool ReplaceTextFile(const wchar_t* path, const std::string& text) override
    {
        // As the real one: on failure the old file, if any, stays whole.
        if (Fails(L"ReplaceTextFile", path) || Dead())
            return false;
        files[path].assign(text.begin(), text.end());
        Changed();
        const std::wstring name = path;
        RescueMap map;
        std::wstring message;
        if (name.size() < 4 || name.compare(name.size() - 4, 4, L".map") != 0)
            return true;
        // Of the volume, which may end before the disc does.
        unsigned long long sectors = disc.size() / 2048;
        std::sscanf(text.c_str(), "# Mapfile of a disc of %llu", &sectors);
        mapLies += !RescueMap::Parse(text, sectors, path, map, message);
        for (const RescueMap::Area& area : map.AreasOf(RescueMap::kFinished)) {
            const std::size_t from = std::size_t(area.first) * 2048, to = std::size_t(area.first + area.sectors) * 2048;
            mapLies += flushed.size() < to || !std::equal(disc.begin() + from, disc.begin() + to, flushed.begin() + from);
        }
        return true;
    }

    bool FileSize(const wchar_t* path, ULONGLONG& bytes) override
    {
        return (bytes = files.count(path) ? files[path].size() : 0, files.count(path)) || Refuse(ERROR_FILE_NOT_FOUND);
    }

    bool ReadFileAt(const wchar_t* path, ULONGLONG offset, void* buffer, DWORD bytes, DWORD& got) override
    {
        static const std::vector<BYTE> none;
        const std::vector<BYTE>& file = files.count(path) ? files[path] : none;
        got = offset < file.size() ? DWORD(std::min<ULONGLONG>(bytes, file.size() - offset)) : 0;
        std::copy_n(file.begin() + std::size_t(offset), got, static_cast<BYTE*>(buffer));
        return true;
    }

private:
    // The named operation fails on `path`, with its error as the thread's last error.
    bool Fails(const wchar_t* operation, const wchar_t* path)
    {
        log.push_back(std::string(operation, operation + wcslen(operation)));
        auto fault = fails.find(operation);
        if (fault == fails.end())
            fault = fails.find(std::wstring(operation) + L" " + path);
        return fault != fails.end() && !Refuse(fault->second);
    }

    bool Erase(const wchar_t* operation, const wchar_t* path)
    {
        return !Fails(operation, path) && !Dead() && (files.erase(path) != 0 || Refuse(ERROR_FILE_NOT_FOUND))
            && Changed();
    }

    // After the power cut every change fails, as the process that made them is gone.
    bool Dead() const { return crashAfter != 0 && changes >= crashAfter && !Refuse(ERROR_NOT_READY); }
    bool Changed()
    {
        // The open image keeps only what was flushed.
        if (++changes == crashAfter && imageOpen && files.count(image))
            files[image] = flushed;
        return true;
    }

    std::vector<void*> blocks;
    std::vector<BYTE> flushed;
    std::wstring image;
    bool imageOpen = false;
    bool appending = false;  // created, not yet cut to its length: written only at its end
    bool patching = false;   // opened through the cache: written anywhere
    const void* pending = nullptr;
    DWORD pendingBytes = 0;
    int writes = 0;
};
