#include "CommandLine.h"
#include "UnusedDriveLetter.h"
#include <gtest/gtest.h>

namespace {
// What a parse gives, in one line: "drive|image|options|manifest", or the message.
std::wstring Outcome(const std::vector<std::wstring>& arguments)
{
    CommandLine line;
    line.drive = L'Z';  // every parse starts afresh
    std::wstring message;
    if (!line.Parse(arguments, message))
        return message;
    const std::wstring options = std::wstring(line.rescue ? L"rescue " : L"") + (line.replace ? L"replace " : L"") +
                                 (line.eject ? L"eject " : L"") + (line.wait ? L"wait " : L"") +
                                 (line.usage ? L"usage" : L"");
    return std::wstring(line.drive ? 1 : 0, line.drive) + L'|' + line.image + L'|' + options + L'|' + line.manifest;
}

TEST(CommandLine, EveryOptionAndEveryBadInput)
{
    const std::wstring notADrive = L"DRIVE must be a drive letter such as E:, not ";
    const struct { const char* fault; std::vector<std::wstring> arguments; std::wstring outcome; } rows[] = {
        {"an option missed", {L"e", L"x.iso", L"/rescue", L"/replace", L"/eject", L"/wait", L"/manifest", L"m.csv"},
         L"E|x.iso|rescue replace eject wait |m.csv"},
        {"a dash or another case not taken", {L"-RESCUE", L"E:\\", L"-Manifest", L"m.csv", L"x.iso", L"/eJeCt"},
         L"E|x.iso|rescue eject |m.csv"},
        {"/? refused beside anything", {L"/?", L"E:"}, L"||usage|"},
        {"an unknown option ignored", {L"E:", L"x.iso", L"/recsue"}, L"Unknown option /recsue."},
        {"/manifest takes the next option as its file", {L"E:", L"x.iso", L"/manifest", L"/rescue"},
         L"/manifest needs a FILE."},
        {"/manifest at the end reads past the arguments", {L"E:", L"x.iso", L"/manifest"}, L"/manifest needs a FILE."},
        {"a second manifest silently wins", {L"E:", L"x.iso", L"/manifest", L"a", L"/manifest", L"b"},
         L"/manifest is given more than once."},
        {"nothing at all taken", {}, L"DRIVE and IMAGE are missing."},
        {"no image taken", {L"E:", L"/rescue"}, L"IMAGE is missing."},
        {"an empty image taken", {L"E:", L""}, L"IMAGE is missing."},
        {"a third name ignored", {L"E:", L"x.iso", L"y.iso"},
         L"Unexpected argument y.iso: give only DRIVE, IMAGE and options."},
        {"a path taken for a drive", {L"E:\\x", L"x.iso"}, notADrive + L"E:\\x."},
        {"a drive-relative name taken for a drive", {L"E:x", L"x.iso"}, notADrive + L"E:x."},
        {"two letters taken for a drive", {L"EF", L"x.iso"}, notADrive + L"EF."},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Outcome(row.arguments), row.outcome) << row.fault;
}

TEST(CommandLine, TheCallersChecksOfDriveAndFolder)
{
    EXPECT_EQ(DriveProblem(L'E', DRIVE_CDROM) + DriveProblem(L'C', DRIVE_FIXED),
              L"C: is not a CD, DVD or BD drive: DRIVE must be one.");
    wchar_t temp[MAX_PATH];
    const std::wstring folder(temp, GetTempPathW(MAX_PATH, temp));
    const std::wstring noDrive = std::wstring(1, UnusedDriveLetter()) + L":\\";
    const std::wstring missing = L"The folder of IMAGE does not exist: ";
    const struct { const char* fault; std::wstring image, problem; } rows[] = {
        {"an existing folder refused", folder + L"x.iso", L""},
        {"a missing folder taken", folder + L"none\\x.iso", missing + folder + L"none."},
        {"a missing drive named without its root's backslash", noDrive + L"x.iso", missing + noDrive + L"."},
        {"a folder taken for a file", folder, L"IMAGE must name a file, not " + folder + L"."},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ImageFolderProblem(row.image), row.problem) << row.fault;
}
}
