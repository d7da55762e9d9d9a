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
    const std::wstring at240 = L"C:\\" + std::wstring(233, L'd') + L".iso", at255 = at240 + std::wstring(15, L'e');
    const ImageSideFiles shortName(L"C:\\a.iso"), longName(kLong), nearLimit(at240), atLimit(at255);
    EXPECT_EQ(shortName.partial, L"C:\\a.iso.pelmora-partial");
    EXPECT_EQ(shortName.partialMap, L"C:\\a.iso.pelmora-partial.map");
    EXPECT_EQ(shortName.map, L"C:\\a.iso.map");
    EXPECT_EQ(atLimit.checksum, L"\\\\?\\" + at255 + L".sha256");
    EXPECT_EQ(longName.partial, kLong + L".pelmora-partial");
    // The temporary image's map passes MAX_PATH where the temporary image does not.
    EXPECT_EQ(nearLimit.partial, at240 + L".pelmora-partial");
    EXPECT_EQ(nearLimit.partialMap, L"\\\\?\\" + at240 + L".pelmora-partial.map");
    EXPECT_TRUE(nearLimit.Formed());
    EXPECT_FALSE(ImageSideFiles(L"C:\\" + std::wstring(32750, L'd') + L".iso").Formed());
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
