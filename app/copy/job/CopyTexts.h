#pragma once
#include <windows.h>
#include <string>

// What the copy tells the person who started it, one function per sentence, each given the
// facts it names. Paths are given as the copy uses them and shown as a user knows them.
// The sentences of the target's room (TargetRoomProblem), of a file in the way
// (TargetFileProblem) and of a broken map (RescueMap::Parse) stay with the rules that find them.
namespace CopyTexts {
// Before the copy.
std::wstring NoDrive();
std::wstring NoMemory();
std::wstring NameTooLong();
std::wstring CannotOpenDrive(const std::wstring& devicePath);
std::wstring CannotCreate(const std::wstring& imagePath);
std::wstring SessionsQuestion(DWORD sessions);
std::wstring SessionsWithoutEnd(DWORD sessions);
std::wstring DescriptorUnreadable();
std::wstring NoSize();

// Finishing an image later.
std::wstring MapUnreadable(const std::wstring& mapPath);
std::wstring ImageShorterThanMap(const std::wstring& imagePath, const std::wstring& mapPath);
std::wstring AnotherDisc(const std::wstring& imagePath);
std::wstring ResumeQuestion(const std::wstring& imagePath, ULONGLONG missing);
std::wstring CopyAnewQuestion(const std::wstring& problem, const std::wstring& imagePath);
// `lastWritten`: when the unfinished copy's map was last saved (UTC), or null when unknown.
std::wstring UnfinishedQuestion(const std::wstring& imagePath, const std::wstring& partialPath, ULONGLONG finished,
                                ULONGLONG sectors, const FILETIME* lastWritten);
std::wstring DiscardQuestion(const std::wstring& problem, const std::wstring& partialPath);

// While the disc is read.
std::wstring SectorUnreadable(ULONGLONG sector);
std::wstring DiscEnded(ULONGLONG sectors);
std::wstring DiscGone(const std::wstring& imagePath, const std::wstring& mapPath);
std::wstring DiscSwapped(const std::wstring& imagePath, const std::wstring& mapPath);

// At the end.
std::wstring Incomplete(const std::wstring& imagePath, ULONGLONG missing, const std::wstring& mapPath);
std::wstring CannotTakeName(const std::wstring& imagePath);
std::wstring NameRefused(const std::wstring& imagePath);
std::wstring WorkKept(const std::wstring& workPath, const std::wstring& mapPath, const std::wstring& imagePath);
std::wstring MapNotRenamed(const std::wstring& partialMapPath, const std::wstring& mapPath,
                           const std::wstring& imagePath);
std::wstring NotDeleted(const std::wstring& partialPath);
std::wstring StaleMap(const std::wstring& mapPath);
std::wstring StaleChecksum(const std::wstring& checksumPath);
std::wstring MapNotRemoved(const std::wstring& mapPath);
std::wstring ChecksumNotComputed(const std::wstring& checksumPath);
std::wstring ChecksumNotWritten(const std::wstring& checksumPath);
std::wstring Unexpected();
std::wstring UnexpectedKept();
std::wstring UnexpectedBeforeImage();
}
