#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "CommandLine.h"
#include "CopyJob.h"
#include "CopyOutcome.h"
#include "CopyRecorder.h"

class CopyProgressRecord;
class CopyQuestions;
class UnattendedAnswers;

// One unattended run, Pelmora.exe DRIVE IMAGE [options]: the command line checked before
// anything is written, the drive claimed against other runs, the copy shown in the main window
// with UnattendedAnswers as its front end, then the report beside the image, the manifest's row
// and the exit code. Nothing in it waits for a person: what it has to say goes to the console of
// whoever started it, where there is one. The window's single-instance mutex is not taken, so
// that runs on different drives go side by side, beside a window too.
class CommandRun
{
public:
    // arguments: those after the program's name; command: the whole command line, for the report.
    CommandRun(std::vector<std::wstring> arguments, const std::wstring& command);
    CommandRun(const CommandRun&) = delete;
    CommandRun& operator=(const CommandRun&) = delete;

    // The ExitCode of the run, as an int. Does not throw.
    int Run();

private:
    int RunChecked();
    int CopyInWindow();
    // The copy's worker: waits for a disc (/wait), learns the drive and the disc, picks the image's
    // name, then runs the job.
    CopyOutcome Copy(UnattendedAnswers& answers, CopyQuestions& questions, CopyProgressRecord& progress,
                     const std::wstring& driveEntry);
    bool WaitForDisc(UnattendedAnswers& answers, CopyProgressRecord& progress);
    // The image's path under the naming and replacing rules; empty, refused, when there is none.
    std::wstring ChooseImage(UnattendedAnswers& answers, const std::wstring& label);
    void Eject() const;

    const std::vector<std::wstring> arguments;
    CommandLine line;
    std::wstring root;  // "E:\"
    CopyRecorder recorder;
    // The image's path once chosen; IMAGE as given before.
    std::wstring image;
    // What the job learned, for the report.
    JobFacts facts;
};
