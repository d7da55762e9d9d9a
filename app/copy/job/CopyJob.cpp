#include "CopyJob.h"
#include "ChunkBuffer.h"
#include "CopyIO.h"
#include "CopyProgressRecord.h"
#include "CopyQuestions.h"
#include "DisplayPath.h"
#include "DriveLetter.h"
#include "CopyRescueIO.h"
#include "ImageSideFiles.h"
#include "ImageWriter.h"
#include "RescuePasses.h"
#include "ResumeCheck.h"
#include "Sha256.h"
#include "TargetRoom.h"
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
const wchar_t kPathTooLongText[] =
    L"The image's name is too long for the files this copy writes beside it: no image was made. Choose a "
    L"shorter name.";
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

CopyJob::CopyJob(CopyQuestions& questions, CopyProgressRecord& progress, CopyIO& io, unsigned chunkSectors)
    : questions(questions), progress(progress), io(io), chunkSectors(chunkSectors)
{
    if (this->chunkSectors == 0)
        this->chunkSectors = 1;
    if (this->chunkSectors > kMaxChunkSectors)
        this->chunkSectors = kMaxChunkSectors;
}

CopyOutcome CopyJob::Run(const wchar_t* driveEntry, const wchar_t* imagePath)
{
    try {
        Copy(driveEntry, TextOrEmpty(imagePath));
    } catch (...) {
        AbandonAfterException();
    }
    return outcome;
}

void CopyJob::Copy(const wchar_t* driveEntry, const wchar_t* imagePath)
{
    std::wstring devicePath = DevicePath(driveEntry);
    if (devicePath.empty()) {
        questions.ShowCopyError(kNoDriveText);
        return;
    }
    const std::size_t bufferBytes = ImageWriter::BufferBytes(chunkSectors * kSectorBytes);
    ChunkBuffer first(io, bufferBytes);
    ChunkBuffer second(io, bufferBytes);
    if (!first.Get() || !second.Get()) {
        questions.ShowCopyError(kNoMemoryText);
        return;
    }
    this->imagePath = imagePath;
    if (!TargetFilesUsable())
        return;
    if (!io.OpenDevice(devicePath.c_str())) {
        questions.ShowCopyError((L"Cannot open drive " + devicePath + L".").c_str());
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
        decision = ResumeCheck(questions, io, first.Get()).Decide(imagePath, discSectors, map);
        // Copied anew, the old image's map says nothing of the new one.
        if (decision != ResumeCheck::Decision::Resume)
            map = RescueMap();
        if (decision == ResumeCheck::Decision::CopyAnew && !io.SeekDevice(0)) {
            questions.ReportLastError();
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
        Resume(first.Get());
        return;
    }
    // The map of the temporary image; the chosen name gets its own when the image is kept.
    workMapPath = partialPath + L".map";
    // A temporary file left by a copy that was killed is this program's own: it is replaced.
    io.DeleteImage(partialPath.c_str());
    RemoveIfThere(workMapPath);
    // Marked before the attempt: should creating it end in an exception after the file was
    // made, the clean-up still removes the empty file.
    imageCreated = true;
    if (!io.CreateImage(partialPath.c_str())) {
        imageCreated = false;
        io.CloseDevice();
        // Named as the user chose it: the temporary file lies in the same folder.
        questions.ShowCopyError((L"Cannot create file \n" + DisplayPath(imagePath) + L".").c_str());
        return;
    }
    bool ok = CopyOpenFiles(first.Get(), second.Get());
    const bool passesDue = ok && !stopped && !holes.empty();
    if (passesDue) {
        // The return passes write single sectors, which the unbuffered handle refuses: the image
        // is put on the disk, closed, and opened again through the system's cache.
        ok = io.FlushImage();
        io.CloseImage();
        ok = ok && io.OpenImageForPatching(partialPath.c_str()) && RunReturnPasses(first.Get(), workMapPath);
        if (!ok)
            questions.ReportLastError();
    }
    io.CloseDevice();
    if (ok) {
        const bool complete = !stopped && (holes.empty() || map.UnfinishedSectors() == 0);
        // A copy stopped before the volume size was known has no disc to map.
        if (!complete && map.Sectors() == 0 && totalSectors > kHeaderSectors)
            BuildFirstPassMap(sectorsInImage);
        ok = KeepImage(complete);
        if (ok)
            outcome = complete ? CopyOutcome::Completed : stopped ? CopyOutcome::Stopped : CopyOutcome::Incomplete;
        if (ok && !complete && skipping)
            TellIncomplete();
    } else {
        io.CloseImage();
        DeleteIncompleteImage();
        if (!holes.empty())
            io.RemoveFile(workMapPath.c_str());
    }
    imageCreated = false;
}

// Checked before anything is written: each file this copy writes can be written. The chosen
// image is replaced only by a rename, and the checksum file is replaced whole.
bool CopyJob::TargetFilesUsable()
{
    partialPath = PartialImagePath(imagePath);
    checksumPath = ChecksumPath(imagePath);
    // The maps too: a map that cannot be written when an incomplete image is kept would cost the
    // sectors already saved.
    const std::wstring finalMap = ResumeCheck::MapPath(imagePath);
    const std::wstring partialMap = partialPath.empty() ? std::wstring() : ResumeCheck::MapPath(partialPath);
    if (partialPath.empty() || checksumPath.empty() || finalMap.empty() || partialMap.empty()) {
        questions.ShowCopyError(kPathTooLongText);
        return false;
    }
    const std::wstring* paths[] = {&imagePath, &partialPath, &checksumPath, &finalMap, &partialMap};
    for (const std::wstring* path : paths) {
        std::wstring problem = TargetFileProblem(*path, io.FileAttributes(path->c_str()));
        if (!problem.empty()) {
            questions.ShowCopyError(problem.c_str());
            return false;
        }
    }
    return true;
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
void CopyJob::Resume(BYTE* buffer)
{
    workMapPath = ResumeCheck::MapPath(imagePath);
    totalSectors = DWORD(map.Sectors());
    skipping = true;
    patched = true;
    if (!io.OpenImageForPatching(imagePath.c_str())) {
        questions.ReportLastError();
        io.CloseDevice();
        return;
    }
    bool ok = ReadMissingAreas(buffer, workMapPath);
    if (ok && !stopped && map.Count(RescueMap::kNonTried) == 0 && map.UnfinishedSectors() != 0)
        ok = RunReturnPasses(buffer, workMapPath);
    ok = ok && io.FlushImage();
    const bool complete = map.UnfinishedSectors() == 0;
    // After the flush: the map never runs ahead of the image.
    ok = ok && (complete || io.ReplaceTextFile(workMapPath.c_str(), map.Serialize()));
    if (!ok)
        questions.ReportLastError();
    io.CloseImage();
    io.CloseDevice();
    // A failed resume keeps the image: what was there is still there, and its map on disk
    // never runs ahead of it.
    if (!ok)
        return;
    if (complete) {
        if (!RemoveIfThere(workMapPath))
            questions.ReportReadError((L"The image is complete, but its map " + DisplayPath(workMapPath)
                                   + L" could not be removed: delete it by hand.")
                                      .c_str());
        WriteChecksum();
    }
    outcome = complete ? CopyOutcome::Completed : stopped ? CopyOutcome::Stopped : CopyOutcome::Incomplete;
    if (!complete)
        TellIncomplete();
}

bool CopyJob::ReadMissingAreas(BYTE* buffer, const std::wstring& mapPath)
{
    lastMapSave = io.Milliseconds();
    const DWORD missing = DWORD(map.Count(RescueMap::kNonTried));
    DWORD done = 0;
    for (const RescueMap::Area& area : map.AreasOf(RescueMap::kNonTried)) {
        for (ULONGLONG sector = area.first; sector < area.first + area.sectors;) {
            if (progress.StopRequested()) {
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
            progress.Update({CopyProgress::Phase::Copying, done, missing, io.Milliseconds() - startMs});
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
    patched = true;
    CopyRescueIO rescueIO(io, progress, mapPath, startMs);
    const RescuePasses::Outcome result = RescuePasses(rescueIO, map, sectorBuffer).Run();
    if (result == RescuePasses::Outcome::Stopped)
        stopped = true;
    return result != RescuePasses::Outcome::Failed;
}

void CopyJob::TellIncomplete()
{
    const ULONGLONG missing = map.UnfinishedSectors();
    const std::wstring text = ResumeCheck::FileName(imagePath) + L" is missing " + std::to_wstring(missing)
        + L" sectors (" + std::to_wstring(missing * kSectorBytes / 1024)
        + L" KB) of the disc: they could not be read, and the image holds zeros in their place.\n\nThe map "
        + DisplayPath(ResumeCheck::MapPath(imagePath))
        + L" lists them. Choose the same file again with \"Create ISO\" later, in this or another drive, and "
          L"only those sectors are read.";
    questions.ShowCopyError(text.c_str());
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

bool CopyJob::KeepImage(bool complete)
{
    // On the disk before the image counts as kept: the bar empties only after this, and a map
    // may call its sectors finished.
    bool flushed = io.FlushImage();
    DWORD error = GetLastError();
    io.CloseImage();
    const std::wstring finalMap = ResumeCheck::MapPath(imagePath);
    const bool mapped = !complete && map.Sectors() != 0;
    // The map for the chosen name comes before the name: a crash in between never leaves an
    // image with holes without its map.
    if (flushed && mapped && !io.ReplaceTextFile(finalMap.c_str(), map.Serialize())) {
        flushed = false;
        error = GetLastError();
    }
    if (!flushed) {
        SetLastError(error);
        questions.ReportLastError();
        DeleteIncompleteImage();
        RemoveIfThere(workMapPath);
        return false;
    }
    if (!io.KeepImage(partialPath.c_str(), imagePath.c_str())) {
        error = GetLastError();
        std::wstring text = L"The new image could not take the name " + DisplayPath(imagePath)
            + L": it is deleted, and any older file of that name is left as it was.";
        SetLastError(error);
        questions.ReportReadError(text.c_str());
        DeleteIncompleteImage();
        RemoveIfThere(workMapPath);
        if (mapped)
            RemoveIfThere(finalMap);
        return false;
    }
    imageCreated = false;
    RemoveIfThere(workMapPath);
    if (!mapped)
        RemoveStale(L"The map ", finalMap);
    if (complete)
        WriteChecksum();
    else
        RemoveStale(L"The checksum file ", checksumPath);
    return true;
}

// A file beside the chosen name that describes the image this copy replaced goes with it.
void CopyJob::RemoveStale(const wchar_t* what, const std::wstring& path)
{
    if (!RemoveIfThere(path)) {
        std::wstring text = what + DisplayPath(path)
            + L" describes the image this copy replaced, and could not be removed: delete it by hand.";
        questions.ReportReadError(text.c_str());
    }
}

// False when a file is there and could not be removed.
bool CopyJob::RemoveIfThere(const std::wstring& path)
{
    return io.FileAttributes(path.c_str()) == INVALID_FILE_ATTRIBUTES || io.RemoveFile(path.c_str());
}

void CopyJob::WriteChecksum()
{
    // Sectors patched in place after the writes were hashed: the file itself is hashed.
    if (patched && !io.HashFile(imagePath.c_str(), digest)) {
        hashError = GetLastError();
        digest.clear();
    }
    const bool written = !digest.empty() && io.ReplaceTextFile(checksumPath.c_str(), ChecksumLine(digest, imagePath));
    if (written)
        return;
    const DWORD error = digest.empty() ? hashError : GetLastError();
    // A checksum file of the image this one replaced would fail every check of a good image.
    RemoveIfThere(checksumPath);
    SetLastError(error);
    std::wstring text = digest.empty()
        ? L"The image is complete, but its checksum could not be computed: no " + DisplayPath(checksumPath)
            + L" was written."
        : L"The image is complete, but its checksum file " + DisplayPath(checksumPath) + L" could not be written.";
    questions.ReportReadError(text.c_str());
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
        questions.ShowCopyError((L"This disc was written in " + std::to_wstring(sessions)
                             + L" sessions and has no ISO 9660 volume descriptor, and the drive cannot tell where "
                               L"its first session ends: the disc cannot be imaged whole. No image was made.")
                                .c_str());
        return false;
    }
    std::wstring question = L"This disc was written in " + std::to_wstring(sessions)
        + L" sessions. Its image holds only the files of the first session: the files added in later sessions "
          L"will be missing.\n\nMake the image anyway?";
    // A Stop or a close while the box was up wins over its Yes.
    if (!questions.AskToContinue(question.c_str()) || progress.StopRequested()) {
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
            questions.ReportReadError((L"Sector " + std::to_wstring(kHeaderSectors - 1) + L" could not be read in "
                                   + std::to_wstring(kReadAttempts) + L" attempts: no image was made.")
                                      .c_str());
            return false;
        }
    }
    if (!io.SeekDevice(0)) {
        questions.ReportLastError();
        return false;
    }
    return true;
}

bool CopyJob::CopyOpenFiles(BYTE* first, BYTE* second)
{
    // Declared before the writer, which may still be hashing into it until it goes.
    Sha256 hash;
    ImageWriter writer(io, first, second, &hash);
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
                questions.ReportLastError();
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
            questions.ReportLastError();
            return false;
        }
        sectorsDone += sectorsPerRead;
        if (descriptorRead) {
            if (!SetVolumeSize(primary, volumeSectors) || !RoomForImage())
                return false;
            sectorsPerRead = chunkSectors;
        }
        if (!SaveMapDuringFirstPass(writer)) {
            questions.ReportLastError();
            return false;
        }
        if (progress.StopRequested()) {
            stopped = true;
            break;
        }
        // The count includes the chunk whose write is still in flight, and no more. Until the
        // volume size is known the scale is kHeaderProgressRange, so the header hardly shows.
        const DWORD scale = sectorsDone < kHeaderSectors ? DWORD(kHeaderProgressRange) : totalSectors;
        progress.Update({CopyProgress::Phase::Copying, sectorsDone, scale, io.Milliseconds() - startMs});
        if (totalSectors - sectorsDone < sectorsPerRead)
            sectorsPerRead = totalSectors - sectorsDone;
    }
    if (!writer.Finish()) {
        questions.ReportLastError();
        return false;
    }
    sectorsInImage = DWORD(writer.BytesCommitted() / kSectorBytes);
    if (!hash.Finish(digest)) {
        digest.clear();
        hashError = hash.Error();
    }
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
        if (attemptsMade > 0 && progress.StopRequested()) {
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
            if (progress.StopRequested()) {
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
            questions.ShowCopyError(kNoSizeText);
            return false;
        }
        volumeSectors = DWORD(bytes / kSectorBytes);
    }
    // The 17 sectors already read are always kept, even when the volume claims fewer.
    totalSectors = volumeSectors > kHeaderSectors ? volumeSectors : kHeaderSectors;
    return true;
}

// A new image needs room for the whole disc beside the old one, which stays until the new one is
// kept; an image finished in place needs none, so only the fresh copy asks.
bool CopyJob::RoomForImage()
{
    // Told now rather than when the disk is full, minutes later. Where the system cannot tell,
    // the copy goes on and a full disk is reported when it happens.
    std::wstring problem =
        TargetRoomProblem(ULONGLONG(totalSectors) * kSectorBytes, io.TargetVolume(imagePath.c_str()));
    if (!problem.empty()) {
        questions.ShowCopyError(problem.c_str());
        return false;
    }
    return true;
}

// A failure is told once the write in flight has ended. Should that write have failed too, its
// error is told instead (it comes first in the image) and the copy stops.
ReadErrorChoice CopyJob::AskAfterDrain(ImageWriter& writer, const wchar_t* detail)
{
    DWORD error = GetLastError();
    if (!writer.Drain()) {
        questions.ReportLastError();
        return ReadErrorChoice::Stop;
    }
    SetLastError(error);
    return questions.AskReadErrorChoice(detail);
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
        questions.ReportLastError();
        return ReadEnd::Failed;
    }
    sectorsRead = count;
    return ReadEnd::Complete;
}

void CopyJob::ShowShortRead(ImageWriter& writer, DWORD sectorsRead)
{
    if (!writer.Drain()) {
        questions.ReportLastError();
        return;
    }
    std::wstring text = L"The disc ended after " + std::to_wstring(sectorsRead)
        + L" sectors, before the end of its volume: the image would be incomplete and is deleted.";
    questions.ShowCopyError(text.c_str());
}

void CopyJob::DeleteIncompleteImage()
{
    if (!io.DeleteImage(partialPath.c_str())) {
        std::wstring text = L"The incomplete image could not be deleted; do not use it:\n" + DisplayPath(partialPath);
        questions.ShowCopyError(text.c_str());
    }
}

// A front end operation or a lack of memory ends the copy here; the files must still be closed,
// an image, which is then incomplete, removed, and the user told.
void CopyJob::AbandonAfterException()
{
    io.CloseDevice();
    io.CloseImage();
    const bool created = imageCreated;
    imageCreated = false;
    if (created) {
        io.DeleteImage(partialPath.c_str());
        // The temporary image's map, never a resumed image's own.
        RemoveIfThere(workMapPath);
    }
    try {
        questions.ShowCopyError(created ? kUnexpectedText : kUnexpectedBeforeImageText);
    } catch (...) {
    }
}
