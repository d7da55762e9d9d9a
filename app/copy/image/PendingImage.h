#pragma once
#include "ImageSideFiles.h"
#include <string>

class CopyIO;
class CopyQuestions;
class MapKeeper;

// The image's SHA-256 as its bytes were written, in hex; empty when it could not be computed,
// with the reason in `error`. `patched`: sectors were written into the image after it was
// hashed, so the file itself is hashed once kept.
struct ImageDigest
{
    std::string hex;
    DWORD error = ERROR_SUCCESS;
    bool patched = false;
};

// The image a copy writes, with every file beside it (ImageSideFiles), from the check that they
// can be written, made before anything is read, to the moment the image is kept, or rolled back.
//
// A fresh copy writes a temporary image, which takes the chosen name only when Keep succeeds;
// until then the destructor rolls it back: the temporary image and its map are removed, and an
// older image of the chosen name, with its map and checksum, stays as it was. An image finished
// in place (OpenInPlace) is the user's own and is never removed: what was there is still there.
// (SumatraPDF's FileTransaction: what is not committed is rolled back when it goes.)
class PendingImage
{
public:
    PendingImage(CopyIO& io, CopyQuestions& questions, const std::wstring& imagePath)
        : io(io), questions(questions), names(imagePath)
    {
    }
    ~PendingImage() { RollBack(false); }
    PendingImage(const PendingImage&) = delete;
    PendingImage& operator=(const PendingImage&) = delete;

    const ImageSideFiles& Names() const { return names; }
    // The map of the file being written: the temporary image's, or the chosen image's own.
    const std::wstring& WorkMap() const { return inPlace ? names.map : names.partialMap; }

    // Every name can be formed, and none is a folder or a read-only file. Checked before
    // anything is read; false, told, otherwise.
    bool Usable();
    // The chosen image has its map beside it (MayBeFinished).
    bool MayBeFinished();
    // An image of `sectors` sectors fits on the target beside the older one, which stays until
    // the new one is kept; told when not. Where the system cannot tell, it fits.
    bool HasRoomFor(DWORD sectors);

    // A new temporary image, once one left by a copy that was killed (this program's own) and
    // its map are gone. False, not told, when it cannot be created: the caller tells it once it
    // has let go of the disc.
    bool Create();
    // The temporary image, put on the disk and opened again through the system's cache for
    // writes of single sectors, which an unbuffered handle refuses. False, told, when not.
    bool Reopen();
    // The chosen image itself, opened for writes of single sectors, to be finished in place.
    // False, told, when not.
    bool OpenInPlace();

    // Keeps the image: its writes put on the disk; when `map` is given (an incomplete image),
    // the map written for the chosen name after them; the image given that name; then the
    // checksum file written (complete) or the files that describe an older image removed. False,
    // told, and rolled back, when the image could not be kept.
    bool Keep(bool complete, MapKeeper* map, const ImageDigest& digest);
    // Rolls back now; told when the temporary image cannot be deleted.
    void Discard() { RollBack(true); }

private:
    void RollBack(bool tell);
    void WriteChecksum(ImageDigest digest);
    void RemoveStale(const std::wstring& path, const std::wstring& text);
    // False when a file is there and could not be removed.
    bool RemoveIfThere(const std::wstring& path);

    CopyIO& io;
    CopyQuestions& questions;
    const ImageSideFiles names;
    bool inPlace = false;
    // The temporary image exists (or may: it is marked before it is made).
    bool made = false;
    bool open = false;
    bool kept = false;
};
