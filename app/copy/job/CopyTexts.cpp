#include "CopyTexts.h"
#include "DiscSector.h"
#include "DiscVolume.h"
#include "DisplayPath.h"

namespace {
std::wstring Number(ULONGLONG n)
{
    return std::to_wstring(n);
}

// The local date and minute of a file's time, as "2026-12-09 07:42".
std::wstring LocalTime(const FILETIME& utc)
{
    FILETIME local;
    SYSTEMTIME t;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &t))
        return std::wstring();
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
    return text;
}

std::wstring Stale(const wchar_t* what, const std::wstring& path)
{
    return what + DisplayPath(path)
        + L" describes the image this copy replaced, and could not be removed: delete it by hand.";
}
}

namespace CopyTexts {
std::wstring NoDrive()
{
    return L"No drive is selected: there is nothing to copy.";
}

std::wstring NoMemory()
{
    return L"There is not enough memory for the copy buffer: no image was made.";
}

std::wstring NameTooLong()
{
    return L"The image's name is too long for the files this copy writes beside it: no image was made. Choose a "
           L"shorter name.";
}

std::wstring CannotOpenDrive(const std::wstring& devicePath)
{
    return L"Cannot open drive " + devicePath + L".";
}

std::wstring CannotCreate(const std::wstring& imagePath)
{
    return L"Cannot create file \n" + DisplayPath(imagePath) + L".";
}

std::wstring SessionsQuestion(DWORD sessions)
{
    return L"This disc was written in " + Number(sessions)
        + L" sessions. Its image holds only the files of the first session: the files added in later sessions "
          L"will be missing.\n\nMake the image anyway?";
}

std::wstring SessionsWithoutEnd(DWORD sessions)
{
    return L"This disc was written in " + Number(sessions)
        + L" sessions and has no ISO 9660 volume descriptor, and the drive cannot tell where its first session "
          L"ends: the disc cannot be imaged whole. No image was made.";
}

std::wstring DescriptorUnreadable()
{
    return L"Sector " + Number(kDescriptorSector) + L" could not be read in " + Number(DiscVolume::kReadAttempts)
        + L" attempts: no image was made.";
}

std::wstring NoSize()
{
    return L"The disc has no ISO 9660 volume descriptor and the drive cannot tell its size: the image would be "
           L"incomplete and is deleted.";
}

std::wstring MapUnreadable(const std::wstring& mapPath)
{
    return L"The map " + DisplayPath(mapPath) + L" cannot be read.";
}

std::wstring ImageShorterThanMap(const std::wstring& imagePath, const std::wstring& mapPath)
{
    return L"The image " + DisplayPath(imagePath) + L" is missing, or shorter than its map " + DisplayPath(mapPath)
        + L" says.";
}

std::wstring AnotherDisc(const std::wstring& imagePath)
{
    return FileNameOf(imagePath) + L" is an image of another disc than the one in the drive.";
}

std::wstring ResumeQuestion(const std::wstring& imagePath, ULONGLONG missing)
{
    return FileNameOf(imagePath) + L" is missing " + Number(missing)
        + L" sectors of this disc. Read only the missing sectors?";
}

std::wstring CopyAnewQuestion(const std::wstring& problem, const std::wstring& imagePath)
{
    return problem + L"\n\nCopy the whole disc anew and replace " + FileNameOf(imagePath) + L"?";
}

std::wstring UnfinishedQuestion(const std::wstring& imagePath, const std::wstring& partialPath, ULONGLONG finished,
                                ULONGLONG sectors, const FILETIME* lastWritten)
{
    const std::wstring when = lastWritten ? LocalTime(*lastWritten) : std::wstring();
    return L"An unfinished copy of this disc for " + FileNameOf(imagePath) + L" was found: " + DisplayPath(partialPath)
        + L" holds " + Number(finished) + L" of " + Number(sectors) + L" sectors ("
        + Number(sectors ? finished * 100 / sectors : 0) + L" %)" + (when.empty() ? L"" : L", last written " + when)
        + L".\n\nGo on from there, reading only what is missing? No deletes it and copies the whole disc anew.";
}

std::wstring DiscardQuestion(const std::wstring& problem, const std::wstring& partialPath)
{
    return problem + L"\n\nDelete the unfinished copy " + DisplayPath(partialPath) + L" and copy the whole disc anew?";
}

std::wstring SectorUnreadable(ULONGLONG sector)
{
    return L"Sector " + Number(sector) + L" could not be read in " + Number(DiscVolume::kReadAttempts)
        + L" attempts: the image would be incomplete and is deleted.";
}

std::wstring DiscEnded(ULONGLONG sectors)
{
    return L"The disc ended after " + Number(sectors)
        + L" sectors, before the end of its volume.";
}

std::wstring DiscGone(const std::wstring& imagePath, const std::wstring& mapPath)
{
    return L"The disc can no longer be read: it was taken out, or the drive does not answer. What was copied is "
           L"kept in "
        + DisplayPath(imagePath) + L", and the map " + DisplayPath(mapPath)
        + L" lists what is missing.\n\nPut the disc back and choose the same file again with \"Create ISO\": only "
          L"the missing sectors are read.";
}

std::wstring DiscSwapped(const std::wstring& imagePath, const std::wstring& mapPath)
{
    return L"Another disc is in the drive now: nothing of it was copied. What was copied of the first disc is kept "
           L"in "
        + DisplayPath(imagePath) + L", and the map " + DisplayPath(mapPath)
        + L" lists what is missing.\n\nPut that disc back and choose the same file again with \"Create ISO\" to "
          L"finish the image.";
}

std::wstring Incomplete(const std::wstring& imagePath, ULONGLONG missing, const std::wstring& mapPath)
{
    return FileNameOf(imagePath) + L" is missing " + Number(missing) + L" sectors ("
        + Number(missing * kSectorBytes / 1024)
        + L" KB) of the disc: they could not be read, and the image holds zeros in their place.\n\nThe map "
        + DisplayPath(mapPath)
        + L" lists them. Choose the same file again with \"Create ISO\" later, in this or another drive, and only "
          L"those sectors are read.";
}

std::wstring CannotTakeName(const std::wstring& imagePath)
{
    return L"The new image could not take the name " + DisplayPath(imagePath)
        + L": it is deleted, and any older file of that name is left as it was.";
}

std::wstring NameRefused(const std::wstring& imagePath)
{
    return L"The new image could not take the name " + DisplayPath(imagePath)
        + L", and any older file of that name is left as it was.";
}

std::wstring WorkKept(const std::wstring& workPath, const std::wstring& mapPath, const std::wstring& imagePath)
{
    return L"What was read is kept in " + DisplayPath(workPath) + L", with its map " + DisplayPath(mapPath)
        + L". Choose " + FileNameOf(imagePath)
        + L" again with \"Create ISO\", with the same disc in a drive, and the copy goes on from there.";
}

std::wstring MapNotRenamed(const std::wstring& partialMapPath, const std::wstring& mapPath,
                           const std::wstring& imagePath)
{
    return L"The image's map could not take the name " + DisplayPath(mapPath) + L": it stays as "
        + DisplayPath(partialMapPath) + L", and choosing " + FileNameOf(imagePath) + L" again puts it in place.";
}

std::wstring NotDeleted(const std::wstring& partialPath)
{
    return L"The incomplete image could not be deleted; do not use it:\n" + DisplayPath(partialPath);
}

std::wstring StaleMap(const std::wstring& mapPath)
{
    return Stale(L"The map ", mapPath);
}

std::wstring StaleChecksum(const std::wstring& checksumPath)
{
    return Stale(L"The checksum file ", checksumPath);
}

std::wstring MapNotRemoved(const std::wstring& mapPath)
{
    return L"The image is complete, but its map " + DisplayPath(mapPath)
        + L" could not be removed: delete it by hand.";
}

std::wstring ChecksumNotComputed(const std::wstring& checksumPath)
{
    return L"The image is complete, but its checksum could not be computed: no " + DisplayPath(checksumPath)
        + L" was written.";
}

std::wstring ChecksumNotWritten(const std::wstring& checksumPath)
{
    return L"The image is complete, but its checksum file " + DisplayPath(checksumPath) + L" could not be written.";
}

std::wstring Unexpected()
{
    return L"The copy stopped on an unexpected error: the incomplete image is deleted.";
}

std::wstring UnexpectedKept()
{
    return L"The copy stopped on an unexpected error.";
}

std::wstring UnexpectedBeforeImage()
{
    return L"The copy could not start because of an unexpected error: no image was made.";
}
}
