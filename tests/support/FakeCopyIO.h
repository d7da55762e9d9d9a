#pragma once
#include "FakeDisc.h"
#include "RescueMap.h"
#include "Sha256.h"
#include <new>

// The copy's I/O in memory for the engine's tests: the disc (FakeDisc), and here the files: the
// folder of the image, with the image and every file beside it, the volume it lies on, and
// aligned buffers. File faults are named by operation in `fails`: L"CreateImage",
// L"DeleteImage", L"SetImageLength", L"FlushImage", L"KeepImage" and L"HashFile" fail whatever
// their path, L"ReplaceTextFile <path>" and L"RemoveFile <path>" for that path only.
//
// The image on the disk is what the last flush saw: every map written is checked
// against it, and each sector it calls finished that does not hold the disc's bytes there counts
// in mapLies.
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
        if (Fails(L"CreateImage", path))
            return false;
        files[path].clear();
        if (createImageThrows)
            throw std::bad_alloc();
        image = path;
        return imageOpen = appending = true;
    }

    bool OpenImageForPatching(const wchar_t* path) override
    {
        log.push_back("OpenImageForPatching");
        image = path;
        return (imageOpen = patching = files.count(path) != 0) || Refuse(ERROR_FILE_NOT_FOUND);
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
        if (file.size() + bytes > diskSpace)
            return Refuse(ERROR_DISK_FULL);
        file.insert(file.end(), static_cast<const BYTE*>(buffer), static_cast<const BYTE*>(buffer) + bytes);
        return true;
    }

    bool SetImageLength(ULONGLONG bytes) override
    {
        violations += pending != nullptr;
        if (Fails(L"SetImageLength", image.c_str()))
            return false;
        files[image].resize(std::size_t(bytes));
        appending = false;
        return true;
    }

    bool PatchImage(ULONGLONG offset, const void* buffer, DWORD bytes) override
    {
        std::vector<BYTE>& file = files[image];
        if (!patching || offset + bytes > diskSpace)
            return Refuse(patching ? ERROR_DISK_FULL : ERROR_INVALID_PARAMETER);
        file.resize(std::max<std::size_t>(file.size(), std::size_t(offset + bytes)));
        std::copy_n(static_cast<const BYTE*>(buffer), bytes, file.begin() + std::size_t(offset));
        return true;
    }

    bool FlushImage() override
    {
        if (Fails(L"FlushImage", image.c_str()))
            return false;
        flushed = files[image];
        return true;
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
        if (Fails(L"KeepImage", imagePath))
            return false;
        files[imagePath] = files[partialPath];
        files.erase(partialPath);
        return true;
    }

    bool HashFile(const wchar_t* path, std::string& hex) override
    {
        if (Fails(L"HashFile", path) || !files.count(path))
            return false;
        Sha256 sha;
        return sha.Add(files[path].data(), files[path].size()) && sha.Finish(hex);
    }

    bool ReadTextFile(const wchar_t* path, std::string& text) override
    {
        if (!files.count(path))
            return Refuse(ERROR_FILE_NOT_FOUND);
        text.assign(files[path].begin(), files[path].end());
        return true;
    }

    bool ReplaceTextFile(const wchar_t* path, const std::string& text) override
    {
        // As the real one: on failure the old file, if any, stays whole.
        if (Fails(L"ReplaceTextFile", path))
            return false;
        files[path].assign(text.begin(), text.end());
        const std::wstring name = path;
        RescueMap map;
        std::wstring message;
        if (name.size() < 4 || name.compare(name.size() - 4, 4, L".map") != 0)
            return true;
        mapLies += !RescueMap::Parse(text, disc.size() / 2048, path, map, message);
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
        const std::vector<BYTE>& file = files[path];
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
        return !Fails(operation, path) && (files.erase(path) != 0 || Refuse(ERROR_FILE_NOT_FOUND));
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
