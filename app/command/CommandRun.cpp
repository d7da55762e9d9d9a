#include "CommandRun.h"
#include <winioctl.h>
#include <cstdlib>
#include <memory>
#include "CImageDlg.h"
#include "CommandImageName.h"
#include "CopyJob.h"
#include "CopyReport.h"
#include "DiscSector.h"
#include "DriveLetter.h"
#include "DriveList.h"
#include "ExitCode.h"
#include "ExtendedLengthPath.h"
#include "FileHandle.h"
#include "ImageSideFiles.h"
#include "Manifest.h"
#include "MVExceptionReport.h"
#include "RecordText.h"
#include "ResumeCheck.h"
#include "UnattendedAnswers.h"
#include "Win32CopyIO.h"

namespace {
// How often a drive without a readable disc is asked again under /wait.
const DWORD kDiscPollMs = 500;

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
    return FileHandle(CreateFileW(DevicePathOf(drive).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
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

CommandRun::CommandRun(std::vector<std::wstring> arguments, const std::wstring& command)
    : arguments(std::move(arguments)), recorder(CopyRunner::kTool, command)
{
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
    // Until the worker picks the name: where the report of a run that ended before goes.
    image = ExpandLabel(line.image, L"");
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
    Win32CopyIO io;
    recorder.End(io, image, RecordOutcome(code), answers.Reason(), answers.Answers(), dialog.Runner().Progress(),
                 facts);
    const CopyRecord& record = recorder.Record();
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
    recorder.Start(line.drive, label);
    const std::wstring chosen = ChooseImage(answers, label);
    if (chosen.empty())
        return CopyOutcome::Failed;
    image = chosen;
    Win32CopyIO io;
    CopyJob job(questions, progress, io, CopyRunner::kChunkSectors);
    const CopyOutcome outcome = job.Run(driveEntry.c_str(), chosen.c_str());
    facts = job.Facts();
    return outcome;
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

std::wstring CommandRun::ChooseImage(UnattendedAnswers& answers, const std::wstring& label)
{
    if (HasLabelPlaceholder(line.image)) {
        // Only this disc's own unfinished work (an image with its map, or a temporary image) is
        // finished; any other file, and another disc's work of the same label, keeps its name,
        // and the new image takes a free one.
        Win32CopyIO io;
        const std::wstring device = DevicePathOf(line.drive);
        const std::wstring image = FreeImageName(ExpandLabel(line.image, label), [&](const std::wstring& name) {
            return MayBeFinished(name) ? !ResumeCheck::OfThisDisc(io, device, ImageSideFiles(name)) : Exists(name);
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

void CommandRun::Eject() const
{
    // Some systems refuse it (Wine does): the run's outcome stands all the same.
    FileHandle device = OpenDevice(line.drive);
    DWORD bytes = 0;
    if (device.IsOpen())
        DeviceIoControl(device.Get(), IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0, nullptr, 0, &bytes, nullptr);
}
