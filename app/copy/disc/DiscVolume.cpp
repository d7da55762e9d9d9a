#include "DiscVolume.h"
#include "CopyIO.h"
#include "CopyProgressRecord.h"
#include "CopyQuestions.h"
#include "CopyTexts.h"
#include "DriveLetter.h"
#include "RescueMap.h"
#include "VolumeDescriptor.h"
#include <cstring>

std::wstring DiscVolume::DevicePath(const wchar_t* driveEntry)
{
    const wchar_t letter = driveEntry ? DriveLetterOf(driveEntry) : 0;
    if (!letter)
        return std::wstring();
    return std::wstring(L"\\\\.\\") + letter + L':';
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

bool DiscVolume::PeekSize(BYTE* scratch, DWORD& total)
{
    const SectorRead read = ReadSector(kDescriptorSector, scratch, kReadAttempts, nullptr);
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

bool DiscVolume::ReadOn(BYTE* buffer, DWORD bytes, DWORD& bytesRead)
{
    return io.ReadDevice(buffer, bytes, bytesRead);
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
        DWORD got = 0;
        if (io.SeekDevice(sector * kSectorBytes) && io.ReadDevice(buffer, kSectorBytes, got))
            return got == kSectorBytes ? SectorRead::Read : SectorRead::Short;
        if (attempt >= attempts)
            return SectorRead::Unreadable;
        if (stop && stop->StopRequested())
            return SectorRead::Stopped;
    }
}

bool DiscVolume::Read(ULONGLONG first, DWORD count, BYTE* buffer)
{
    DWORD got = 0;
    return io.SeekDevice(first * kSectorBytes) && io.ReadDevice(buffer, count * kSectorBytes, got)
        && got == count * kSectorBytes;
}

bool DiscVolume::SameDiscAs(const std::wstring& imagePath, const RescueMap& map, BYTE* scratch)
{
    if (map.Sectors() <= kDescriptorSector || map.StatusOf(kDescriptorSector) != RescueMap::kFinished)
        return false;
    BYTE* image = scratch + kSectorBytes;
    for (DWORD sector = kDescriptorSector; sector < map.Sectors() && sector < kDescriptorSector + kMaxDescriptors;
         ++sector) {
        if (map.StatusOf(sector) != RescueMap::kFinished)
            continue;
        if (!Read(sector, 1, scratch))
            return sector != kDescriptorSector;
        DWORD got = 0;
        if (!io.ReadFileAt(imagePath.c_str(), ULONGLONG(sector) * kSectorBytes, image, kSectorBytes, got)
            || got != kSectorBytes || std::memcmp(scratch, image, kSectorBytes) != 0)
            return false;
        // Type 255 ends the set.
        if (scratch[0] == 255)
            break;
    }
    return true;
}
