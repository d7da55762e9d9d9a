#include "ShutdownBlock.h"
#include "DisplayPath.h"
#include "DriveLetter.h"

ShutdownBlock::Calls ShutdownBlock::Calls::System()
{
    return {ShutdownBlockReasonCreate, ShutdownBlockReasonDestroy};
}

std::wstring ShutdownBlock::Reason(const std::wstring& driveEntry, const std::wstring& imagePath,
                                   const CopyProgress& progress)
{
    // While the header is read the scale is not the disc's: nothing of the disc is in yet.
    const ULONGLONG percent = progress.VolumeKnown() && progress.totalSectors
                                  ? ULONGLONG(progress.sectorsDone) * 100 / progress.totalSectors
                                  : 0;
    return std::wstring(L"Copying ") + DriveLetterOf(driveEntry) + L": to " + FileNameOf(imagePath) + L" \x2013 " +
           std::to_wstring(percent) + L" %";
}

void ShutdownBlock::Hold(HWND window, const std::wstring& reason)
{
    held = true;
    calls.create(window, reason.c_str());
}

void ShutdownBlock::Release(HWND window)
{
    if (held)
        calls.destroy(window);
    held = false;
}
