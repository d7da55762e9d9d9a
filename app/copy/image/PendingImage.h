#pragma once
#include "ImageDigests.h"
#include "ImageSideFiles.h"
#include "MapKeeper.h"
#include <memory>
#include <string>

class CopyIO;
class CopyQuestions;

// The image's digests as its bytes were written; empty when they could not be computed, with
// the reason in `error`. `patched`: sectors were written into the image after it was hashed, so
// the file itself is hashed once kept.
struct ImageDigest
{
    ImageDigestText text;
    DWORD error = ERROR_SUCCESS;
    bool patched = false;
};

// The image a copy writes and its map (MapKeeper), with every file beside it (ImageSideFiles),
// from the check that they can be written, made before anything is read, to the moment the
// image is kept.
//
// A fresh copy writes a temporary image P with its map PM beside it, saved every few seconds
// from the start; P takes the chosen name only when Keep succeeds. The files say at any moment
// which map describes which image, whatever step a killed copy died in: while P exists, PM is
// its map; PM without P was left after P took the chosen name, and is that image's map.
//
// What was read is never thrown away unasked: a failure, or an exception, keeps P and PM for the
// next copy onto the same name to go on from (KeepWork). Only a copy that read nothing worth
// keeping, or one the user chose to discard, is removed (Discard). An image finished in place
// (the chosen one with its map) is the user's own and is never removed.
class PendingImage
{
public:
    // What an earlier copy onto the same name left beside it.
    enum class Earlier { Nothing, Unfinished, Finishable, Failed };

    PendingImage(CopyIO& io, CopyQuestions& questions, const std::wstring& imagePath)
        : io(io), questions(questions), names(imagePath)
    {
    }
    ~PendingImage();
    PendingImage(const PendingImage&) = delete;
    PendingImage& operator=(const PendingImage&) = delete;

    const ImageSideFiles& Names() const { return names; }
    // The file being written and its map: the temporary image's, or the chosen image's own.
    const std::wstring& WorkImage() const { return mode == Mode::InPlace ? names.image : names.partial; }
    const std::wstring& WorkMap() const { return mode == Mode::InPlace ? names.map : names.partialMap; }

    // Every name can be formed, and none is a folder or a read-only file. Checked before
    // anything is read; false, told, otherwise.
    bool Usable();
    // Unfinished: a temporary image (with its map, or damaged) to go on from; Finishable: the
    // chosen image has its map beside it. A map left by a copy killed after its image took the
    // chosen name is put in its place first (and the checksum that may describe the image it
    // replaced removed); Failed, told, when that cannot be done.
    Earlier FindEarlierWork();
    // An image of `sectors` sectors fits on the target beside the older one, which stays until
    // the new one is kept; told when not. Where the system cannot tell, it fits.
    bool HasRoomFor(DWORD sectors);

    // A new temporary image, once any left before and its map are gone, with a map of the
    // header saved from now on. False, not told, when it cannot be created: the caller tells it
    // once it has let go of the disc.
    bool Create();
    // The temporary image, put on the disk and opened again through the system's cache for
    // writes of single sectors, which an unbuffered handle refuses. False, told, when not.
    bool Reopen();
    // An image to finish with `map`, opened for writes of single sectors: the temporary image
    // left unfinished, or the chosen image itself. False, told, when not.
    bool OpenToFinish(bool unfinished, RescueMap map);
    // The map of the image being written; there once Create or OpenToFinish succeeded.
    MapKeeper& Maps() { return *maps; }

    // Keeps the image: its map written last after its writes are on the disk (`mapped`: the
    // disc's size is known, so there is a map to write), the image given the chosen name, the
    // checksum written (complete) or removed, then the map put beside the chosen name
    // (incomplete) or removed. False, told, when the image could not take its name: what was
    // read is kept all the same.
    bool Keep(bool complete, bool mapped, const ImageDigest& digest);
    // After a failure: the work kept and told where (KeepWork, KeptText), or removed when it
    // holds nothing worth keeping.
    void EndFailed();
    // The image and its map stay where they are, the map saved once more after the image's
    // writes are on the disk; never throws.
    void KeepWork();
    // Something was read into the image, or it is an earlier copy's work.
    bool HoldsWork() const;
    // Where the work is kept and how to finish it.
    std::wstring KeptText() const;
    // Removes the temporary image and its map now (the user's choice, or nothing read); told
    // when the image cannot be deleted.
    void Discard() { RollBack(true); }
    // After Keep of a complete image: its digests, as its checksum file gives the SHA-256;
    // empty when they could not be computed.
    const ImageDigestText& Digests() const { return digests; }

private:
    enum class Mode { Fresh, Unfinished, InPlace };

    void RollBack(bool tell);
    void CloseImage();
    void WriteChecksum(ImageDigest digest);
    void RemoveStale(const std::wstring& path, const std::wstring& text);
    bool Exists(const std::wstring& path);
    // False when a file is there and could not be removed.
    bool RemoveIfThere(const std::wstring& path);

    CopyIO& io;
    CopyQuestions& questions;
    const ImageSideFiles names;
    ImageDigestText digests;
    Mode mode = Mode::Fresh;
    std::unique_ptr<MapKeeper> maps;
    // The temporary image exists (or may: it is marked before it is made).
    bool made = false;
    bool open = false;
    // Kept, or its work kept: nothing is removed any more.
    bool settled = false;
};
