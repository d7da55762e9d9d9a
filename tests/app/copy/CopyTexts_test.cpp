#include "CopyTexts.h"
#include <gtest/gtest.h>

namespace {
// The sentences the copy tells, word for word, each with the facts it names in their places;
// the tests of the steps that tell them refer to these functions.
TEST(CopyTexts, EverySentenceNamesItsFactsInTheirPlaces)
{
    const std::wstring image = L"\\\\?\\C:\\images\\disc.iso", partial = image + L".pelmora-partial";
    const std::pair<std::wstring, std::wstring> rows[] = {
        {CopyTexts::NoDrive(), L"No drive is selected: there is nothing to copy."},
        {CopyTexts::NoMemory(), L"There is not enough memory for the copy buffer: no image was made."},
        {CopyTexts::NameTooLong(), L"The image's name is too long for the files this copy writes beside it: no image "
                                   L"was made. Choose a shorter name."},
        {CopyTexts::CannotOpenDrive(L"\\\\.\\E:"), L"Cannot open drive \\\\.\\E:."},
        {CopyTexts::CannotCreate(image), L"Cannot create file \nC:\\images\\disc.iso."},
        {CopyTexts::SessionsWithoutEnd(2), L"This disc was written in 2 sessions and has no ISO 9660 volume "
                                           L"descriptor, and the drive cannot tell where its first session ends: the "
                                           L"disc cannot be imaged whole. No image was made."},
        {CopyTexts::DescriptorUnreadable(), L"Sector 16 could not be read in 4 attempts: no image was made."},
        {CopyTexts::NoSize(), L"The disc has no ISO 9660 volume descriptor and the drive cannot tell its size: the "
                              L"image would be incomplete and is deleted."},
        {CopyTexts::SectorUnreadable(700),
         L"Sector 700 could not be read in 4 attempts: the image would be incomplete and is deleted."},
        {CopyTexts::DiscEnded(800), L"The disc ended after 800 sectors, before the end of its volume."},
        {CopyTexts::Incomplete(image, 50, image + L".map"),
         L"disc.iso is missing 50 sectors (100 KB) of the disc: they could not be read, and the image holds zeros "
         L"in their place.\n\nThe map C:\\images\\disc.iso.map lists them. Choose the same file again with \"Create "
         L"ISO\" later, in this or another drive, and only those sectors are read."},
        {CopyTexts::ResumeQuestion(image, 50), L"disc.iso is missing 50 sectors of this disc. Read only the missing "
                                               L"sectors?"},
        {CopyTexts::NotDeleted(partial),
         L"The incomplete image could not be deleted; do not use it:\nC:\\images\\disc.iso.pelmora-partial"},
        {CopyTexts::ChecksumNotWritten(image + L".sha256"),
         L"The image is complete, but its checksum file C:\\images\\disc.iso.sha256 could not be written."},
        {CopyTexts::Unexpected(), L"The copy stopped on an unexpected error: the incomplete image is deleted."},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.first, row.second);
}
}
