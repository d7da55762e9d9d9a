#pragma once
#include <windows.h>
#include <string>
#include <vector>

// The command line of an unattended run: Pelmora.exe DRIVE IMAGE [options]. Options start
// with / or -, in any case. Started without arguments, Pelmora is the window it always was;
// the caller decides that before parsing.
class CommandLine
{
public:
    wchar_t drive = 0;          // 'E', from "E:", "E" or "E:\" in any case
    std::wstring image;         // as given; {label} not yet expanded (CommandImageName)
    bool rescue = false;        // go on past unreadable sectors
    bool replace = false;       // an existing image without a map may be replaced
    bool eject = false;         // eject the disc at the end, whatever the outcome
    bool wait = false;          // wait for a readable disc in the drive
    std::wstring manifest;      // the CSV file to append this run's row to; empty for none
    bool usage = false;         // /? was given: show the usage and do nothing else

    // Parses the arguments after the program's name. On failure, `message` is one sentence in
    // the usage's words, and the run exits with ExitCode::BadCommandLine having written nothing.
    bool Parse(const std::vector<std::wstring>& arguments, std::wstring& message);

    // The text /? shows, also shown after a bad command line's message.
    static std::wstring Usage();
};

// Checks the caller makes once the command line is parsed, before anything is written; each
// gives the message in the usage's words, or empty when all is well.
// - DRIVE must be a CD-ROM drive (GetDriveTypeW of its root says `driveType`);
std::wstring DriveProblem(wchar_t drive, UINT driveType);
// - IMAGE (after {label}) must name a file in a folder that exists.
std::wstring ImageFolderProblem(const std::wstring& image);
