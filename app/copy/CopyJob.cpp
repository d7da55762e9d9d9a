#include "CopyJob.h"
#include "ChunkBuffer.h"
#include "CopyIO.h"
#include "CopyJobOwner.h"
#include "DisplayPath.h"
#include "DriveLetter.h"
#include "ImageSideFiles.h"
#include "ImageWriter.h"
#include "Sha256.h"
#include "TargetRoom.h"
#include "VolumeDescriptor.h"
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
        AbandonAfterException();
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
    this->imagePath = imagePath;
    if (!TargetFilesUsable())
        return;
    if (!io.OpenDevice(devicePath.c_str())) {
        owner.ShowCopyError((L"Cannot open drive " + devicePath + L".").c_str());
        return;
    }
    if (!ConfirmSessions(first.Get())) {
        io.CloseDevice();
        return;
    }
    // Taken after any question: the time line counts the copy, not the time a box was up.
    startMs = io.Milliseconds();
    // A temporary file left by a copy that was killed is this program's own: it is replaced.
    io.DeleteImage(partialPath.c_str());
    // Marked before the attempt: should creating it end in an exception after the file was
    // made, the clean-up still removes the empty file.
    imageCreated = true;
    if (!io.CreateImage(partialPath.c_str())) {
        imageCreated = false;
        io.CloseDevice();
        // Named as the user chose it: the temporary file lies in the same folder.
        owner.ShowCopyError((L"Cannot create file \n" + DisplayPath(imagePath) + L".").c_str());
        return;
    }
    bool ok = CopyOpenFiles(first.Get(), second.Get());
    io.CloseDevice();
    if (ok) {
        ok = KeepImage(!stopped);
    } else {
        io.CloseImage();
        DeleteIncompleteImage();
    }
    if (ok)
        outcome = stopped ? CopyOutcome::Stopped : CopyOutcome::Completed;
    imageCreated = false;
}

// Checked before anything is written: each file this copy writes can be written. The chosen
// image is replaced only by a rename, and the checksum file is replaced whole.
bool CopyJob::TargetFilesUsable()
{
    partialPath = PartialImagePath(imagePath);
    checksumPath = ChecksumPath(imagePath);
    if (partialPath.empty() || checksumPath.empty()) {
        owner.ShowCopyError(kPathTooLongText);
        return false;
    }
    for (const std::wstring* path : {&imagePath, &partialPath, &checksumPath}) {
        std::wstring problem = TargetFileProblem(*path, io.FileAttributes(path->c_str()));
        if (!problem.empty()) {
            owner.ShowCopyError(problem.c_str());
            return false;
        }
    }
    return true;
}

bool CopyJob::KeepImage(bool complete)
{
    // On the disk before the image counts as kept: the bar empties only after this.
    bool flushed = io.FlushImage();
    DWORD error = GetLastError();
    io.CloseImage();
    if (!flushed) {
        SetLastError(error);
        owner.ReportLastError();
        DeleteIncompleteImage();
        return false;
    }
    if (!io.KeepImage(partialPath.c_str(), imagePath.c_str())) {
        error = GetLastError();
        std::wstring text = L"The new image could not take the name " + DisplayPath(imagePath)
            + L": it is deleted, and any older file of that name is left as it was.";
        SetLastError(error);
        owner.ReportReadError(text.c_str());
        DeleteIncompleteImage();
        return false;
    }
    imageCreated = false;
    if (complete) {
        WriteChecksum();
    } else if (io.FileAttributes(checksumPath.c_str()) != INVALID_FILE_ATTRIBUTES
               && !io.RemoveFile(checksumPath.c_str())) {
        std::wstring text = L"The checksum file " + DisplayPath(checksumPath)
            + L" describes the image this copy replaced, and could not be removed: delete it by hand.";
        owner.ReportReadError(text.c_str());
    }
    return true;
}

void CopyJob::WriteChecksum()
{
    if (digest.empty()) {
        SetLastError(hashError);
        std::wstring text = L"The image is complete, but its checksum could not be computed: no "
            + DisplayPath(checksumPath) + L" was written.";
        owner.ReportReadError(text.c_str());
        return;
    }
    if (!io.WriteChecksumFile(checksumPath.c_str(), ChecksumLine(digest, imagePath))) {
        std::wstring text = L"The image is complete, but its checksum file " + DisplayPath(checksumPath)
            + L" could not be written.";
        owner.ReportReadError(text.c_str());
    }
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
    if (!PeekDescriptor(scratch, primary))
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
bool CopyJob::PeekDescriptor(BYTE* scratch, bool& primary)
{
    const ULONGLONG descriptorOffset = ULONGLONG(kHeaderSectors - 1) * kSectorBytes;
    for (unsigned attempt = 1;; ++attempt) {
        DWORD got = 0;
        if (io.SeekDevice(descriptorOffset) && io.ReadDevice(scratch, kSectorBytes, got)) {
            DWORD volumeSectors = 0;
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
            if (attempt == kReadAttempts) {
                std::wstring detail = L"Sector " + std::to_wstring(sector) + L" could not be read in "
                    + std::to_wstring(kReadAttempts) + L" attempts: the image would be incomplete and is deleted.";
                ReportAfterDrain(writer, detail.c_str());
                return ReadEnd::Failed;
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
    // Told now rather than when the disk is full, minutes later. Where the system cannot tell,
    // the copy goes on and a full disk is reported when it happens.
    std::wstring problem =
        TargetRoomProblem(ULONGLONG(totalSectors) * kSectorBytes, io.TargetVolume(imagePath.c_str()));
    if (!problem.empty()) {
        owner.ShowCopyError(problem.c_str());
        return false;
    }
    return true;
}

// A failure is told once the write in flight has ended. Should that write have failed too, its
// error is told instead: it comes first in the image.
void CopyJob::ReportAfterDrain(ImageWriter& writer, const wchar_t* detail)
{
    DWORD error = GetLastError();
    if (!writer.Drain()) {
        owner.ReportLastError();
        return;
    }
    SetLastError(error);
    owner.ReportReadError(detail);
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

void CopyJob::DeleteIncompleteImage()
{
    if (!io.DeleteImage(partialPath.c_str())) {
        std::wstring text = L"The incomplete image could not be deleted; do not use it:\n" + DisplayPath(partialPath);
        owner.ShowCopyError(text.c_str());
    }
}

// An owner operation or a lack of memory ends the copy here; the files must still be closed,
// an image, which is then incomplete, removed, and the user told.
void CopyJob::AbandonAfterException()
{
    io.CloseDevice();
    io.CloseImage();
    const bool created = imageCreated;
    imageCreated = false;
    if (created)
        io.DeleteImage(partialPath.c_str());
    try {
        owner.ShowCopyError(created ? kUnexpectedText : kUnexpectedBeforeImageText);
    } catch (...) {
    }
}
