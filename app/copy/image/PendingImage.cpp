#include "PendingImage.h"
#include "CopyIO.h"
#include "CopyQuestions.h"
#include "CopyTexts.h"
#include "DiscSector.h"
#include "TargetRoom.h"

PendingImage::~PendingImage()
{
    // Reached with the image unsettled only on an exception: what was read stays.
    if (HoldsWork())
        KeepWork();
    else
        RollBack(false);
}

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

PendingImage::Earlier PendingImage::FindEarlierWork()
{
    const bool partial = Exists(names.partial);
    // The last copy died after its image took the chosen name: its map takes its place, and a
    // complete image's checksum is written anew when it is finished.
    if (!partial && Exists(names.partialMap)) {
        if (!io.RenameFile(names.partialMap.c_str(), names.map.c_str()) || !RemoveIfThere(names.checksum)) {
            questions.ReportLastError();
            return Earlier::Failed;
        }
    }
    if (partial)
        return Earlier::Unfinished;
    return Exists(names.map) ? Earlier::Finishable : Earlier::Nothing;
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
    mode = Mode::Fresh;
    io.DeleteImage(names.partial.c_str());
    RemoveIfThere(names.partialMap);
    // Marked before the attempt: should creating it end in an exception after the file was made,
    // the roll back still removes the file.
    made = true;
    open = io.CreateImage(names.partial.c_str());
    made = open;
    if (open) {
        // Every fresh copy keeps its map from the start, so a copy killed at any moment goes on.
        maps.reset(new MapKeeper(io, names.partialMap, RescueMap(kHeaderSectors)));
        maps->StartSaving();
    }
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

bool PendingImage::OpenToFinish(bool unfinished, RescueMap map)
{
    mode = unfinished ? Mode::Unfinished : Mode::InPlace;
    made = unfinished;
    maps.reset(new MapKeeper(io, WorkMap(), std::move(map)));
    maps->StartSaving();
    open = io.OpenImageForPatching(WorkImage().c_str());
    if (!open)
        questions.ReportLastError();
    return open;
}

bool PendingImage::Keep(bool complete, bool mapped, const ImageDigest& digest)
{
    // 1-2: the image on the disk, then its map with the final state (complete: all finished),
    // so that the map never calls finished what the disk does not hold. The bar empties only
    // after this.
    MapKeeper* map = mapped && !(mode == Mode::InPlace && complete) ? maps.get() : nullptr;
    const bool onDisk = map ? map->Save() : io.FlushImage();
    const DWORD error = GetLastError();
    CloseImage();
    if (!onDisk) {
        SetLastError(error);
        questions.ReportLastError();
        EndFailed();
        return false;
    }
    settled = true;
    if (mode == Mode::InPlace) {
        if (complete && !RemoveIfThere(names.map))
            questions.ReportReadError(CopyTexts::MapNotRemoved(names.map).c_str());
        if (complete)
            WriteChecksum(digest);
        return true;
    }
    // 3: the image takes its name; refused (the older image open elsewhere), the image and its
    // map stay as they are, and so does every file of the older image.
    if (!io.KeepImage(names.partial.c_str(), names.image.c_str())) {
        const DWORD refused = GetLastError();
        // Cut short in the header, it has no map to finish it by: it goes.
        const std::wstring text = map ? CopyTexts::NameRefused(names.image) + L"\n\n" + KeptText()
                                      : CopyTexts::CannotTakeName(names.image);
        SetLastError(refused);
        questions.ReportReadError(text.c_str());
        if (!map) {
            settled = false;
            Discard();
        }
        return false;
    }
    // 4: the checksum of a complete image; an older one describes the image replaced.
    if (complete)
        WriteChecksum(digest);
    else
        RemoveStale(names.checksum, CopyTexts::StaleChecksum(names.checksum));
    // 5: the older map goes before the new one (a complete image needs neither), or the new one
    // replaces it. Killed in between, the next copy finds the new map and puts it in place.
    if (complete || !map) {
        RemoveStale(names.map, CopyTexts::StaleMap(names.map));
        RemoveIfThere(names.partialMap);
    } else if (!io.RenameFile(names.partialMap.c_str(), names.map.c_str())) {
        questions.ReportReadError(CopyTexts::MapNotRenamed(names.partialMap, names.map, names.image).c_str());
    }
    return true;
}

void PendingImage::EndFailed()
{
    if (!HoldsWork()) {
        Discard();
        return;
    }
    KeepWork();
    // The chosen image finished in place stays where it was, as the user knows.
    if (mode != Mode::InPlace)
        questions.ShowCopyError(KeptText().c_str());
}

void PendingImage::KeepWork()
{
    if (settled)
        return;
    settled = true;
    try {
        // Flushes the image first; a closed image is not flushed, and its map stays as saved.
        if (open && maps)
            maps->Save();
    } catch (...) {
    }
    CloseImage();
}

bool PendingImage::HoldsWork() const
{
    return mode != Mode::Fresh || (maps && maps->Map().Count(RescueMap::kFinished) != 0);
}

std::wstring PendingImage::KeptText() const
{
    return CopyTexts::WorkKept(WorkImage(), WorkMap(), names.image);
}

void PendingImage::RollBack(bool tell)
{
    if (settled)
        return;
    CloseImage();
    if (!made || mode == Mode::InPlace)
        return;
    made = false;
    settled = true;
    if (!io.DeleteImage(names.partial.c_str()) && tell)
        questions.ShowCopyError(CopyTexts::NotDeleted(names.partial).c_str());
    // The temporary image's map, never a finished image's own.
    RemoveIfThere(names.partialMap);
}

void PendingImage::CloseImage()
{
    if (open || made)
        io.CloseImage();
    open = false;
}

void PendingImage::WriteChecksum(ImageDigest digest)
{
    // Sectors patched in place after the writes were hashed: the file itself is hashed.
    if (digest.patched && !io.HashFile(names.image.c_str(), digest.text)) {
        digest.error = GetLastError();
        digest.text = ImageDigestText();
    }
    const std::string& hex = digest.text.sha256;
    digests = digest.text;
    if (!hex.empty() && io.ReplaceTextFile(names.checksum.c_str(), ChecksumLine(hex, names.image)))
        return;
    const DWORD error = hex.empty() ? digest.error : GetLastError();
    // A checksum file of the image this one replaced would fail every check of a good image.
    RemoveIfThere(names.checksum);
    const std::wstring text = hex.empty() ? CopyTexts::ChecksumNotComputed(names.checksum)
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

bool PendingImage::Exists(const std::wstring& path)
{
    return io.FileAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool PendingImage::RemoveIfThere(const std::wstring& path)
{
    return !Exists(path) || io.RemoveFile(path.c_str());
}
