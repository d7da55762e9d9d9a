#pragma once
#include <windows.h>
#include <string>

// The files a copy writes beside the chosen image NAME.iso, all in the image's own folder:
//   NAME.iso.pelmora-partial  the image while it is being written; it takes the chosen name
//                             only when the user keeps it, so a failed copy never costs the
//                             old image of that name;
//   NAME.iso.sha256           the checksum of a complete image.
// Each is given as CreateFileW takes it: a "\\?\" path where the longer name passes MAX_PATH,
// and empty where even that would be too long.
std::wstring PartialImagePath(const std::wstring& imagePath);
std::wstring ChecksumPath(const std::wstring& imagePath);

// The one line of NAME.iso.sha256, as UTF-8 bytes: "<64 lower-case hex>  NAME.iso" and a line
// feed. Only the image's file name is written, not its folder, so the pair can be moved
// together and checked where they lie ("sha256sum -c NAME.iso.sha256", or Get-FileHash).
std::string ChecksumLine(const std::string& hexDigest, const std::wstring& imagePath);

// Whether the copy can write, or replace, the file at `path`, given the attributes the system
// reports for it (INVALID_FILE_ATTRIBUTES when there is none). Empty when it can; otherwise a
// message naming the file. Checked before the copy for the image and each file beside it, so
// that nothing the user did not choose is overwritten and no copy fails at its very end.
std::wstring TargetFileProblem(const std::wstring& path, DWORD attributes);
