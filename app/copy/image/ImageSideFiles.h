#pragma once
#include <windows.h>
#include <functional>
#include <string>

// Every file a copy writes for the chosen image NAME.iso, all in the image's own folder, each
// named here and nowhere else:
//   NAME.iso.pelmora-partial      the image while it is being written; it takes the chosen name
//                                 only when it is kept, so a failed copy never costs the old
//                                 image of that name;
//   NAME.iso.pelmora-partial.map  the map of the temporary image, saved from the start; without
//                                 the temporary image, the map of NAME.iso, left by a copy
//                                 killed after the image took its name;
//   NAME.iso.map                  the map of an image kept with sectors missing, in GNU
//                                 ddrescue's format, by which it is finished later;
//   NAME.iso.sha256               the checksum of a complete image.
// Each name beside the image is given as CreateFileW takes it: a "\\?\" path where the longer
// name passes MAX_PATH, and empty where even that would be too long.
struct ImageSideFiles
{
    explicit ImageSideFiles(const std::wstring& imagePath);
    // Every name beside the image could be formed.
    bool Formed() const;

    std::wstring image;  // as chosen
    std::wstring partial;
    std::wstring partialMap;
    std::wstring map;
    std::wstring checksum;
};

// An image may be finished rather than replaced when its map lies beside it, or an unfinished
// copy of that name (the temporary image, or its map): the one rule behind the window's question
// before replacing a file and the copy's look for earlier work.
// `attributesOf` answers as GetFileAttributesW does; the second form asks the system.
bool MayBeFinished(const std::wstring& imagePath, const std::function<DWORD(const wchar_t*)>& attributesOf);
bool MayBeFinished(const std::wstring& imagePath);

// The one line of NAME.iso.sha256, as UTF-8 bytes: "<64 lower-case hex>  NAME.iso" and a line
// feed. Only the image's file name is written, not its folder, so the pair can be moved
// together and checked where they lie ("sha256sum -c NAME.iso.sha256", or Get-FileHash).
std::string ChecksumLine(const std::string& hexDigest, const std::wstring& imagePath);

// Whether the copy can write, or replace, the file at `path`, given the attributes the system
// reports for it (INVALID_FILE_ATTRIBUTES when there is none). Empty when it can; otherwise a
// message naming the file. Checked before the copy for the image and each file beside it, so
// that nothing the user did not choose is overwritten and no copy fails at its very end.
std::wstring TargetFileProblem(const std::wstring& path, DWORD attributes);
