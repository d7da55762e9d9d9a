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
}

std::wstring PartialImagePath(const std::wstring& imagePath)
{
    return ExtendedLengthPath(imagePath + L".pelmora-partial");
}

std::wstring ChecksumPath(const std::wstring& imagePath)
{
    return ExtendedLengthPath(imagePath + L".sha256");
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
    std::wstring::size_type slash = imagePath.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? imagePath : imagePath.substr(slash + 1);
    // Two spaces and a line feed: the form sha256sum writes itself.
    return hexDigest + "  " + Utf8(name) + "\n";
}
