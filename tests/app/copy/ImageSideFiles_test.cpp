#include "ImageSideFiles.h"
#include <gtest/gtest.h>

namespace {
const std::string kHex(64, 'a');
const std::wstring kLong = L"\\\\?\\C:\\" + std::wstring(300, L'd') + L"\\disc.iso";

TEST(ImageSideFiles, ChecksumLineHoldsTheFileNameOnlyInUtf8)
{
    const std::pair<std::wstring, std::string> rows[] = {
        {kLong, kHex + "  disc.iso\n"},                             // folder written
        {L"C:\\\u00C4\u00E4ni.iso", kHex + "  \xC3\x84\xC3\xA4ni.iso\n"},  // code page, not UTF-8
    };
    for (const auto& row : rows)
        EXPECT_EQ(ChecksumLine(kHex, row.first), row.second);
}

TEST(ImageSideFiles, NamesBesideTheImageTakeTheLongFormWhenTheyPassMaxPath)
{
    const std::wstring at255 = L"C:\\" + std::wstring(248, L'd') + L".iso";
    EXPECT_EQ(PartialImagePath(L"C:\\a.iso"), L"C:\\a.iso.pelmora-partial");
    EXPECT_EQ(ChecksumPath(at255), L"\\\\?\\" + at255 + L".sha256");
    EXPECT_EQ(PartialImagePath(kLong), kLong + L".pelmora-partial");
}

TEST(ImageSideFiles, AFolderOrReadOnlyFileInTheWayIsNamed)
{
    const std::pair<DWORD, std::wstring> rows[] = {
        {INVALID_FILE_ATTRIBUTES, L""},                         // no file taken for one in the way
        {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN, L""},  // an old file of ours refused
        // a folder or a read-only file overwritten, or named by its long form
        {FILE_ATTRIBUTE_DIRECTORY, L"A folder named C:\\" + std::wstring(300, L'd')
                                       + L"\\disc.iso is in the way of a file this copy must write. Rename or move that folder, or choose another name."},
        {FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, L"C:\\" + std::wstring(300, L'd')
                                       + L"\\disc.iso is read-only, so this copy cannot replace it. Clear its read-only attribute, or choose another name."},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TargetFileProblem(kLong, row.first), row.second) << std::hex << row.first;
}
}
