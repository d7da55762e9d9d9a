#include "Win32CopyIO.h"
#include "TransferAlignment.h"
#include <winioctl.h>
#include <mmsystem.h>
#include <vector>

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
    device.Reset(CreateFileW(devicePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
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
    imagePath = path;
    imageSector = QueryImageSectorSize(path);
    imageOffset = 0;
    imageCut = false;
    return true;
}

DWORD Win32CopyIO::ImageSectorSize()
{
    return imageSector;
}

bool Win32CopyIO::WriteImage(const void* buffer, DWORD bytes)
{
    if (imageCut || !IsAlignedTransfer(buffer, bytes, imageOffset, imageSector)) {
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

// The length is set through a second, buffered handle: an unbuffered one is meant for whole
// sectors only. The image is not shared, so the unbuffered handle is closed first.
bool Win32CopyIO::SetImageLength(ULONGLONG bytes)
{
    image.Close();
    imageCut = true;
    image.Reset(CreateFileW(imagePath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    if (!image.IsOpen())
        return false;
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

DWORD Win32CopyIO::QueryImageSectorSize(const wchar_t* path)
{
    std::vector<wchar_t> root(MAX_PATH + 1 + wcslen(path));
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (GetVolumePathNameW(path, root.data(), DWORD(root.size()))
        && GetDiskFreeSpaceW(root.data(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)
        && bytesPerSector != 0)
        return bytesPerSector;
    return kFallbackImageSector;
}
