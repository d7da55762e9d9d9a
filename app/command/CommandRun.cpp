#include "CommandRun.h"
#include <winioctl.h>
#include <cstdlib>
#include <memory>
#include "CImageDlg.h"
#include "CommandImageName.h"
#include "CopyJob.h"
#include "CopyReport.h"
#include "DiscSector.h"
#include "DriveList.h"
#include "ExitCode.h"
#include "ExtendedLengthPath.h"
#include "FileHandle.h"
#include "ImageDigests.h"
#include "ImageSideFiles.h"
#include "Manifest.h"
#include "MVExceptionReport.h"
#include "RecordText.h"
#include "UnattendedAnswers.h"
#include "Win32CopyIO.h"

namespace {
const wchar_t kTool[] = L"Pelmora 1.1.0.0";
// How often a drive without a readable disc is asked again under /wait.
const DWORD kDiscPollMs = 500;
const DWORD kHashChunk = 1 << 20;

// To the standard error the run was given, else to the console of the process that started it.
void Print(const std::wstring& text)
{
    const std::string bytes = Utf8(text + L"\r\n");
    DWORD written = 0;
    const HANDLE out = GetStdHandle(STD_ERROR_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE && WriteFile(out, bytes.data(), DWORD(bytes.size()), &written, nullptr))
        return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    FileHandle console(CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
    if (console.IsOpen())
        WriteConsoleW(console.Get(), (L"\r\n" + text + L"\r\n").c_str(), DWORD(text.size() + 4), &written, nullptr);
}

bool Exists(const std::wstring& path)
{
    const std::wstring usable = ExtendedLengthPath(path);
    return !usable.empty() && GetFileAttributesW(usable.c_str()) != INVALID_FILE_ATTRIBUTES;
}

FileHandle OpenDevice(wchar_t drive)
{
    const std::wstring device = std::wstring(L"\\\\.\\") + drive + L':';
    return FileHandle(CreateFileW(device.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
}

// The four digests of a kept file, read back as the job reads a rescued image back for its checksum.
bool FileDigests(const std::wstring& path, ImageDigestText& text)
{
    FileHandle file(CreateFileW(ExtendedLengthPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.IsOpen())
        return false;
    ImageDigests digests;
    std::unique_ptr<BYTE[]> buffer(new BYTE[kHashChunk]);
    DWORD bytes = 0;
    BOOL read = FALSE;
    while ((read = ReadFile(file.Get(), buffer.get(), kHashChunk, &bytes, nullptr)) && bytes)
        digests.Add(buffer.get(), bytes);
    return read && digests.Finish(text);
}

// The disc's sectors as a map gives them: where its last area ends. The progress shown last
// counts only the last pass's sectors.
ULONGLONG MapSectors(const std::string& text)
{
    ULONGLONG end = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t next = text.find('\n', at);
        next = next == std::string::npos ? text.size() : next + 1;
        const std::string line = text.substr(at, next - at);
        at = next;
        char* rest = nullptr;
        const ULONGLONG position = std::strtoull(line.c_str(), &rest, 16);
        char* after = nullptr;
        const ULONGLONG size = line[0] == '#' ? 0 : std::strtoull(rest, &after, 16);
        if (size && after != rest)
            end = position + size;
    }
    return end / kSectorBytes;
}

int ExitCodeOf(const UnattendedAnswers& answers)
{
    if (answers.Refused())
        return int(ExitCode::BadCommandLine);
    if (!answers.Ended())
        return int(ExitCode::Stopped);
    switch (answers.Outcome()) {
    case CopyOutcome::Completed: return int(ExitCode::Complete);
    case CopyOutcome::Incomplete: return int(ExitCode::KeptWithUnreadable);
    case CopyOutcome::Stopped: return int(ExitCode::Stopped);
    case CopyOutcome::Failed: break;
    }
    return int(ExitCode::Failed);
}

CopyRecord::Outcome RecordOutcome(int exitCode)
{
    switch (ExitCode(exitCode)) {
    case ExitCode::Complete: return CopyRecord::Outcome::Complete;
    case ExitCode::KeptWithUnreadable: return CopyRecord::Outcome::Incomplete;
    case ExitCode::Stopped: return CopyRecord::Outcome::Stopped;
    default: break;
    }
    return CopyRecord::Outcome::Failed;
}
}

CommandRun::CommandRun(std::vector<std::wstring> arguments, std::wstring command) : arguments(std::move(arguments))
{
    record.tool = kTool;
    record.command = std::move(command);
}

int CommandRun::Run()
{
    try {
        return RunChecked();
    } catch (...) {
        try {
            Print(CurrentExceptionText(L"Unknown exception"));
        } catch (...) {
        }
        return int(ExitCode::Failed);
    }
}

int CommandRun::RunChecked()
{
    std::wstring problem;
    if (!line.Parse(arguments, problem)) {
        Print(problem + L"\r\n\r\n" + CommandLine::Usage());
        return int(ExitCode::BadCommandLine);
    }
    if (line.usage) {
        Print(CommandLine::Usage());
        return int(ExitCode::Complete);
    }
    root = DriveRoot(line.drive);
    problem = DriveProblem(line.drive, GetDriveTypeW(root.c_str()));
    // The folder is the same whatever the label brings: the proposed name holds no separator.
    if (problem.empty())
        problem = ImageFolderProblem(ExpandLabel(line.image, L""));
    if (!problem.empty()) {
        Print(problem + L"\r\n\r\n" + CommandLine::Usage());
        return int(ExitCode::BadCommandLine);
    }
    // One run per drive: the first holds the name until its process ends.
    const std::wstring mutexName = std::wstring(L"Pelmora drive ") + line.drive;
    std::unique_ptr<void, decltype(&CloseHandle)> driveMutex(CreateMutexW(nullptr, FALSE, mutexName.c_str()),
                                                             &CloseHandle);
    if (!driveMutex || GetLastError() == ERROR_ALREADY_EXISTS) {
        Print(std::wstring(1, line.drive) + L": is being copied by another run.");
        return int(ExitCode::DriveBusy);
    }
    const int code = CopyInWindow();
    if (line.eject)
        Eject();
    return code;
}

int CommandRun::CopyInWindow()
{
    record.drive = line.drive;
    record.image = line.image;
    record.started = RecordTimeNow();
    const ULONGLONG startTick = GetTickCount64();
    UnattendedAnswers answers(line.rescue);
    CImageDlg::Seams seams = CImageDlg::Seams::System();
    seams.runner = std::make_unique<CopyRunner>([this, &answers](CopyQuestions& questions, CopyProgressRecord& progress,
                                                                 const wchar_t* driveEntry, const wchar_t*) {
        return Copy(answers, questions, progress, driveEntry);
    });
    CImageDlg dialog(nullptr, std::move(seams));
    dialog.CopyUnattended(answers, root, line.image);
    dialog.DoModal();
    dialog.Runner().StopAndWait();
    const int code = ExitCodeOf(answers);
    if (answers.Refused()) {
        // Nothing was written: no report either.
        Print(answers.Reason());
        return code;
    }
    FillRecord(answers, dialog.Runner().Progress(), startTick);
    record.outcome = RecordOutcome(code);
    Win32CopyIO io;
    if (!WriteCopyReport(io, record))
        Print(L"The report could not be written beside " + record.image + L".");
    if (!line.manifest.empty() && !AppendManifestRow(line.manifest, record, code))
        Print(L"The row could not be added to the manifest " + line.manifest + L".");
    if (!answers.Reason().empty())
        Print(answers.Reason());
    return code;
}

CopyOutcome CommandRun::Copy(UnattendedAnswers& answers, CopyQuestions& questions, CopyProgressRecord& progress,
                             const std::wstring& driveEntry)
{
    if (!WaitForDisc(answers, progress))
        return CopyOutcome::Stopped;
    VolumeInfo info = {};
    const std::wstring label = GetVolumeInfo(info, root.c_str()) ? info.volumeLabel : L"";
    LearnDriveAndDisc();
    if (record.volume.label.empty())
        record.volume.label = label;
    const std::wstring image = ChooseImage(answers, label);
    if (image.empty())
        return CopyOutcome::Failed;
    record.image = image;
    Win32CopyIO io;
    return CopyJob(questions, progress, io, CopyRunner::kChunkSectors).Run(driveEntry.c_str(), image.c_str());
}

bool CommandRun::WaitForDisc(UnattendedAnswers& answers, CopyProgressRecord& progress)
{
    VolumeInfo info = {};
    if (!line.wait || GetVolumeInfo(info, root.c_str()))
        return true;
    answers.SetWaiting(true);
    while (!GetVolumeInfo(info, root.c_str())) {
        if (progress.StopRequested()) {
            answers.SetWaiting(false);
            answers.ShowCopyError((L"Stopped while waiting for a disc in " + root.substr(0, 2) + L".").c_str());
            return false;
        }
        Sleep(kDiscPollMs);
    }
    answers.SetWaiting(false);
    return true;
}

void CommandRun::LearnDriveAndDisc()
{
    FileHandle device = OpenDevice(line.drive);
    if (!device.IsOpen())
        return;
    record.identity = QueryDriveIdentity(device.Get());
    // Sector 16 holds the primary volume descriptor of an ISO 9660 disc.
    BYTE* sector = static_cast<BYTE*>(VirtualAlloc(nullptr, kSectorBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!sector)
        return;
    LARGE_INTEGER at;
    at.QuadPart = 16LL * kSectorBytes;
    DWORD bytes = 0;
    if (SetFilePointerEx(device.Get(), at, nullptr, FILE_BEGIN) && ReadFile(device.Get(), sector, kSectorBytes, &bytes, nullptr) &&
        bytes == kSectorBytes)
        ReadPrimaryVolumeFacts(sector, record.volume);
    VirtualFree(sector, 0, MEM_RELEASE);
    device.Close();
    Win32CopyIO io;
    DWORD sessions = 0;
    if (io.OpenDevice((std::wstring(L"\\\\.\\") + line.drive + L':').c_str()) && io.SessionCount(sessions))
        record.sessions = sessions;
}

std::wstring CommandRun::ChooseImage(UnattendedAnswers& answers, const std::wstring& label)
{
    if (HasLabelPlaceholder(line.image)) {
        // Only an image with its map (this disc's unfinished work, ResumeCheck makes sure) is
        // finished; any other file keeps its name, and the new image takes a free one.
        const std::wstring image = FreeImageName(ExpandLabel(line.image, label), [](const std::wstring& name) {
            return Exists(name) && !MayBeFinished(name);
        });
        if (image.empty())
            answers.Refuse(L"No free name is left for " + ExpandLabel(line.image, label) + L".");
        return image;
    }
    if (Exists(line.image) && !MayBeFinished(line.image)) {
        if (!line.replace) {
            answers.Refuse(line.image + L" exists: give /replace to replace it.");
            return std::wstring();
        }
        answers.Answer(CopyRecord::kReplaceQuestion, L"yes (/replace)");
    }
    return line.image;
}

void CommandRun::FillRecord(const UnattendedAnswers& answers, const CopyProgressRecord& progress, ULONGLONG startTick)
{
    record.ended = RecordTimeNow();
    record.elapsedMilliseconds = GetTickCount64() - startTick;
    record.reason = answers.Reason();
    record.answers = answers.Answers();
    const CopyProgress done = progress.Read().progress;
    record.sectors = done.totalSectors;
    record.sectorsRead = done.sectorsDone;
    const ImageSideFiles names(record.image);
    std::string text;
    std::wstring message;
    Win32CopyIO io;
    ULONGLONG bytes = 0;
    const bool complete = answers.Ended() && answers.Outcome() == CopyOutcome::Completed;
    if (complete && io.FileSize(record.image.c_str(), bytes)) {
        record.sectors = record.sectorsRead = bytes / kSectorBytes;
        if (!FileDigests(record.image, record.digests))
            record.digests = ImageDigestText();
    } else if (io.ReadTextFile(names.map.c_str(), text) &&
               RescueMap::Parse(text, MapSectors(text), names.map, map, message)) {
        record.map = &map;
        record.sectors = map.Sectors();
        record.sectorsRead = map.Count(RescueMap::kFinished);
    }
}

void CommandRun::Eject() const
{
    // Some systems refuse it (Wine does): the run's outcome stands all the same.
    FileHandle device = OpenDevice(line.drive);
    DWORD bytes = 0;
    if (device.IsOpen())
        DeviceIoControl(device.Get(), IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0, nullptr, 0, &bytes, nullptr);
}
