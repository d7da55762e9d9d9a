#pragma once
#include <windows.h>
#include "CopyJobOwner.h"
#include "RescueMap.h"
#include <string>
#include <vector>

class CopyIO;
class ImageWriter;

// One copy of a data disc into an image file: sectors 0 to 16 one at a time, the volume size
// from the ISO 9660 primary volume descriptor in sector 16 (or, when there is none, from the
// device, or from the table of contents for a disc of several sessions), then chunks of
// `chunkSectors` sectors. A failed or incomplete copy never leaves an image behind; a stopped
// copy keeps the sectors copied so far, cut exactly at a sector end.
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
    bool DiscSectors(BYTE* scratch, DWORD& sectors);
    void Resume(BYTE* buffer, const std::wstring& imagePath);
    bool ReadMissingAreas(BYTE* buffer, const std::wstring& mapPath);
    bool RunReturnPasses(BYTE* sectorBuffer, const std::wstring& mapPath);
    void Finish(bool ok, const std::wstring& imagePath);
    bool KeepImage(const std::wstring& imagePath);
    void TellIncomplete(const std::wstring& imagePath);
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
    ReadErrorChoice AskAfterDrain(ImageWriter& writer, const wchar_t* detail);
    void ShowShortRead(ImageWriter& writer, DWORD sectorsRead);
    void DeleteIncompleteImage(const wchar_t* imagePath);
    void AbandonAfterException(const wchar_t* imagePath);

    CopyJobOwner& owner;
    CopyIO& io;
    DWORD chunkSectors;
    DWORD startMs = 0;
    DWORD totalSectors = 0;
    // The first session's size from the table of contents, for a multisession disc without an
    // ISO 9660 volume; 0 otherwise.
    DWORD sessionSectors = 0;
    bool imageCreated = false;
    // The user chose to skip unreadable sectors: later ones are not asked about.
    bool skipping = false;
    // What the first pass skipped, in order, neighbours joined.
    std::vector<RescueMap::Area> holes;
    // Sectors in the image once the first pass ended.
    DWORD sectorsInImage = 0;
    RescueMap map;
    std::wstring workMapPath;
    DWORD lastMapSave = 0;
    bool stopped = false;
    CopyOutcome outcome = CopyOutcome::Failed;
};
