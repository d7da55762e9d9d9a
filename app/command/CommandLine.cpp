#include "CommandLine.h"
#include "DriveLetter.h"
#include "ExtendedLengthPath.h"

namespace {
std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z')
            c = wchar_t(c - L'A' + L'a');
    return text;
}

bool IsOption(const std::wstring& argument)
{
    return !argument.empty() && (argument[0] == L'/' || argument[0] == L'-');
}

// "E:", "E" or "E:\", in any case; 0 for anything else.
wchar_t ParseDrive(const std::wstring& argument)
{
    const std::wstring withColon = argument.size() == 1 ? argument + L':' : argument;
    if (withColon.size() > 3 || (withColon.size() == 3 && withColon[2] != L'\\'))
        return 0;
    return DriveLetterOf(withColon);
}
}

bool CommandLine::Parse(const std::vector<std::wstring>& arguments, std::wstring& message)
{
    *this = CommandLine();
    std::vector<std::wstring> positional;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (!IsOption(argument)) {
            positional.push_back(argument);
            continue;
        }
        const std::wstring name = Lower(argument.substr(1));
        if (name == L"?")
            usage = true;
        else if (name == L"rescue")
            rescue = true;
        else if (name == L"replace")
            replace = true;
        else if (name == L"eject")
            eject = true;
        else if (name == L"wait")
            wait = true;
        else if (name == L"manifest") {
            if (!manifest.empty()) {
                message = L"/manifest is given more than once.";
                return false;
            }
            if (i + 1 == arguments.size() || arguments[i + 1].empty() || IsOption(arguments[i + 1])) {
                message = L"/manifest needs a FILE.";
                return false;
            }
            manifest = arguments[++i];
        } else {
            message = L"Unknown option " + argument + L".";
            return false;
        }
    }
    if (usage)
        return true;
    if (positional.size() < 2) {
        message = positional.empty() ? L"DRIVE and IMAGE are missing." : L"IMAGE is missing.";
        return false;
    }
    if (positional.size() > 2) {
        message = L"Unexpected argument " + positional[2] + L": give only DRIVE, IMAGE and options.";
        return false;
    }
    drive = ParseDrive(positional[0]);
    if (!drive) {
        message = L"DRIVE must be a drive letter such as E:, not " + positional[0] + L".";
        return false;
    }
    image = positional[1];
    if (image.empty()) {
        message = L"IMAGE is missing.";
        return false;
    }
    return true;
}

std::wstring CommandLine::Usage()
{
    return L"Pelmora.exe DRIVE IMAGE [/rescue] [/replace] [/eject] [/wait] [/manifest FILE]\r\n"
           L"\r\n"
           L"Makes an ISO image of the data disc in DRIVE without asking anything, and exits with a code.\r\n"
           L"\r\n"
           L"  DRIVE           the CD, DVD or BD drive, such as E:\r\n"
           L"  IMAGE           the image file; {label} in it becomes the disc's label (\"disc\" without\r\n"
           L"                  one), and a name taken by another file becomes NAME (2).iso, ...\r\n"
           L"  /rescue         go on past unreadable sectors; keep the image and its map\r\n"
           L"  /replace        an existing image of that name without a map may be replaced\r\n"
           L"  /eject          eject the disc at the end, whatever the outcome\r\n"
           L"  /wait           wait for a readable disc in DRIVE\r\n"
           L"  /manifest FILE  append one row about this run to the CSV file FILE\r\n"
           L"  /?              show this text\r\n"
           L"\r\n"
           L"Options start with / or -, in any case. Without arguments, Pelmora opens its window.\r\n"
           L"Exit codes: 0 complete, 1 kept with unreadable sectors, 2 stopped, 3 failed,\r\n"
           L"4 bad command line or an image that may not be replaced, 5 the drive is being copied\r\n"
           L"by another run.\r\n";
}

std::wstring DriveProblem(wchar_t drive, UINT driveType)
{
    if (driveType == DRIVE_CDROM)
        return std::wstring();
    return std::wstring(1, drive) + L": is not a CD, DVD or BD drive: DRIVE must be one.";
}

std::wstring ImageFolderProblem(const std::wstring& image)
{
    const DWORD room = GetFullPathNameW(image.c_str(), 0, nullptr, nullptr);
    std::wstring full(room, L'\0');
    const DWORD length = room ? GetFullPathNameW(image.c_str(), room, &full[0], nullptr) : 0;
    full.resize(length < room ? length : 0);
    const std::size_t slash = full.find_last_of(L"\\/");
    if (full.empty() || slash == std::wstring::npos || slash + 1 == full.size())
        return L"IMAGE must name a file, not " + image + L".";
    std::wstring folder = full.substr(0, slash);
    // The root's own backslash stays: "D:" alone would name the current folder of D:.
    if (folder.size() == 2 && folder[1] == L':')
        folder += L'\\';
    const std::wstring usable = ExtendedLengthPath(folder);
    const DWORD attributes = usable.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(usable.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return L"The folder of IMAGE does not exist: " + folder + L".";
    return std::wstring();
}
