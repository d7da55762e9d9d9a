#include "ImageSideFiles.h"
#include "DisplayPath.h"
#include "ExtendedLengthPath.h"

namespace {
std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(std::size_t(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

// Each name is made long on its own: a name just short of MAX_PATH is no longer so with a
// longer suffix.
std::wstring Beside(const std::wstring& imagePath, const wchar_t* suffix)
{
    return ExtendedLengthPath(imagePath + suffix);
}
}

ImageSideFiles::ImageSideFiles(const std::wstring& imagePath)
    : image(imagePath),
      partial(Beside(imagePath, L".pelmora-partial")),
      partialMap(Beside(imagePath, L".pelmora-partial.map")),
      map(Beside(imagePath, L".map")),
      checksum(Beside(imagePath, L".sha256"))
{
}

bool ImageSideFiles::Formed() const
{
    return !partial.empty() && !partialMap.empty() && !map.empty() && !checksum.empty();
}

bool MayBeFinished(const std::wstring& imagePath, const std::function<DWORD(const wchar_t*)>& attributesOf)
{
    const ImageSideFiles names(imagePath);
    for (const std::wstring* path : {&names.map, &names.partial, &names.partialMap})
        if (!path->empty() && attributesOf(path->c_str()) != INVALID_FILE_ATTRIBUTES)
            return true;
    return false;
}

bool MayBeFinished(const std::wstring& imagePath)
{
    return MayBeFinished(imagePath, [](const wchar_t* path) { return GetFileAttributesW(path); });
}

std::wstring TargetFileProblem(const std::wstring& path, DWORD attributes)
{
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return std::wstring();
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return L"A folder named " + DisplayPath(path)
            + L" is in the way of a file this copy must write. Rename or move that folder, or choose another name.";
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return DisplayPath(path) + L" is read-only, so this copy cannot replace it. Clear its read-only attribute, or choose another name.";
    return std::wstring();
}

std::string ChecksumLine(const std::string& hexDigest, const std::wstring& imagePath)
{
    // Two spaces and a line feed: the form sha256sum writes itself.
    return hexDigest + "  " + Utf8(FileNameOf(imagePath)) + "\n";
}
