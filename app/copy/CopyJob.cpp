#include "CopyJob.h"
#include "ChunkBuffer.h"
#include "CopyIO.h"
#include "CopyJobOwner.h"
#include "DriveLetter.h"
#include "CopyRescueIO.h"
#include "DisplayPath.h"
#include "ImageSideFiles.h"
#include "ImageWriter.h"
#include "RescuePasses.h"
#include "ResumeCheck.h"
#include "VolumeDescriptor.h"
#include <algorithm>
#include <cstring>
#include <string>

namespace {
// A chunk is read into one buffer; 32 MiB is far beyond any useful size.
const DWORD kMaxChunkSectors = 16384;

const wchar_t kNoDriveText[] = L"No drive is selected: there is nothing to copy.";
const wchar_t kNoMemoryText[] = L"There is not enough memory for the copy buffer: no image was made.";
const wchar_t kNoSizeText[] =
    L"The disc has no ISO 9660 volume descriptor and the drive cannot tell its size: "
    L"the image would be incomplete and is deleted.";
const wchar_t kUnexpectedText[] = L"The copy stopped on an unexpected error: the incomplete image is deleted.";
const wchar_t kUnexpectedBeforeImageText[] = L"The copy could not start because of an unexpected error: no image was made.";

// "\\.\" and the entry's drive letter and colon, or an empty text when the entry has none.
std::wstring DevicePath(const wchar_t* driveEntry)
{
    const wchar_t letter = driveEntry ? DriveLetterOf(driveEntry) : 0;
    if (!letter)
        return std::wstring();
    return std::wstring(L"\\\\.\\") + letter + L':';
}

const wchar_t* TextOrEmpty(const wchar_t* text)
{
    return text ? text : L"";
}
}

CopyJob::CopyJob(CopyJobOwner& owner, CopyIO& io, unsigned chunkSectors)
    : owner(owner), io(io), chunkSectors(chunkSectors)
{
    if (this->chunkSectors == 0)
        this->chunkSectors = 1;
    if (this->chunkSectors > kMaxChunkSectors)
        this->chunkSectors = kMaxChunkSectors;
}

void CopyJob::Run(const wchar_t* driveEntry, const wchar_t* imagePath)
{
    try {
        Copy(driveEntry, TextOrEmpty(imagePath));
    } catch (...) {
        AbandonAfterException(TextOrEmpty(imagePath));
    }
    owner.CopyEnded(outcome);
}

void CopyJob::Copy(const wchar_t* driveEntry, const wchar_t* imagePath)
{
    std::wstring devicePath = DevicePath(driveEntry);
    if (devicePath.empty()) {
        owner.ShowCopyError(kNoDriveText);
        return;
    }
    const std::size_t bufferBytes = ImageWriter::BufferBytes(chunkSectors * kSectorBytes);
    ChunkBuffer first(io, bufferBytes);
    ChunkBuffer second(io, bufferBytes);
    if (!first.Get() || !second.Get()) {
        owner.ShowCopyError(kNoMemoryText);
        return;
    }
    if (!io.OpenDevice(devicePath.c_str())) {
        owner.ShowCopyError((L"Cannot open drive " + devicePath + L".").c_str());
        return;
    }
    if (!ConfirmSessions(first.Get())) {
        io.CloseDevice();
        return;
    }
    // Only an image with a map beside it may be finished rather than replaced.
    const std::wstring mapPath = ResumeCheck::MapPath(imagePath);
    ResumeCheck::Decision decision = ResumeCheck::Decision::CopyAnew;
    if (!mapPath.empty() && io.FileAttributes(mapPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
        DWORD discSectors = 0;
        if (!DiscSectors(first.Get(), discSectors)) {
            io.CloseDevice();
            return;
        }
        decision = ResumeCheck(owner, io, first.Get()).Decide(imagePath, discSectors, map);
        // Copied anew, the old image's map says nothing of the new one.
        if (decision != ResumeCheck::Decision::Resume)
            map = RescueMap();
        if (decision == ResumeCheck::Decision::CopyAnew && !io.SeekDevice(0)) {
            owner.ReportLastError();
            io.CloseDevice();
            return;
        }
    }
    if (decision == ResumeCheck::Decision::Cancel) {
        io.CloseDevice();
        outcome = CopyOutcome::Stopped;
        return;
    }
    // Taken after any question: the time line counts the copy, not the time a box was up.
    startMs = io.Milliseconds();
    if (decision == ResumeCheck::Decision::Resume) {
        Resume(first.Get(), imagePath);
        return;
    }
    workMapPath = mapPath;
    io.DeleteImage(imagePath);
    // Marked before the attempt: should creating it end in an exception after the file was
    // made, the clean-up still removes the empty file.
    imageCreated = true;
    if (!io.CreateImage(imagePath)) {
        imageCreated = false;
        io.CloseDevice();
        owner.ShowCopyError((L"Cannot create file \n" + std::wstring(imagePath) + L".").c_str());
        return;
    }
    bool ok = CopyOpenFiles(first.Get(), second.Get());
    const bool passesDue = ok && !stopped && !holes.empty();
    if (!passesDue)
        io.CloseDevice();
    // Before the map that describes it is written, the image is on the disk.
    if (ok && (stopped || !holes.empty()) && !io.FlushImage()) {
        owner.ReportLastError();
        ok = false;
    }
    io.CloseImage();
    if (passesDue) {
        // The return passes write single sectors, which the unbuffered handle refuses.
        ok = io.OpenImageForPatching(imagePath) && RunReturnPasses(first.Get(), workMapPath);
        if (!ok)
            owner.ReportLastError();
        io.CloseImage();
        io.CloseDevice();
    }
    Finish(ok, imagePath);
    imageCreated = false;
}

// The disc's volume size, before the copy: read as the copy itself will find it.
bool CopyJob::DiscSectors(BYTE* scratch, DWORD& sectors)
{
    bool primary = false;
    DWORD volumeSectors = 0;
    if (!PeekDescriptor(scratch, primary, volumeSectors) || !SetVolumeSize(primary, volumeSectors))
        return false;
    sectors = totalSectors;
    return true;
}

// Fills what the map says is missing, in the image as it is: the areas never tried are read
// chunk by chunk, then the return passes come back to what did not read.
void CopyJob::Resume(BYTE* buffer, const std::wstring& imagePath)
{
    workMapPath = ResumeCheck::MapPath(imagePath);
    totalSectors = DWORD(map.Sectors());
    skipping = true;
    if (!io.OpenImageForPatching(imagePath.c_str())) {
        owner.ReportLastError();
        io.CloseDevice();
        return;
    }
    bool ok = ReadMissingAreas(buffer, workMapPath);
    if (ok && !stopped && map.Count(RescueMap::kNonTried) == 0 && map.UnfinishedSectors() != 0)
        ok = RunReturnPasses(buffer, workMapPath);
    ok = ok && io.FlushImage();
    if (!ok)
        owner.ReportLastError();
    io.CloseImage();
    io.CloseDevice();
    // A failed resume keeps the image: what was there is still there, and its map on disk
    // never runs ahead of it.
    if (!ok)
        return;
    const bool complete = map.UnfinishedSectors() == 0;
    if (!KeepImage(imagePath))
        return;
    if (complete) {
        std::string hex;
        if (!io.HashFile(imagePath.c_str(), hex)
            || !io.WriteChecksumFile(ChecksumPath(imagePath).c_str(), ChecksumLine(hex, imagePath)))
            owner.ShowCopyError((L"The image is complete, but its checksum file could not be written:\n"
                                 + DisplayPath(ChecksumPath(imagePath)))
                                    .c_str());
    }
    outcome = complete ? CopyOutcome::Completed : stopped ? CopyOutcome::Stopped : CopyOutcome::Incomplete;
    if (!complete)
        TellIncomplete(imagePath);
}

bool CopyJob::ReadMissingAreas(BYTE* buffer, const std::wstring& mapPath)
{
    lastMapSave = io.Milliseconds();
    const DWORD missing = DWORD(map.Count(RescueMap::kNonTried));
    DWORD done = 0;
    for (const RescueMap::Area& area : map.AreasOf(RescueMap::kNonTried)) {
        for (ULONGLONG sector = area.first; sector < area.first + area.sectors;) {
            if (owner.IsStopRequested()) {
                stopped = true;
                return true;
            }
            const DWORD count = DWORD(std::min<ULONGLONG>(chunkSectors, area.first + area.sectors - sector));
            DWORD got = 0;
            const bool read = io.SeekDevice(sector * kSectorBytes)
                && io.ReadDevice(buffer, count * kSectorBytes, got) && got == count * kSectorBytes;
            if (read && !io.PatchImage(sector * kSectorBytes, buffer, count * kSectorBytes))
                return false;
            map.Mark(sector, count, read ? RescueMap::kFinished : RescueMap::kNonTrimmed);
            sector += count;
            done += count;
            map.SetCurrent(sector, RescueMap::kNonTried, 1);
            owner.UpdateProgress({CopyProgress::Phase::Copying, done, missing, io.Milliseconds() - startMs});
            if (io.Milliseconds() - lastMapSave >= RescuePasses::kSaveIntervalMs) {
                if (!io.FlushImage() || !io.ReplaceTextFile(mapPath.c_str(), map.Serialize()))
                    return false;
                lastMapSave = io.Milliseconds();
            }
        }
    }
    return true;
}

// Trimming, scraping and retrying, on the image open for patching. False when a write, the
// flush or the map failed (its error is the thread's last error).
bool CopyJob::RunReturnPasses(BYTE* sectorBuffer, const std::wstring& mapPath)
{
    if (map.Sectors() == 0)
        BuildFirstPassMap(sectorsInImage);
    CopyRescueIO rescueIO(io, owner, mapPath, startMs);
    const RescuePasses::Outcome result = RescuePasses(rescueIO, map, sectorBuffer).Run();
    if (result == RescuePasses::Outcome::Stopped)
        stopped = true;
    return result != RescuePasses::Outcome::Failed;
}

// The end of a fresh copy: a failed one leaves nothing; one that read every sector leaves no
// map; any other is kept with its map and, when it has holes, told.
void CopyJob::Finish(bool ok, const std::wstring& imagePath)
{
    if (!ok) {
        DeleteIncompleteImage(imagePath.c_str());
        if (!holes.empty())
            io.RemoveFile(workMapPath.c_str());
        return;
    }
    const bool complete = !stopped && (holes.empty() || map.UnfinishedSectors() == 0);
    // A copy stopped before the volume size was known has no disc to map.
    if (!complete && map.Sectors() == 0 && totalSectors > kHeaderSectors)
        BuildFirstPassMap(sectorsInImage);
    if (!KeepImage(imagePath))
        return;
    outcome = complete ? CopyOutcome::Completed : stopped ? CopyOutcome::Stopped : CopyOutcome::Incomplete;
    if (!complete && skipping)
        TellIncomplete(imagePath);
}

// The image's map follows what it holds: written beside an incomplete image (the image is on
// disk already), removed beside a complete one. False when the map could not be written.
bool CopyJob::KeepImage(const std::wstring& imagePath)
{
    const std::wstring finalMap = ResumeCheck::MapPath(imagePath);
    if (map.Sectors() == 0 || map.UnfinishedSectors() == 0) {
        if (!io.RemoveFile(finalMap.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND
            && GetLastError() != ERROR_CALL_NOT_IMPLEMENTED)
            owner.ShowCopyError((L"The image is complete, but the map of its missing sectors could not be "
                                 L"removed; delete it:\n"
                                 + DisplayPath(finalMap))
                                    .c_str());
        return true;
    }
    if (!io.ReplaceTextFile(finalMap.c_str(), map.Serialize())) {
        owner.ReportLastError();
        outcome = CopyOutcome::Failed;
        return false;
    }
    return true;
}

void CopyJob::TellIncomplete(const std::wstring& imagePath)
{
    const ULONGLONG missing = map.UnfinishedSectors();
    const std::wstring text = ResumeCheck::FileName(imagePath) + L" is missing " + std::to_wstring(missing)
        + L" sectors (" + std::to_wstring(missing * kSectorBytes / 1024)
        + L" KB) of the disc: they could not be read, and the image holds zeros in their place.\n\nThe map "
        + DisplayPath(ResumeCheck::MapPath(imagePath))
        + L" lists them. Choose the same file again with \"Create ISO\" later, in this or another drive, and "
          L"only those sectors are read.";
    owner.ShowCopyError(text.c_str());
}

void CopyJob::NoteHole(DWORD first, DWORD sectors)
{
    if (!holes.empty() && holes.back().first + holes.back().sectors == first) {
        holes.back().sectors += sectors;
        return;
    }
    // The first hole gets its map at the next chunk; later ones every few seconds.
    if (holes.empty())
        lastMapSave = io.Milliseconds() - RescuePasses::kSaveIntervalMs;
    holes.push_back({first, sectors, RescueMap::kNonTrimmed});
}

// What the first pass knows, for sectorsOnDisk sectors of the image on the disk: those read are
// finished, those skipped are non-trimmed, the rest not tried.
void CopyJob::BuildFirstPassMap(DWORD sectorsOnDisk)
{
    map = RescueMap(totalSectors);
    if (sectorsOnDisk != 0)
        map.Mark(0, std::min<ULONGLONG>(sectorsOnDisk, totalSectors), RescueMap::kFinished);
    for (const RescueMap::Area& hole : holes)
        map.Mark(hole.first, std::min<ULONGLONG>(hole.sectors, totalSectors - hole.first), RescueMap::kNonTrimmed);
    map.SetCurrent(std::min<ULONGLONG>(sectorsOnDisk, totalSectors), RescueMap::kNonTried, 1);
}

// Every few seconds after the first skipped sector, so that a copy killed during the first pass
// still leaves a map of what is in the image: the writes are waited for and put on the disk
// before the map counts them.
bool CopyJob::SaveMapDuringFirstPass(ImageWriter& writer)
{
    if (holes.empty() || totalSectors <= kHeaderSectors
        || io.Milliseconds() - lastMapSave < RescuePasses::kSaveIntervalMs)
        return true;
    if (!writer.Drain() || !io.FlushImage())
        return false;
    BuildFirstPassMap(DWORD(writer.BytesWritten() / kSectorBytes));
    if (!io.ReplaceTextFile(workMapPath.c_str(), map.Serialize()))
        return false;
    map = RescueMap();
    lastMapSave = io.Milliseconds();
    return true;
}

// A disc burned in several sessions is read as its first session only; the user decides
// whether such an image is still worth making. The first session's size comes from the primary
// volume descriptor or, on a disc without one (UDF burned several times, an Enhanced CD), from
// the table of contents: the device's length spans every session and the unreadable gaps
// between them. All is settled before any file is touched; false ends the job, with `outcome`
// set.
bool CopyJob::ConfirmSessions(BYTE* scratch)
{
    DWORD sessions = 0;
    if (!io.SessionCount(sessions) || sessions <= 1)
        return true;
    bool primary = false;
    DWORD volumeSectors = 0;
    if (!PeekDescriptor(scratch, primary, volumeSectors))
        return false;
    if (!primary && !io.FirstSessionSectors(sessionSectors)) {
        owner.ShowCopyError((L"This disc was written in " + std::to_wstring(sessions)
                             + L" sessions and has no ISO 9660 volume descriptor, and the drive cannot tell where "
                               L"its first session ends: the disc cannot be imaged whole. No image was made.")
                                .c_str());
        return false;
    }
    std::wstring question = L"This disc was written in " + std::to_wstring(sessions)
        + L" sessions. Its image holds only the files of the first session: the files added in later sessions "
          L"will be missing.\n\nMake the image anyway?";
    // A Stop or a close while the box was up wins over its Yes.
    if (!owner.AskToContinue(question.c_str()) || owner.IsStopRequested()) {
        outcome = CopyOutcome::Stopped;
        return false;
    }
    return true;
}

// Sector 16 read ahead of the copy, which then starts again from sector 0.
bool CopyJob::PeekDescriptor(BYTE* scratch, bool& primary, DWORD& volumeSectors)
{
    const ULONGLONG descriptorOffset = ULONGLONG(kHeaderSectors - 1) * kSectorBytes;
    for (unsigned attempt = 1;; ++attempt) {
        DWORD got = 0;
        if (io.SeekDevice(descriptorOffset) && io.ReadDevice(scratch, kSectorBytes, got)) {
            primary = got == kSectorBytes && ReadPrimaryVolumeSize(scratch, volumeSectors);
            break;
        }
        if (attempt == kReadAttempts) {
            owner.ReportReadError((L"Sector " + std::to_wstring(kHeaderSectors - 1) + L" could not be read in "
                                   + std::to_wstring(kReadAttempts) + L" attempts: no image was made.")
                                      .c_str());
            return false;
        }
    }
    if (!io.SeekDevice(0)) {
        owner.ReportLastError();
        return false;
    }
    return true;
}

bool CopyJob::CopyOpenFiles(BYTE* first, BYTE* second)
{
    ImageWriter writer(io, first, second);
    totalSectors = kHeaderSectors;
    DWORD sectorsDone = 0;
    DWORD sectorsPerRead = 1;
    while (sectorsDone < totalSectors) {
        BYTE* target = writer.ReadTarget();
        DWORD sectorsRead = 0;
        ReadEnd end = ReadSectors(writer, sectorsDone, sectorsPerRead, sectorsRead);
        if (end == ReadEnd::Failed)
            return false;
        if (end == ReadEnd::Stopped) {
            // Stopped between attempts at a marginal sector: the sectors before it are kept.
            if (!writer.Commit(sectorsRead * kSectorBytes)) {
                owner.ReportLastError();
                return false;
            }
            stopped = true;
            break;
        }
        // Sector 16 is parsed before the commit: the writer may move it to the other buffer.
        bool descriptorRead = sectorsDone + sectorsPerRead == kHeaderSectors;
        DWORD volumeSectors = 0;
        bool primary = descriptorRead && ReadPrimaryVolumeSize(target, volumeSectors);
        if (!writer.Commit(sectorsPerRead * kSectorBytes)) {
            owner.ReportLastError();
            return false;
        }
        sectorsDone += sectorsPerRead;
        if (descriptorRead) {
            if (!SetVolumeSize(primary, volumeSectors))
                return false;
            sectorsPerRead = chunkSectors;
        }
        if (!SaveMapDuringFirstPass(writer)) {
            owner.ReportLastError();
            return false;
        }
        if (owner.IsStopRequested()) {
            stopped = true;
            break;
        }
        // The count includes the chunk whose write is still in flight, and no more. Until the
        // volume size is known the scale is kHeaderProgressRange, so the header hardly shows.
        const DWORD scale = sectorsDone < kHeaderSectors ? DWORD(kHeaderProgressRange) : totalSectors;
        owner.UpdateProgress({CopyProgress::Phase::Copying, sectorsDone, scale, io.Milliseconds() - startMs});
        if (totalSectors - sectorsDone < sectorsPerRead)
            sectorsPerRead = totalSectors - sectorsDone;
    }
    if (!writer.Finish()) {
        owner.ReportLastError();
        return false;
    }
    sectorsInImage = DWORD(writer.BytesCommitted() / kSectorBytes);
    return true;
}

// Reads `count` sectors from firstSector to the writer's read target. A read that comes back
// short is followed by another for the rest: some systems return what precedes a bad sector
// first. Only a read that brings nothing, or part of a sector, means the medium ended.
CopyJob::ReadEnd CopyJob::ReadSectors(ImageWriter& writer, DWORD firstSector, DWORD count, DWORD& sectorsRead)
{
    BYTE* target = writer.ReadTarget();
    const DWORD wanted = count * kSectorBytes;
    DWORD have = 0;
    while (have < wanted) {
        DWORD got = 0;
        if (!io.ReadDevice(target + have, wanted - have, got)) {
            // Once the user chose to go on, a chunk that fails waits for the return passes.
            if (skipping)
                return SkipRest(writer, firstSector, have / kSectorBytes, count, sectorsRead);
            // A failed read of one sector was already that sector's first attempt.
            unsigned attemptsMade = wanted - have == kSectorBytes ? 1 : 0;
            return RereadEachSector(writer, firstSector, have / kSectorBytes, count, attemptsMade, sectorsRead);
        }
        if (got == 0 || got % kSectorBytes != 0) {
            ShowShortRead(writer, firstSector + (have + got) / kSectorBytes);
            return ReadEnd::Failed;
        }
        have += got;
    }
    sectorsRead = count;
    return ReadEnd::Complete;
}

// After a failed read: sectors `from` to count - 1 of the chunk, one at a time, each up to
// kReadAttempts times in all (attemptsMade of them already spent on the first). The user's
// Stop is honoured between attempts.
CopyJob::ReadEnd CopyJob::RereadEachSector(ImageWriter& writer, DWORD firstSector, DWORD from, DWORD count,
                                           unsigned attemptsMade, DWORD& sectorsRead)
{
    BYTE* target = writer.ReadTarget();
    for (DWORD i = from; i < count; ++i, attemptsMade = 0) {
        const DWORD sector = firstSector + i;
        if (attemptsMade > 0 && owner.IsStopRequested()) {
            sectorsRead = i;
            return ReadEnd::Stopped;
        }
        for (unsigned attempt = attemptsMade + 1;; ++attempt) {
            DWORD got = 0;
            bool ok = io.SeekDevice(ULONGLONG(sector) * kSectorBytes)
                && io.ReadDevice(target + i * kSectorBytes, kSectorBytes, got);
            if (ok && got == kSectorBytes)
                break;
            if (ok) {
                ShowShortRead(writer, sector);
                return ReadEnd::Failed;
            }
            if (attempt >= kReadAttempts) {
                if (skipping)
                    return SkipRest(writer, firstSector, i, count, sectorsRead);
                std::wstring detail = L"Sector " + std::to_wstring(sector) + L" could not be read in "
                    + std::to_wstring(kReadAttempts) + L" attempts: the image would be incomplete and is deleted.";
                const ReadErrorChoice choice = AskAfterDrain(writer, detail.c_str());
                if (choice == ReadErrorChoice::Stop)
                    return ReadEnd::Failed;
                if (choice == ReadErrorChoice::SkipAndGoOn) {
                    skipping = true;
                    return SkipRest(writer, firstSector, i, count, sectorsRead);
                }
                attempt = 0;
            }
            if (owner.IsStopRequested()) {
                sectorsRead = i;
                return ReadEnd::Stopped;
            }
        }
    }
    sectorsRead = count;
    return ReadEnd::Complete;
}

bool CopyJob::SetVolumeSize(bool primary, DWORD volumeSectors)
{
    if (!primary && sessionSectors != 0) {
        volumeSectors = sessionSectors;
    } else if (!primary) {
        ULONGLONG bytes = 0;
        if (!io.DeviceSize(bytes) || bytes / kSectorBytes > MAXDWORD) {
            owner.ShowCopyError(kNoSizeText);
            return false;
        }
        volumeSectors = DWORD(bytes / kSectorBytes);
    }
    // The 17 sectors already read are always kept, even when the volume claims fewer.
    totalSectors = volumeSectors > kHeaderSectors ? volumeSectors : kHeaderSectors;
    return true;
}

// A failure is told once the write in flight has ended. Should that write have failed too, its
// error is told instead (it comes first in the image) and the copy stops.
ReadErrorChoice CopyJob::AskAfterDrain(ImageWriter& writer, const wchar_t* detail)
{
    DWORD error = GetLastError();
    if (!writer.Drain()) {
        owner.ReportLastError();
        return ReadErrorChoice::Stop;
    }
    SetLastError(error);
    return owner.AskReadErrorChoice(detail);
}

// Sectors `from` to count - 1 of the chunk are given up for now: zeros in the image, keeping
// its length and the sectors after them in place, and noted for the return passes.
CopyJob::ReadEnd CopyJob::SkipRest(ImageWriter& writer, DWORD firstSector, DWORD from, DWORD count,
                                   DWORD& sectorsRead)
{
    std::memset(writer.ReadTarget() + from * kSectorBytes, 0, (count - from) * kSectorBytes);
    NoteHole(firstSector + from, count - from);
    // A failed read leaves the device anywhere.
    if (!io.SeekDevice(ULONGLONG(firstSector + count) * kSectorBytes)) {
        owner.ReportLastError();
        return ReadEnd::Failed;
    }
    sectorsRead = count;
    return ReadEnd::Complete;
}

void CopyJob::ShowShortRead(ImageWriter& writer, DWORD sectorsRead)
{
    if (!writer.Drain()) {
        owner.ReportLastError();
        return;
    }
    std::wstring text = L"The disc ended after " + std::to_wstring(sectorsRead)
        + L" sectors, before the end of its volume: the image would be incomplete and is deleted.";
    owner.ShowCopyError(text.c_str());
}

void CopyJob::DeleteIncompleteImage(const wchar_t* imagePath)
{
    if (!io.DeleteImage(imagePath)) {
        std::wstring text = L"The incomplete image could not be deleted; do not use it:\n" + std::wstring(imagePath);
        owner.ShowCopyError(text.c_str());
    }
}

// An owner operation or a lack of memory ends the copy here; the files must still be closed,
// an image, which is then incomplete, removed, and the user told.
void CopyJob::AbandonAfterException(const wchar_t* imagePath)
{
    io.CloseDevice();
    io.CloseImage();
    const bool created = imageCreated;
    imageCreated = false;
    if (created)
        io.DeleteImage(imagePath);
    try {
        owner.ShowCopyError(created ? kUnexpectedText : kUnexpectedBeforeImageText);
    } catch (...) {
    }
}
