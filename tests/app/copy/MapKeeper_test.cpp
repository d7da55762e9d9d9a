#include "CopyBench.h"
#include "MapKeeper.h"
#include "TestDisc.h"
#include <gtest/gtest.h>

namespace {
const wchar_t kMap[] = L"C:\\disc.iso.map";

TEST(MapKeeper, SavesAreDueEveryFiveSecondsOnceSavingStartsAndAtOnceAfterNews)
{
    CopyBench bench;
    bench.io.disc = MakeTestDisc(40, 40);
    MapKeeper maps(bench.io, kMap, RescueMap(40));
    bench.io.clock += 60000;
    EXPECT_FALSE(maps.Due());
    maps.StartSaving();
    bench.io.clock += 4999;
    EXPECT_FALSE(maps.Due());
    bench.io.clock += 1;
    EXPECT_TRUE(maps.SaveIfDue());
    EXPECT_FALSE(maps.Due());
    maps.SaveSoon();
    EXPECT_TRUE(maps.SaveIfDue());
    EXPECT_FALSE(maps.Due());
    // Each save puts the image on the disk before the map; a failed flush writes no map.
    EXPECT_EQ(bench.log, (std::vector<std::string>{"FlushImage", "ReplaceTextFile", "FlushImage", "ReplaceTextFile"}));
    EXPECT_EQ(std::string(bench.io.files[kMap].begin(), bench.io.files[kMap].end()), maps.Map().Serialize());
    bench.io.fails[L"FlushImage"] = ERROR_DISK_FULL;
    EXPECT_FALSE(maps.Save());
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DISK_FULL));
    EXPECT_EQ(bench.Count("ReplaceTextFile"), 2);
}

TEST(MapKeeper, GrownMapKeepsItsHolesAndCallsFinishedOnlyWhatTheImageHolds)
{
    CopyBench bench;
    MapKeeper maps(bench.io, kMap, RescueMap(17));
    maps.Map().Mark(5, 2, RescueMap::kNonTrimmed);
    maps.Grow(40);
    maps.Map().Mark(35, 2, RescueMap::kNonTrimmed);
    maps.FinishedUpTo(30);
    EXPECT_EQ(maps.Map().Areas(), (std::vector<RescueMap::Area>{{0, 5, '+'}, {5, 2, '*'}, {7, 23, '+'}, {30, 5, '?'},
                                                                {35, 2, '*'}, {37, 3, '?'}}));
    EXPECT_EQ(maps.Map().CurrentPosition(), 30u * 2048);
}
}
