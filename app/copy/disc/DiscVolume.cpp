#include "DiscVolume.h"
#include "CopyIO.h"
#include "CopyProgressRecord.h"
#include "CopyQuestions.h"
#include "CopyTexts.h"
#include "DriveLetter.h"
#include "RescueMap.h"
#include "VolumeDescriptor.h"
#include <cstring>
#include <new>

DiscVolume::~DiscVolume()
{
    Close();
    if (reference)
        io.FreeBuffer(reference);
}

std::wstring DiscVolume::DevicePath(const wchar_t* driveEntry)
{
    const wchar_t letter = driveEntry ? DriveLetterOf(driveEntry) : 0;
    if (!letter)
        return std::wstring();
    return DevicePathOf(letter);
}

bool DiscVolume::Open(const std::wstring& devicePath)
{
    if (!io.OpenDevice(devicePath.c_str())) {
        questions.ShowCopyError(CopyTexts::CannotOpenDrive(devicePath).c_str());
        return false;
    }
    open = true;
    if (!io.SessionCount(sessions))
        sessions = 0;
    return true;
}

void DiscVolume::Close()
{
    if (open)
        io.CloseDevice();
    open = false;
}

bool DiscVolume::PeekSize(BYTE* scratch, DWORD& total, const std::wstring* imagePath)
{
    SectorRead read = ReadSector(kDescriptorSector, scratch, kReadAttempts, nullptr);
    DWORD got = 0;
    if (read == SectorRead::Unreadable && imagePath
        && io.ReadFileAt(imagePath->c_str(), ULONGLONG(kDescriptorSector) * kSectorBytes, scratch, kSectorBytes, got)
        && got == kSectorBytes)
        read = SectorRead::Read;
    if (read == SectorRead::Unreadable) {
        questions.ReportReadError(CopyTexts::DescriptorUnreadable().c_str());
        return false;
    }
    DWORD volumeSectors = 0;
    const bool primary = read == SectorRead::Read && ReadPrimaryVolumeSize(scratch, volumeSectors);
    return MoveTo(0) && SizeOf(primary, volumeSectors, total);
}

bool DiscVolume::SetSize(bool primary, DWORD volumeSectors)
{
    known = SizeOf(primary, volumeSectors, sectors);
    return known;
}

bool DiscVolume::SizeOf(bool primary, DWORD volumeSectors, DWORD& total)
{
    if (!primary && sessions > 1) {
        if (firstSession == 0 && !io.FirstSessionSectors(firstSession)) {
            firstSession = 0;
            questions.ShowCopyError(CopyTexts::SessionsWithoutEnd(sessions).c_str());
            return false;
        }
        volumeSectors = firstSession;
    } else if (!primary) {
        ULONGLONG bytes = 0;
        if (!io.DeviceSize(bytes) || bytes / kSectorBytes > MAXDWORD) {
            questions.ShowCopyError(CopyTexts::NoSize().c_str());
            return false;
        }
        volumeSectors = DWORD(bytes / kSectorBytes);
    }
    total = volumeSectors > kHeaderSectors ? volumeSectors : kHeaderSectors;
    return true;
}

void DiscVolume::Remember(DWORD sector, const BYTE* bytes)
{
    // Aligned, as the device's reads need; a lack of memory ends the copy as any other.
    if (!reference && !(reference = static_cast<BYTE*>(io.AllocateBuffer(2 * kSectorBytes))))
        throw std::bad_alloc();
    std::memcpy(reference, bytes, kSectorBytes);
    referenceSector = sector;
}

// One read of the reference per failure, a read that succeeds on a sound drive: it costs none of
// a bad sector's slow failed reads.
void DiscVolume::CheckDisc()
{
    if (!reference || Lost())
        return;
    const DWORD error = GetLastError();
    BYTE* again = reference + kSectorBytes;
    DWORD got = 0;
    if (!io.SeekDevice(ULONGLONG(referenceSector) * kSectorBytes) || !io.ReadDevice(again, kSectorBytes, got)
        || got != kSectorBytes)
        holding = Holding::NoDisc;
    else if (std::memcmp(again, reference, kSectorBytes) != 0)
        holding = Holding::OtherDisc;
    SetLastError(error);
}

bool DiscVolume::ReadOn(BYTE* buffer, DWORD bytes, DWORD& bytesRead)
{
    bytesRead = 0;
    if (Lost())
        return false;
    const bool read = io.ReadDevice(buffer, bytes, bytesRead);
    if (!read || bytesRead == 0 || bytesRead % kSectorBytes != 0)
        CheckDisc();
    return read && !Lost();
}

bool DiscVolume::MoveTo(ULONGLONG sector)
{
    if (io.SeekDevice(sector * kSectorBytes))
        return true;
    questions.ReportLastError();
    return false;
}

DiscVolume::SectorRead DiscVolume::ReadSector(ULONGLONG sector, BYTE* buffer, unsigned attempts,
                                              const CopyProgressRecord* stop)
{
    for (unsigned attempt = 1;; ++attempt) {
        if (Lost())
            return SectorRead::Lost;
        DWORD got = 0;
        if (io.SeekDevice(sector * kSectorBytes) && io.ReadDevice(buffer, kSectorBytes, got)) {
            if (got == kSectorBytes)
                return SectorRead::Read;
            CheckDisc();
            return Lost() ? SectorRead::Lost : SectorRead::Short;
        }
        CheckDisc();
        if (Lost())
            return SectorRead::Lost;
        if (attempt >= attempts)
            return SectorRead::Unreadable;
        if (stop && stop->StopRequested())
            return SectorRead::Stopped;
    }
}

bool DiscVolume::Read(ULONGLONG first, DWORD count, BYTE* buffer)
{
    DWORD got = 0;
    if (Lost())
        return false;
    if (io.SeekDevice(first * kSectorBytes) && io.ReadDevice(buffer, count * kSectorBytes, got)
        && got == count * kSectorBytes)
        return true;
    CheckDisc();
    return false;
}

bool DiscVolume::SameDiscAs(const std::wstring& imagePath, const RescueMap& map, BYTE* scratch)
{
    if (map.Sectors() <= kDescriptorSector || map.StatusOf(kDescriptorSector) != RescueMap::kFinished)
        return false;
    BYTE* image = scratch + kSectorBytes;
    DWORD compared = 0;
    for (DWORD sector = kDescriptorSector; sector < map.Sectors() && sector < kDescriptorSector + kMaxDescriptors;
         ++sector) {
        if (map.StatusOf(sector) != RescueMap::kFinished)
            continue;
        DWORD got = 0;
        if (!io.ReadFileAt(imagePath.c_str(), ULONGLONG(sector) * kSectorBytes, image, kSectorBytes, got)
            || got != kSectorBytes)
            return false;
        // A descriptor the disc cannot read now is compared no further: the image's copy stands.
        if (Read(sector, 1, scratch)) {
            if (std::memcmp(scratch, image, kSectorBytes) != 0)
                return false;
            if (compared++ == 0)
                Remember(sector, image);
        }
        // Type 255 ends the set.
        if (image[0] == 255)
            break;
    }
    return compared != 0;
}
