#pragma once
#include <windows.h>
#include "CopyOutcome.h"
#include "RescueMap.h"
#include <string>
#include <vector>

class CopyIO;
class CopyProgressRecord;
class CopyQuestions;
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
// copied exactly. A sector that fails every attempt ends the copy, unless the user chooses to
// go on: from then on a chunk that fails is zero-filled and noted, the copy reads on to the end
// of the disc, and the return passes (RescuePasses) come back to what was noted. An image with
// holes, or cut short by Stop, is kept with its map NAME.iso.map beside it, in GNU ddrescue's
// format; a later copy onto it reads only what the map says is missing (ResumeCheck).
//
// Failures and questions go to `questions`; where the copy stands goes to `progress`, whose Stop
// request the job polls between chunks. The CopyIO must outlive Run.
class CopyJob
{
public:
    static const DWORD kSectorBytes = 2048;
    static const DWORD kHeaderSectors = 17;
    // Progress range of the header phase, before the volume size is known.
    static const int kHeaderProgressRange = 1000000;
    // Reads of one sector before it is given up; a drive whose disc is gone fails them at once.
    static const unsigned kReadAttempts = 4;

    CopyJob(CopyQuestions& questions, CopyProgressRecord& progress, CopyIO& io, unsigned chunkSectors);
    CopyJob(const CopyJob&) = delete;
    CopyJob& operator=(const CopyJob&) = delete;

    // driveEntry: the drive list's entry, starting with the drive letter and a colon
    // ("E:\ - MYDISC"); imagePath: the image file to write. Never throws: an unexpected error
    // is told and ends the copy as failed.
    CopyOutcome Run(const wchar_t* driveEntry, const wchar_t* imagePath);

private:
    enum class ReadEnd { Complete, Stopped, Failed };

    void Copy(const wchar_t* driveEntry, const wchar_t* imagePath);
    bool DiscSectors(BYTE* scratch, DWORD& sectors);
    void Resume(BYTE* buffer);
    bool ReadMissingAreas(BYTE* buffer, const std::wstring& mapPath);
    bool RunReturnPasses(BYTE* sectorBuffer, const std::wstring& mapPath);
    void TellIncomplete();
    ReadEnd SkipRest(ImageWriter& writer, DWORD firstSector, DWORD from, DWORD count, DWORD& sectorsRead);
    void NoteHole(DWORD first, DWORD sectors);
    void BuildFirstPassMap(DWORD sectorsOnDisk);
    bool SaveMapDuringFirstPass(ImageWriter& writer);
    bool ConfirmSessions(BYTE* scratch);
    bool PeekDescriptor(BYTE* scratch, bool& primary, DWORD& volumeSectors);
    bool CopyOpenFiles(BYTE* first, BYTE* second);
    ReadEnd ReadSectors(ImageWriter& writer, DWORD firstSector, DWORD count, DWORD& sectorsRead);
    ReadEnd RereadEachSector(ImageWriter& writer, DWORD firstSector, DWORD from, DWORD count, unsigned attemptsMade,
                             DWORD& sectorsRead);
    bool SetVolumeSize(bool primary, DWORD volumeSectors);
    bool RoomForImage();
    ReadErrorChoice AskAfterDrain(ImageWriter& writer, const wchar_t* detail);
    bool TargetFilesUsable();
    // The end of a copy worth keeping (complete, stopped with its prefix, or rescued with
    // holes): the image put on disk and closed; an incomplete one's map written for the chosen
    // name; the image given its chosen name; then the checksum file written (complete) or an
    // older one removed, and the maps that no longer describe it removed. False, with the user
    // told and the temporary file gone, when the image could not be kept.
    bool KeepImage(bool complete);
    void WriteChecksum();
    void RemoveStale(const wchar_t* what, const std::wstring& path);
    bool RemoveIfThere(const std::wstring& path);
    void ShowShortRead(ImageWriter& writer, DWORD sectorsRead);
    void DeleteIncompleteImage();
    void AbandonAfterException();

    CopyQuestions& questions;
    CopyProgressRecord& progress;
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
    // The user chose to skip unreadable sectors: later ones are not asked about.
    bool skipping = false;
    // What the first pass skipped, in order, neighbours joined.
    std::vector<RescueMap::Area> holes;
    // Sectors in the image once the first pass ended.
    DWORD sectorsInImage = 0;
    RescueMap map;
    // The map of the file being written: the temporary image's while a fresh copy runs.
    std::wstring workMapPath;
    DWORD lastMapSave = 0;
    // Sectors were written into the image after it was hashed.
    bool patched = false;
    bool stopped = false;
    CopyOutcome outcome = CopyOutcome::Failed;
};
