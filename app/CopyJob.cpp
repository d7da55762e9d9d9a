#include "CopyJob.h"
#include "ChunkBuffer.h"
#include "CopyIO.h"
#include "CopyJobOwner.h"
#include "ImageWriter.h"
#include "VolumeDescriptor.h"
#include <climits>
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

bool IsDriveLetter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// "\\.\" and the entry's drive letter and colon, or an empty text when the entry has none.
std::wstring DevicePath(const wchar_t* driveEntry)
{
    if (!driveEntry || !IsDriveLetter(driveEntry[0]) || driveEntry[1] != L':')
        return std::wstring();
    return std::wstring(L"\\\\.\\") + driveEntry[0] + L':';
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
        startMs = io.Milliseconds();
        owner.SetProgressRange(0, kHeaderProgressRange);
        Copy(driveEntry, TextOrEmpty(imagePath));
    } catch (...) {
        AbandonAfterException(TextOrEmpty(imagePath));
    }
    Finish();
}

void CopyJob::Copy(const wchar_t* driveEntry, const wchar_t* imagePath)
{
    std::wstring devicePath = DevicePath(driveEntry);
    if (devicePath.empty()) {
        owner.ShowCopyError(kNoDriveText);
        return;
    }
    ChunkBuffer buffer(io, ImageWriter::BufferBytes(chunkSectors * kSectorBytes));
    if (!buffer.Get()) {
        owner.ShowCopyError(kNoMemoryText);
        return;
    }
    if (!io.OpenDevice(devicePath.c_str())) {
        owner.ShowCopyError((L"Cannot open drive " + devicePath + L".").c_str());
        return;
    }
    io.DeleteImage(imagePath);
    if (!io.CreateImage(imagePath)) {
        io.CloseDevice();
        owner.ShowCopyError((L"Cannot create file \n" + std::wstring(imagePath) + L".").c_str());
        return;
    }
    imageCreated = true;
    bool ok = CopyOpenFiles(buffer.Get());
    io.CloseDevice();
    io.CloseImage();
    if (!ok)
        DeleteIncompleteImage(imagePath);
    else
        outcome = stopped ? CopyOutcome::Stopped : CopyOutcome::Completed;
    imageCreated = false;
}

bool CopyJob::CopyOpenFiles(BYTE* buffer)
{
    ImageWriter writer(io, buffer);
    totalSectors = kHeaderSectors;
    DWORD sectorsDone = 0;
    DWORD sectorsPerRead = 1;
    while (sectorsDone < totalSectors) {
        BYTE* target = writer.ReadTarget();
        DWORD wanted = sectorsPerRead * kSectorBytes;
        DWORD got = 0;
        if (!io.ReadDevice(target, wanted, got)) {
            owner.ReportLastError();
            return false;
        }
        if (got != wanted) {
            // Short reads come at the end of the medium, but also just before a bad sector on
            // some systems; reading on tells the two apart, so the user sees the real cause.
            DWORD more = 0;
            if (got != 0 && got % kSectorBytes == 0 && !io.ReadDevice(target + got, wanted - got, more)) {
                owner.ReportLastError();
                return false;
            }
            ShowShortRead(sectorsDone + got / kSectorBytes);
            return false;
        }
        // Sector 16 is parsed before the write: the writer may move it within the buffer.
        bool descriptorRead = sectorsDone + sectorsPerRead == kHeaderSectors;
        DWORD volumeSectors = 0;
        bool primary = descriptorRead && ReadPrimaryVolumeSize(target, volumeSectors);
        if (!writer.Commit(got)) {
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
        owner.UpdateProgress(int(sectorsDone), io.Milliseconds() - startMs);
        if (totalSectors - sectorsDone < sectorsPerRead)
            sectorsPerRead = totalSectors - sectorsDone;
    }
    if (!writer.Finish()) {
        owner.ReportLastError();
        return false;
    }
    return true;
}

bool CopyJob::SetVolumeSize(bool primary, DWORD volumeSectors)
{
    if (!primary) {
        ULONGLONG bytes = 0;
        if (!io.DeviceSize(bytes) || bytes / kSectorBytes > MAXDWORD) {
            owner.ShowCopyError(kNoSizeText);
            return false;
        }
        volumeSectors = DWORD(bytes / kSectorBytes);
    }
    // The 17 sectors already read are always kept, even when the volume claims fewer.
    totalSectors = volumeSectors > kHeaderSectors ? volumeSectors : kHeaderSectors;
    owner.SetProgressRange(0, totalSectors > DWORD(INT_MAX) ? INT_MAX : int(totalSectors));
    return true;
}

void CopyJob::ShowShortRead(DWORD sectorsRead)
{
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

// Only an owner operation can throw here; the files must still be closed and the image,
// which is then incomplete, removed.
void CopyJob::AbandonAfterException(const wchar_t* imagePath)
{
    io.CloseDevice();
    io.CloseImage();
    if (!imageCreated)
        return;
    imageCreated = false;
    io.DeleteImage(imagePath);
    try {
        owner.ShowCopyError(kUnexpectedText);
    } catch (...) {
    }
}

// The worker must be cleared whatever happens, or a close request would wait forever; so a
// failure of the display steps is not allowed to skip it.
void CopyJob::Finish()
{
    try {
        owner.CopyEnded(outcome);
        owner.ClearStopRequest();
        owner.SetProgressPosition(0);
        owner.RestoreCreateCaption();
    } catch (...) {
    }
    owner.ClearWorker();
}
