#include "PendingImage.h"
#include "CopyIO.h"
#include "CopyQuestions.h"
#include "CopyTexts.h"
#include "DiscSector.h"
#include "MapKeeper.h"
#include "TargetRoom.h"

bool PendingImage::Usable()
{
    if (!names.Formed()) {
        questions.ShowCopyError(CopyTexts::NameTooLong().c_str());
        return false;
    }
    // The maps too: a map that cannot be written when an incomplete image is kept would cost the
    // sectors already saved.
    const std::wstring* paths[] = {&names.image, &names.partial, &names.checksum, &names.map, &names.partialMap};
    for (const std::wstring* path : paths) {
        const std::wstring problem = TargetFileProblem(*path, io.FileAttributes(path->c_str()));
        if (!problem.empty()) {
            questions.ShowCopyError(problem.c_str());
            return false;
        }
    }
    return true;
}

bool PendingImage::MayBeFinished()
{
    return ::MayBeFinished(names.image, [this](const wchar_t* path) { return io.FileAttributes(path); });
}

bool PendingImage::HasRoomFor(DWORD sectors)
{
    // Told now rather than when the disk is full, minutes later.
    const std::wstring problem =
        TargetRoomProblem(ULONGLONG(sectors) * kSectorBytes, io.TargetVolume(names.image.c_str()));
    if (problem.empty())
        return true;
    questions.ShowCopyError(problem.c_str());
    return false;
}

bool PendingImage::Create()
{
    io.DeleteImage(names.partial.c_str());
    RemoveIfThere(names.partialMap);
    // Marked before the attempt: should creating it end in an exception after the file was made,
    // the roll back still removes the file.
    made = true;
    open = io.CreateImage(names.partial.c_str());
    made = open;
    return open;
}

bool PendingImage::Reopen()
{
    open = false;
    bool ok = io.FlushImage();
    io.CloseImage();
    open = ok && io.OpenImageForPatching(names.partial.c_str());
    if (!open)
        questions.ReportLastError();
    return open;
}

bool PendingImage::OpenInPlace()
{
    inPlace = true;
    open = io.OpenImageForPatching(names.image.c_str());
    if (!open)
        questions.ReportLastError();
    return open;
}

bool PendingImage::Keep(bool complete, MapKeeper* map, const ImageDigest& digest)
{
    // On the disk before the image counts as kept (the bar empties only after this), and its map
    // after it: the map may call its sectors finished, and the map for the chosen name comes
    // before the name, so a crash in between never leaves an image with holes without its map.
    const bool onDisk = map ? map->SaveTo(names.map) : io.FlushImage();
    DWORD error = GetLastError();
    io.CloseImage();
    open = false;
    if (!onDisk) {
        SetLastError(error);
        questions.ReportLastError();
        Discard();
        return false;
    }
    if (!inPlace && !io.KeepImage(names.partial.c_str(), names.image.c_str())) {
        error = GetLastError();
        const std::wstring text = CopyTexts::CannotTakeName(names.image);
        SetLastError(error);
        questions.ReportReadError(text.c_str());
        Discard();
        if (map)
            RemoveIfThere(names.map);
        return false;
    }
    kept = true;
    if (inPlace) {
        if (complete && !RemoveIfThere(names.map))
            questions.ReportReadError(CopyTexts::MapNotRemoved(names.map).c_str());
    } else {
        RemoveIfThere(names.partialMap);
        if (!map)
            RemoveStale(names.map, CopyTexts::StaleMap(names.map));
        if (!complete)
            RemoveStale(names.checksum, CopyTexts::StaleChecksum(names.checksum));
    }
    if (complete)
        WriteChecksum(digest);
    return true;
}

void PendingImage::RollBack(bool tell)
{
    if (kept)
        return;
    if (open || made)
        io.CloseImage();
    open = false;
    if (!made)
        return;
    made = false;
    if (!io.DeleteImage(names.partial.c_str()) && tell)
        questions.ShowCopyError(CopyTexts::NotDeleted(names.partial).c_str());
    // The temporary image's map, never a finished image's own.
    RemoveIfThere(names.partialMap);
}

void PendingImage::WriteChecksum(ImageDigest digest)
{
    // Sectors patched in place after the writes were hashed: the file itself is hashed.
    if (digest.patched && !io.HashFile(names.image.c_str(), digest.hex)) {
        digest.error = GetLastError();
        digest.hex.clear();
    }
    if (!digest.hex.empty() && io.ReplaceTextFile(names.checksum.c_str(), ChecksumLine(digest.hex, names.image)))
        return;
    const DWORD error = digest.hex.empty() ? digest.error : GetLastError();
    // A checksum file of the image this one replaced would fail every check of a good image.
    RemoveIfThere(names.checksum);
    const std::wstring text = digest.hex.empty() ? CopyTexts::ChecksumNotComputed(names.checksum)
                                                 : CopyTexts::ChecksumNotWritten(names.checksum);
    SetLastError(error);
    questions.ReportReadError(text.c_str());
}

// A file beside the chosen name that describes the image this copy replaced goes with it.
void PendingImage::RemoveStale(const std::wstring& path, const std::wstring& text)
{
    if (!RemoveIfThere(path))
        questions.ReportReadError(text.c_str());
}

bool PendingImage::RemoveIfThere(const std::wstring& path)
{
    return io.FileAttributes(path.c_str()) == INVALID_FILE_ATTRIBUTES || io.RemoveFile(path.c_str());
}
