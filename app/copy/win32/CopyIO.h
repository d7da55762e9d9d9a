#pragma once
#include <windows.h>
#include "TargetVolumeInfo.h"
#include <cstddef>
#include <string>

struct ImageDigestText;

// The platform services the copy job needs, and nothing more: one raw source device read
// sequentially from its start, one image file written sequentially from its start, an aligned
// buffer and a millisecond clock. Win32CopyIO is the real one; tests put a fake in its place.
//
// Every failing operation leaves the reason in the calling thread's last error code and
// touches nothing else before returning, so the caller can still report that code.
class CopyIO
{
public:
    virtual ~CopyIO() = default;

    // A zero-filled block of `bytes` whose address suits unbuffered transfers (aligned to at
    // least 64 KiB), or null. FreeBuffer takes back what AllocateBuffer gave.
    virtual void* AllocateBuffer(std::size_t bytes) = 0;
    virtual void FreeBuffer(void* block) = 0;

    // The source: a raw volume such as \\.\E:, opened read-only and unbuffered.
    virtual bool OpenDevice(const wchar_t* devicePath) = 0;
    // Reads the next `bytes` bytes. Success with fewer bytes than asked means the medium ended,
    // or, on some systems, that the next sector cannot be read.
    virtual bool ReadDevice(void* buffer, DWORD bytes, DWORD& bytesRead) = 0;
    // Moves the next read to `offset` bytes from the start (a whole sector), to read again.
    virtual bool SeekDevice(ULONGLONG offset) = 0;
    // Size of the open device in bytes, when the device can tell it.
    virtual bool DeviceSize(ULONGLONG& bytes) = 0;
    // Number of sessions on the disc, when the drive can tell it.
    virtual bool SessionCount(DWORD& sessions) = 0;
    // Sectors of the first session, from the disc's table of contents, when the drive can tell.
    virtual bool FirstSessionSectors(DWORD& sectors) = 0;
    virtual void CloseDevice() = 0;

    // The image: any old file is deleted, a new empty one created unbuffered and not shared.
    virtual bool DeleteImage(const wchar_t* imagePath) = 0;
    virtual bool CreateImage(const wchar_t* imagePath) = 0;
    // Every image write must be a whole multiple of this many bytes, from a buffer address and
    // at a file offset that are multiples of it too (the sector size of the image's volume).
    virtual DWORD ImageSectorSize() = 0;
    // Appends `bytes` bytes; all of them are written or the call fails.
    virtual bool WriteImage(const void* buffer, DWORD bytes) = 0;
    // The same write, started so that the caller can read on meanwhile: at most one is in
    // flight, its buffer stays untouched until FinishImageWrite, which returns its result (and
    // leaves its error in the calling thread's last error, whichever thread did the write).
    // No other image operation may come between the two.
    virtual void StartImageWrite(const void* buffer, DWORD bytes) = 0;
    virtual bool FinishImageWrite() = 0;
    // Cuts the image to exactly `bytes` bytes after a padded final write. No write may follow.
    virtual bool SetImageLength(ULONGLONG bytes) = 0;
    virtual void CloseImage() = 0;

    // Milliseconds of a free-running clock; differences are taken modulo 2^32.
    virtual DWORD Milliseconds() = 0;

    // Keeping an image the user can trust: the room on the target, the files beside the image,
    // and the image taking its chosen name only when kept. The queries answer "unknown" and the
    // actions fail with ERROR_CALL_NOT_IMPLEMENTED until a seam implements them, so a seam that
    // lacks them can only skip a check or fail a step, never pretend that a file was written.

    // What the volume that will hold `imagePath` reports: its root, the free bytes available to
    // this user, its file system name; each part left unknown where its query fails.
    virtual TargetVolumeInfo TargetVolume(const wchar_t* /*imagePath*/) { return TargetVolumeInfo(); }
    // GetFileAttributesW of `path`: INVALID_FILE_ATTRIBUTES where there is nothing (or the query
    // fails, which the caller treats alike: the later write then reports the reason).
    virtual DWORD FileAttributes(const wchar_t* /*path*/) { return INVALID_FILE_ATTRIBUTES; }
    // Gives the closed temporary image the chosen name, replacing an older file of that name in
    // one step: a crash leaves either name, never neither. A rename within a volume is journaled
    // by NTFS but not flushed by the call; it is on the disk within seconds, not when it returns.
    virtual bool KeepImage(const wchar_t* /*partialPath*/, const wchar_t* /*imagePath*/) { return NotImplemented(); }
    // The four digests of the whole file at `path` (CRC32, MD5, SHA-1, SHA-256).
    virtual bool HashFile(const wchar_t* /*path*/, ImageDigestText& /*digests*/) { return NotImplemented(); }

    // Finishing an incomplete image later: the image patched in place and the map beside it.
    // Each of these fails with ERROR_CALL_NOT_IMPLEMENTED unless the I/O provides it.
    // Paths of any length work, given as they are or as "\\?\" paths.

    // Opens an existing image for writes at any offset, through the system's cache: a patch is
    // a single 2048-byte sector, which an unbuffered write refuses on a disk of 4096-byte
    // sectors. CloseImage closes it.
    virtual bool OpenImageForPatching(const wchar_t* /*imagePath*/) { return NotImplemented(); }
    // Writes `bytes` bytes at `offset` bytes into the image opened for patching; all or fails.
    virtual bool PatchImage(ULONGLONG /*offset*/, const void* /*buffer*/, DWORD /*bytes*/) { return NotImplemented(); }
    // Puts everything written to the open image on the disk.
    virtual bool FlushImage() { return NotImplemented(); }
    // The whole of a text file of at most kLargestTextFile bytes; a larger one fails with
    // ERROR_FILE_TOO_LARGE.
    static const DWORD kLargestTextFile = 64 * 1024 * 1024;
    virtual bool ReadTextFile(const wchar_t* /*path*/, std::string& /*text*/) { return NotImplemented(); }
    // Replaces the file at `path` with `text` so that a crash at any moment leaves either the
    // old file or the new one whole, never a part: the text is written to `path`.tmp and put on
    // the disk, and then takes the name.
    virtual bool ReplaceTextFile(const wchar_t* /*path*/, const std::string& /*text*/) { return NotImplemented(); }
    virtual bool RemoveFile(const wchar_t* /*path*/) { return NotImplemented(); }
    // Gives the closed file at `from` the name `to` in the same folder, replacing a file of that
    // name in one step, as KeepImage does.
    virtual bool RenameFile(const wchar_t* /*from*/, const wchar_t* /*to*/) { return NotImplemented(); }
    // When the file at `path` was last written (UTC).
    virtual bool LastWriteTime(const wchar_t* /*path*/, FILETIME& /*time*/) { return NotImplemented(); }
    // The length of an existing file, in bytes.
    virtual bool FileSize(const wchar_t* /*path*/, ULONGLONG& /*bytes*/) { return NotImplemented(); }
    // Up to `bytes` bytes of an existing file from `offset`; fewer at its end.
    virtual bool ReadFileAt(const wchar_t* /*path*/, ULONGLONG /*offset*/, void* /*buffer*/, DWORD /*bytes*/,
                            DWORD& /*bytesRead*/)
    {
        return NotImplemented();
    }

private:
    static bool NotImplemented()
    {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return false;
    }
};
