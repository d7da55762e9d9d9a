#include "Win32CopyIO.h"
#include "FileDigests.h"
#include "ExtendedLengthPath.h"
#include "TransferAlignment.h"
#include <winioctl.h>
#include <ntddcdrm.h>
#include <mmsystem.h>
#include <cstddef>
#include <cstring>
#include <vector>

namespace {
// FILE_STORAGE_INFO, which the headers show only to programs that require Windows 8; earlier
// systems refuse the request, and the volume's sector size is asked for by path instead.
struct StorageInfo
{
    ULONG logicalBytesPerSector;
    ULONG physicalBytesPerSectorForAtomicity;
    ULONG physicalBytesPerSectorForPerformance;
    ULONG effectivePhysicalBytesPerSectorForAtomicity;
    ULONG flags;
    ULONG byteOffsetForSectorAlignment;
    ULONG byteOffsetForPartitionAlignment;
};
const FILE_INFO_BY_HANDLE_CLASS kFileStorageInfo = FILE_INFO_BY_HANDLE_CLASS(16);
}

void* Win32CopyIO::AllocateBuffer(std::size_t bytes)
{
    // VirtualAlloc hands out whole pages at the allocation granularity (64 KiB), which suits
    // unbuffered transfers on every sector size, and the pages come zero-filled.
    return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void Win32CopyIO::FreeBuffer(void* block)
{
    VirtualFree(block, 0, MEM_RELEASE);
}

bool Win32CopyIO::OpenDevice(const wchar_t* devicePath)
{
    // A volume must be opened shared for reading and writing: the system and other programs
    // keep it open too.
    device.Reset(CreateFileW(devicePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_NO_BUFFERING | FILE_ATTRIBUTE_READONLY, nullptr));
    if (!device.IsOpen())
        return false;
    // Lets reads go up to the end of the medium even where the mounted file system's idea of
    // the volume ends sooner (discs copied whole by the device size). Refused on some systems;
    // the copy then relies on the file system's bounds.
    DWORD returned = 0;
    DeviceIoControl(device.Get(), FSCTL_ALLOW_EXTENDED_DASD_IO, nullptr, 0, nullptr, 0, &returned, nullptr);
    deviceSector = QueryDeviceSectorSize(device.Get());
    deviceOffset = 0;
    return true;
}

bool Win32CopyIO::ReadDevice(void* buffer, DWORD bytes, DWORD& bytesRead)
{
    bytesRead = 0;
    if (!IsAlignedTransfer(buffer, bytes, deviceOffset, deviceSector)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!ReadFile(device.Get(), buffer, bytes, &bytesRead, nullptr))
        return false;
    deviceOffset += bytesRead;
    return true;
}

bool Win32CopyIO::SeekDevice(ULONGLONG offset)
{
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(offset);
    if (offset % deviceSector != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!SetFilePointerEx(device.Get(), to, nullptr, FILE_BEGIN))
        return false;
    deviceOffset = offset;
    return true;
}

bool Win32CopyIO::SessionCount(DWORD& sessions)
{
    CDROM_TOC_SESSION_DATA session = {};
    DWORD returned = 0;
    if (!DeviceIoControl(device.Get(), IOCTL_CDROM_GET_LAST_SESSION, nullptr, 0, &session, sizeof session,
                         &returned, nullptr))
        return false;
    if (session.LastCompleteSession < session.FirstCompleteSession) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    sessions = DWORD(session.LastCompleteSession) - session.FirstCompleteSession + 1;
    return true;
}

// The first session ends where its lead-out starts (point A2 of session 1). The full table of
// contents gives that only as minutes, seconds and frames, which count from 150 frames before
// sector 0.
bool Win32CopyIO::FirstSessionSectors(DWORD& sectors)
{
    std::vector<BYTE> toc;
    if (!QueryFullToc(device.Get(), toc))
        return false;
    const std::size_t header = offsetof(CDROM_TOC_FULL_TOC_DATA, Descriptors);
    const std::size_t blockBytes = sizeof(CDROM_TOC_FULL_TOC_DATA_BLOCK);
    std::size_t end = toc.size();
    if (end >= 2 && std::size_t(toc[0] << 8 | toc[1]) + 2 < end)
        end = std::size_t(toc[0] << 8 | toc[1]) + 2;
    for (std::size_t at = header; at + blockBytes <= end; at += blockBytes) {
        CDROM_TOC_FULL_TOC_DATA_BLOCK block;
        memcpy(&block, &toc[at], blockBytes);
        if (block.SessionNumber != 1 || block.Point != 0xA2)
            continue;
        const DWORD frames = (DWORD(block.Msf[0]) * 60 + block.Msf[1]) * 75 + block.Msf[2];
        if (frames <= 150)
            break;
        sectors = frames - 150;
        return true;
    }
    SetLastError(ERROR_INVALID_DATA);
    return false;
}

bool Win32CopyIO::DeviceSize(ULONGLONG& bytes)
{
    GET_LENGTH_INFORMATION length = {};
    DWORD returned = 0;
    if (DeviceIoControl(device.Get(), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length,
                        &returned, nullptr)) {
        bytes = ULONGLONG(length.Length.QuadPart);
        return true;
    }
    // Wine answers only this one for a disc image.
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(device.Get(), &size)) {
        bytes = ULONGLONG(size.QuadPart);
        return true;
    }
    return false;
}

void Win32CopyIO::CloseDevice()
{
    device.Close();
}

bool Win32CopyIO::DeleteImage(const wchar_t* path)
{
    return DeleteFileW(path) != FALSE;
}

bool Win32CopyIO::CreateImage(const wchar_t* path)
{
    // CREATE_ALWAYS empties a file that could not be deleted, so none of its old bytes survive.
    image.Reset(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_NO_BUFFERING, nullptr));
    if (!image.IsOpen())
        return false;
    imageSector = QueryImageSectorSize(image.Get(), path);
    imageOffset = 0;
    imageCut = false;
    imagePatching = false;
    return true;
}

DWORD Win32CopyIO::ImageSectorSize()
{
    return imageSector;
}

bool Win32CopyIO::WriteImage(const void* buffer, DWORD bytes)
{
    if (imageCut || imagePatching || !IsAlignedTransfer(buffer, bytes, imageOffset, imageSector)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(image.Get(), buffer, bytes, &written, nullptr))
        return false;
    if (written != bytes) {
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    imageOffset += written;
    return true;
}

void Win32CopyIO::StartImageWrite(const void* buffer, DWORD bytes)
{
    writer.Start([this, buffer, bytes] { return WriteImage(buffer, bytes); });
}

bool Win32CopyIO::FinishImageWrite()
{
    return writer.Finish();
}

// Setting the end of file is no data transfer, so the unbuffered handle may do it. Closing it
// and opening the file again would leave a gap in which an indexer or a virus scanner can open
// the new file and make the reopening fail, and a complete image would then be deleted.
bool Win32CopyIO::SetImageLength(ULONGLONG bytes)
{
    imageCut = true;
    FILE_END_OF_FILE_INFO end = {};
    end.EndOfFile.QuadPart = LONGLONG(bytes);
    return SetFileInformationByHandle(image.Get(), FileEndOfFileInfo, &end, sizeof end) != FALSE;
}

void Win32CopyIO::CloseImage()
{
    image.Close();
}

DWORD Win32CopyIO::Milliseconds()
{
    return timeGetTime();
}

TargetVolumeInfo Win32CopyIO::TargetVolume(const wchar_t* imagePath)
{
    TargetVolumeInfo volume;
    std::vector<wchar_t> root(wcslen(imagePath) + MAX_PATH + 1);
    if (!GetVolumePathNameW(imagePath, root.data(), DWORD(root.size())))
        return volume;
    volume.root = root.data();
    ULARGE_INTEGER availableToCaller = {}, total = {}, free = {};
    if (GetDiskFreeSpaceExW(volume.root.c_str(), &availableToCaller, &total, &free)) {
        volume.freeKnown = true;
        volume.freeBytes = availableToCaller.QuadPart;
    }
    wchar_t fileSystem[MAX_PATH + 1] = {};
    if (GetVolumeInformationW(volume.root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1))
        volume.fileSystem = fileSystem;
    return volume;
}

DWORD Win32CopyIO::FileAttributes(const wchar_t* path)
{
    return GetFileAttributesW(path);
}

bool Win32CopyIO::KeepImage(const wchar_t* partialPath, const wchar_t* imagePath)
{
    // One rename within the folder: the old image stays whole until the new one replaces it.
    // Write-through matters only where the move copies; the image itself was flushed before.
    return RenameFile(partialPath, imagePath);
}

bool Win32CopyIO::HashFile(const wchar_t* path, ImageDigestText& digests)
{
    return FileDigests(path, digests);
}

DWORD Win32CopyIO::QueryDeviceSectorSize(HANDLE handle)
{
    DISK_GEOMETRY geometry = {};
    DWORD returned = 0;
    if (DeviceIoControl(handle, IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &geometry, sizeof geometry, &returned,
                        nullptr)
        && geometry.BytesPerSector != 0)
        return geometry.BytesPerSector;
    return kFallbackDeviceSector;
}

bool Win32CopyIO::QueryFullToc(HANDLE handle, std::vector<BYTE>& toc)
{
    CDROM_READ_TOC_EX request = {};
    request.Format = CDROM_READ_TOC_EX_FORMAT_FULL_TOC;
    request.Msf = 1;  // the only addressing this format has
    request.SessionTrack = 1;
    // The reply's length field has 16 bits.
    toc.assign(65536 + 2, 0);
    DWORD returned = 0;
    if (!DeviceIoControl(handle, IOCTL_CDROM_READ_TOC_EX, &request, sizeof request, toc.data(), DWORD(toc.size()),
                         &returned, nullptr))
        return false;
    toc.resize(returned);
    return true;
}

DWORD Win32CopyIO::QueryImageSectorSize(HANDLE handle, const wchar_t* path)
{
    StorageInfo storage = {};
    if (GetFileInformationByHandleEx(handle, kFileStorageInfo, &storage, sizeof storage)
        && storage.logicalBytesPerSector != 0)
        return storage.logicalBytesPerSector;
    std::vector<wchar_t> root(MAX_PATH + 1 + wcslen(path));
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (GetVolumePathNameW(path, root.data(), DWORD(root.size()))
        && GetDiskFreeSpaceW(root.data(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)
        && bytesPerSector != 0)
        return bytesPerSector;
    return kFallbackImageSector;
}

namespace {
// `path` as the wide file functions take it at any length, or empty with the reason set.
std::wstring LongPath(const std::wstring& path)
{
    std::wstring usable = ExtendedLengthPath(path);
    if (usable.empty())
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return usable;
}

bool WriteAll(HANDLE file, const void* buffer, DWORD bytes)
{
    DWORD written = 0;
    if (!WriteFile(file, buffer, bytes, &written, nullptr))
        return false;
    if (written != bytes) {
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return true;
}
}

bool Win32CopyIO::OpenImageForPatching(const wchar_t* imagePath)
{
    std::wstring path = LongPath(imagePath);
    if (path.empty())
        return false;
    // Not shared for writing: nothing else may change the image while its holes are filled.
    image.Reset(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    imagePatching = image.IsOpen();
    imageCut = false;
    return imagePatching;
}

bool Win32CopyIO::PatchImage(ULONGLONG offset, const void* buffer, DWORD bytes)
{
    if (!imagePatching) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(offset);
    return SetFilePointerEx(image.Get(), to, nullptr, FILE_BEGIN) && WriteAll(image.Get(), buffer, bytes);
}

bool Win32CopyIO::FlushImage()
{
    return FlushFileBuffers(image.Get()) != FALSE;
}

bool Win32CopyIO::ReadTextFile(const wchar_t* path, std::string& text)
{
    std::wstring usable = LongPath(path);
    if (usable.empty())
        return false;
    FileHandle file(CreateFileW(usable.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size = {};
    if (!file.IsOpen() || !GetFileSizeEx(file.Get(), &size))
        return false;
    if (ULONGLONG(size.QuadPart) > kLargestTextFile) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    std::string read(std::size_t(size.QuadPart), '\0');
    DWORD got = 0;
    if (!read.empty() && !ReadFile(file.Get(), &read[0], DWORD(read.size()), &got, nullptr))
        return false;
    read.resize(got);
    text.swap(read);
    return true;
}

bool Win32CopyIO::ReplaceTextFile(const wchar_t* path, const std::string& text)
{
    std::wstring usable = LongPath(path);
    if (usable.empty())
        return false;
    if (text.size() > kLargestTextFile) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    // Made long on its own: a path just short of MAX_PATH is no longer so with ".tmp".
    std::wstring temporary = LongPath(std::wstring(path) + L".tmp");
    if (temporary.empty())
        return false;
    FileHandle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (!file.IsOpen())
        return false;
    // On the disk before it takes the name: a crash after the move must not find it empty.
    bool written = (text.empty() || WriteAll(file.Get(), text.data(), DWORD(text.size())))
        && FlushFileBuffers(file.Get()) != FALSE;
    file.Close();
    if (written
        && MoveFileExW(temporary.c_str(), usable.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    SetLastError(error);
    return false;
}

bool Win32CopyIO::RemoveFile(const wchar_t* path)
{
    std::wstring usable = LongPath(path);
    return !usable.empty() && DeleteFileW(usable.c_str()) != FALSE;
}

bool Win32CopyIO::RenameFile(const wchar_t* from, const wchar_t* to)
{
    const std::wstring source = LongPath(from), target = LongPath(to);
    return !source.empty() && !target.empty()
        && MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool Win32CopyIO::LastWriteTime(const wchar_t* path, FILETIME& time)
{
    const std::wstring usable = LongPath(path);
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (usable.empty() || !GetFileAttributesExW(usable.c_str(), GetFileExInfoStandard, &data))
        return false;
    time = data.ftLastWriteTime;
    return true;
}

bool Win32CopyIO::FileSize(const wchar_t* path, ULONGLONG& bytes)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    std::wstring usable = LongPath(path);
    if (usable.empty() || !GetFileAttributesExW(usable.c_str(), GetFileExInfoStandard, &data))
        return false;
    bytes = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

bool Win32CopyIO::ReadFileAt(const wchar_t* path, ULONGLONG offset, void* buffer, DWORD bytes, DWORD& bytesRead)
{
    bytesRead = 0;
    std::wstring usable = LongPath(path);
    if (usable.empty())
        return false;
    // Shared for reading and writing: only looked at, while the user may have it open elsewhere.
    FileHandle file(CreateFileW(usable.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsOpen())
        return false;
    LARGE_INTEGER at;
    at.QuadPart = LONGLONG(offset);
    return SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN)
        && ReadFile(file.Get(), buffer, bytes, &bytesRead, nullptr);
}
