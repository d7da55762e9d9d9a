#include "CopyBench.h"
#include "CopyTexts.h"
#include "MapKeeper.h"
#include "PendingImage.h"
#include "TargetRoom.h"
#include <gtest/gtest.h>
#include <functional>

namespace {
const wchar_t kImage[] = L"C:\\images\\disc.iso";
const ImageSideFiles kNames(kImage);
const std::vector<BYTE> kOld = {'o', 'l', 'd', '\n'};

// An older image of the chosen name, with its checksum and its map beside it.
struct PendingBench : CopyBench
{
    PendingBench() { io.files = {{kImage, {1, 2, 3}}, {kNames.checksum, kOld}, {kNames.map, kOld}}; }
};

TEST(PendingImage, ANameTooLongOrAFileInTheWayIsToldBeforeAnythingIsTouched)
{
    const std::wstring ImageSideFiles::*names[] = {&ImageSideFiles::image, &ImageSideFiles::partial,
                                                   &ImageSideFiles::partialMap, &ImageSideFiles::map,
                                                   &ImageSideFiles::checksum};
    for (const std::wstring ImageSideFiles::*name : names) {
        PendingBench bench;
        bench.io.attributes[kNames.*name] = FILE_ATTRIBUTE_READONLY;
        EXPECT_FALSE(PendingImage(bench.io, bench.owner, kImage).Usable());
        EXPECT_EQ(bench.owner.messages, bench.Told(TargetFileProblem(kNames.*name, FILE_ATTRIBUTE_READONLY)));
    }
    PendingBench bench;
    EXPECT_FALSE(PendingImage(bench.io, bench.owner, L"C:\\" + std::wstring(32750, L'd') + L".iso").Usable());
    EXPECT_TRUE(PendingImage(bench.io, bench.owner, kImage).Usable());
    EXPECT_EQ(bench.owner.messages, bench.Told(CopyTexts::NameTooLong()));
    EXPECT_EQ(bench.log, std::vector<std::string>{"ShowCopyError"});
    bench.io.volume = {L"K:\\", true, 1000000, L"NTFS"};
    PendingImage image(bench.io, bench.owner, kImage);
    EXPECT_TRUE(image.HasRoomFor(488));
    EXPECT_FALSE(image.HasRoomFor(489));
    EXPECT_EQ(bench.owner.messages.back(), TargetRoomProblem(489 * 2048, bench.io.volume));
}

struct KeepCase
{
    const char* fault;
    bool inPlace, complete, mapped;
    std::wstring fail;      // the operation that fails, as FakeCopyIO names it
    bool kept;              // under the chosen name
    std::string checksum;   // "line": the digest's line; "-": none
    std::string map;        // "new": the working map's text; "-": none
    std::string work;       // what stays of the temporary image and its map: "-", "image", "both"
    std::wstring message;
};

TEST(PendingImage, AKeptImageTakesItsNameAndOnlyFilesThatDescribeItStay)
{
    const std::wstring refused = CopyTexts::NameRefused(kImage) + L"\n\n"
        + CopyTexts::WorkKept(kNames.partial, kNames.partialMap, kImage);
    const KeepCase cases[] = {
        {"complete image without its checksum", false, true, true, L"", true, "line", "-", "-", L""},
        {"stopped image keeps the old checksum and map", false, false, false, L"", true, "-", "-", "-", L""},
        {"incomplete image without its map", false, false, true, L"", true, "-", "new", "-", L""},
        {"unwritable checksum file kept old", false, true, true, L"ReplaceTextFile " + kNames.checksum, true, "-",
         "-", "-", CopyTexts::ChecksumNotWritten(kNames.checksum)},
        {"patched image checksummed as first written", false, true, true, L"HashFile", true, "-", "-", "-",
         CopyTexts::ChecksumNotComputed(kNames.checksum)},
        {"stale checksum left untold", false, false, false, L"RemoveFile " + kNames.checksum, true, "old\n", "-",
         "-", CopyTexts::StaleChecksum(kNames.checksum)},
        {"stale map left untold", false, true, true, L"RemoveFile " + kNames.map, true, "line", "old\n", "-",
         CopyTexts::StaleMap(kNames.map)},
        {"new map lost when it cannot take its place", false, false, true, L"RenameFile " + kNames.map, true, "-",
         "old\n", "map", CopyTexts::MapNotRenamed(kNames.partialMap, kNames.map, kImage)},
        {"image kept that is not on the disk, or its work lost", false, false, true, L"FlushImage", false, "old\n",
         "old\n", "image", CopyTexts::WorkKept(kNames.partial, kNames.partialMap, kImage)},
        {"refused name costs the old image or the work", false, false, true, L"KeepImage", false, "old\n",
         "old\n", "both", refused},
        {"finished image keeps its map", true, true, true, L"", true, "line", "-", "-", L""},
        {"finished image's map left untold", true, true, true, L"RemoveFile " + kNames.map, true, "line", "old\n",
         "-", CopyTexts::MapNotRemoved(kNames.map)},
        {"unfinished image's map not saved", true, false, true, L"", true, "old\n", "new", "-", L""},
        {"failed finish removes the image", true, false, true, L"FlushImage", false, "old\n", "old\n", "-", L""},
    };
    for (const KeepCase& c : cases) {
        SCOPED_TRACE(c.fault);
        PendingBench bench;
        bench.io.fails[c.fail] = ERROR_ACCESS_DENIED;
        const std::vector<BYTE> written = bench.io.disc = MakeTestDisc(20, 20);
        // Hashed as written, or, patched in place, hashed again from the file.
        ImageDigest digest{{"", "", "", "ab12"}, ERROR_SUCCESS, c.inPlace || c.fail == L"HashFile"};
        std::string line = ChecksumLine(digest.text.sha256, kImage), kept;
        {
            PendingImage image(bench.io, bench.owner, kImage);
            ASSERT_TRUE(c.inPlace ? image.OpenToFinish(false, RescueMap(20)) : image.Create());
            bench.io.files[image.WorkImage()] = written;
            image.Maps().Grow(20);
            image.Maps().Map().Mark(0, 20, c.complete ? RescueMap::kFinished : RescueMap::kNonTrimmed);
            image.Maps().Map().Mark(0, 10, RescueMap::kFinished);
            EXPECT_EQ(image.Keep(c.complete, c.mapped, digest), c.kept);
            kept = image.Maps().Map().Serialize();
        }
        if (digest.patched && bench.io.HashFile(kImage, digest.text))
            line = ChecksumLine(digest.text.sha256, kImage);
        // An image finished in place is the user's own: it stays, whatever happens.
        EXPECT_EQ(bench.io.files[kImage] == written, c.kept || c.inPlace);
        EXPECT_EQ(bench.Text(kNames.partial) != "-", c.work == "image" || c.work == "both");
        EXPECT_EQ(bench.Text(kNames.partialMap), c.work == "both" || c.work == "map" ? kept : "-");
        EXPECT_EQ(bench.Text(kNames.checksum), c.checksum == "line" ? line : c.checksum);
        EXPECT_EQ(bench.Text(kNames.map), c.map == "new" ? kept : c.map);
        EXPECT_EQ(bench.owner.messages, bench.Told(c.message));
        EXPECT_EQ(bench.io.mapLies, 0);
    }
}

TEST(PendingImage, WhatIsNotKeptIsRolledBackAndALeftoverReplaced)
{
    PendingBench bench;
    bench.io.files[kNames.partial] = bench.io.files[kNames.partialMap] = {9};
    {
        PendingImage image(bench.io, bench.owner, kImage);
        ASSERT_TRUE(image.Create());
        EXPECT_TRUE(bench.io.files[kNames.partial].empty());
        EXPECT_EQ(bench.io.files.count(kNames.partialMap), 0u);
        bench.io.files[kNames.partialMap] = {9};
    }
    EXPECT_EQ(bench.io.files.count(kNames.partial) + bench.io.files.count(kNames.partialMap), 0u);
    EXPECT_EQ(bench.io.files[kImage], (std::vector<BYTE>{1, 2, 3}));
    EXPECT_TRUE(bench.owner.messages.empty());
    PendingImage image(bench.io, bench.owner, kImage);
    ASSERT_TRUE(image.Create());
    bench.io.fails[L"DeleteImage"] = ERROR_ACCESS_DENIED;
    image.Discard();
    EXPECT_EQ(bench.owner.messages, bench.Told(CopyTexts::NotDeleted(kNames.partial)));
}
}
