#pragma once
#include <windows.h>
#include "CopyJobOwner.h"
#include <string>

class CopyIO;
class ImageWriter;

// One copy of a data disc into an image file: sectors 0 to 16 one at a time, the volume size
// from the ISO 9660 primary volume descriptor in sector 16 (or, when there is none, from the
// device, or from the table of contents for a disc of several sessions), then chunks of
// `chunkSectors` sectors. A failed or incomplete copy never leaves an image behind; a stopped
// copy keeps the sectors copied so far, cut exactly at a sector end.
//
// The image is written under a temporary name beside the chosen one (PartialImagePath) and
// takes the chosen name only when it is kept, so a failed copy never costs the old image of
// that name. A complete image gets its SHA-256, hashed while it was written, in a checksum file
// beside it (ChecksumPath); a stopped one gets none, and an older checksum file, which described
// the image it replaced, is removed. Before the bulk of the disc is read, the target is checked
// for room.
//
// Reads overlap writes: while one chunk is written (on the I/O's writer thread), the next is
// read into a second buffer. A chunk that cannot be read is read again sector by sector, each
// sector up to kReadAttempts times, so a marginal sector that reads on a later attempt is still
// copied exactly; only a sector that fails every attempt ends the copy.
//
// Run ends every path with CopyEnded(), its very last owner call: after it the owner may be
// destroyed, so nothing of the owner is touched again.
// The CopyIO must outlive Run (keep it local to the caller, not in the owner).
class CopyJob
{
public:
    static const DWORD kSectorBytes = 2048;
    static const DWORD kHeaderSectors = 17;
    // Progress range of the header phase, before the volume size is known.
    static const int kHeaderProgressRange = 1000000;
    // Reads of one sector before it is given up; a drive whose disc is gone fails them at once.
    static const unsigned kReadAttempts = 4;

    CopyJob(CopyJobOwner& owner, CopyIO& io, unsigned chunkSectors);
    CopyJob(const CopyJob&) = delete;
    CopyJob& operator=(const CopyJob&) = delete;

    // driveEntry: the drive list's entry, starting with the drive letter and a colon
    // ("E:\ - MYDISC"); imagePath: the image file to write.
    void Run(const wchar_t* driveEntry, const wchar_t* imagePath);

private:
    enum class ReadEnd { Complete, Stopped, Failed };

    void Copy(const wchar_t* driveEntry, const wchar_t* imagePath);
    bool ConfirmSessions(BYTE* scratch);
    bool PeekDescriptor(BYTE* scratch, bool& primary);
    bool CopyOpenFiles(BYTE* first, BYTE* second);
    ReadEnd ReadSectors(ImageWriter& writer, DWORD firstSector, DWORD count, DWORD& sectorsRead);
    ReadEnd RereadEachSector(ImageWriter& writer, DWORD firstSector, DWORD from, DWORD count, unsigned attemptsMade,
                             DWORD& sectorsRead);
    bool SetVolumeSize(bool primary, DWORD volumeSectors);
    bool TargetFilesUsable();
    // The end of a copy worth keeping (complete, or stopped with its prefix): the image put on
    // disk, closed and given its chosen name, then the checksum file written (complete) or an
    // older one removed. False, with the user told and the temporary file gone, when the image
    // could not be kept.
    bool KeepImage(bool complete);
    void WriteChecksum();
    void ReportAfterDrain(ImageWriter& writer, const wchar_t* detail);
    void ShowShortRead(ImageWriter& writer, DWORD sectorsRead);
    void DeleteIncompleteImage();
    void AbandonAfterException();

    CopyJobOwner& owner;
    CopyIO& io;
    DWORD chunkSectors;
    DWORD startMs = 0;
    DWORD totalSectors = 0;
    // The first session's size from the table of contents, for a multisession disc without an
    // ISO 9660 volume; 0 otherwise.
    DWORD sessionSectors = 0;
    // The chosen image, the file written until it is kept, and the checksum file.
    std::wstring imagePath;
    std::wstring partialPath;
    std::wstring checksumPath;
    // The SHA-256 of the image as written, in hex; empty when it could not be computed.
    std::string digest;
    DWORD hashError = ERROR_SUCCESS;
    bool imageCreated = false;
    bool stopped = false;
    CopyOutcome outcome = CopyOutcome::Failed;
};
