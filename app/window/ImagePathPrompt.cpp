#include "ImagePathPrompt.h"
#include <cderr.h>
#include <vector>
#include "BrowseForFile.h"
#include "ExtendedLengthPath.h"
#include "ImageFileName.h"
#include "MVApp.h"
#include "DisplayPath.h"
#include "ImageSideFiles.h"

namespace
{
const wchar_t kUnusablePath[] = L"The image cannot be written to this path: it is too long or not a file path.";

std::wstring SaveDialogFailureText(DWORD error)
{
    if (error == FNERR_BUFFERTOOSMALL)
        return kUnusablePath;
    if (error == FNERR_INVALIDFILENAME)
        return L"The image path is not a valid file name.";
    return L"The save dialog failed (error " + std::to_wstring(error) + L").";
}
}

int ImagePathPrompt::Show(const std::wstring& text, UINT style) const
{
    return MVApp::ShowMessage(text.c_str(), style, owner);
}

bool ImagePathPrompt::Ask(const std::wstring& driveEntry, std::wstring& imagePath) const
{
    // Room for the longest path the system takes: the dialog fails on a name its buffer
    // cannot hold.
    std::vector<wchar_t> path(kLongestPath, L'\0');
    // The name proposed is the disc's label; the user may type any other.
    ImageFileNameForEntry(driveEntry).copy(path.data(), path.size() - 1);
    // Without OFN_NOCHANGEDIR the dialog makes the image's folder our current directory, and a
    // USB stick holding it could not be ejected while Pelmora runs.
    // The default extension is given without period or wildcard: "backup" becomes "backup.iso".
    if (!BrowseForFile(path.data(), static_cast<DWORD>(path.size()), nullptr, TRUE, owner,
                       OFN_HIDEREADONLY | OFN_NOCHANGEDIR, L"ISO files (*.iso)\0*.iso\0All files (*.*)\0*.*\0", L"iso",
                       nullptr))
    {
        // Zero after a cancel; otherwise the dialog itself failed, and the user must know why
        // nothing happens.
        if (const DWORD error = CommDlgExtendedError())
            Show(SaveDialogFailureText(error), MB_ICONEXCLAMATION);
        return false;
    }
    imagePath = ExtendedLengthPath(path.data());
    if (imagePath.empty())
    {
        Show(kUnusablePath, MB_ICONEXCLAMATION);
        return false;
    }
    return ConfirmReplace(imagePath);
}

// The save dialog does not ask before replacing: an image with a map beside it may be finished
// rather than replaced, and the copy asks about that once it has seen the disc. Any other
// existing file is asked about here, as the dialog would.
bool ImagePathPrompt::ConfirmReplace(const std::wstring& imagePath) const
{
    const DWORD attributes = GetFileAttributesW(imagePath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    if (MayBeFinished(imagePath))
        return true;
    const std::wstring question = FileNameOf(imagePath) + L" already exists.\nDo you want to replace it?";
    return Show(question, MB_ICONEXCLAMATION | MB_YESNO | MB_DEFBUTTON2) == IDYES;
}
