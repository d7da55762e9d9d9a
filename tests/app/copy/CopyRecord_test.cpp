#include "CopyRecord.h"
#include <gtest/gtest.h>

namespace {
TEST(CopyRecord, UnreadableMeansTriedAndNotReadAndMissingCountsTheUntriedToo)
{
    RescueMap map(100);
    map.Mark(0, 90, RescueMap::kFinished);
    map.Mark(10, 2, RescueMap::kBadSector);
    map.Mark(12, 3, RescueMap::kNonTrimmed);
    map.Mark(50, 1, RescueMap::kNonScraped);
    map.Mark(99, 1, RescueMap::kBadSector);
    CopyRecord record;
    record.sectors = 100;
    record.map = &map;
    EXPECT_EQ(record.UnreadableSectors(), 7u);
    EXPECT_EQ(record.UnreadableRanges(), L"10-14, 50-50, 99-99") << "neighbouring statuses split, or a last one lost";
    EXPECT_EQ(record.MissingSectors(), 16u) << "the untried sectors not missing";
    record.map = nullptr;
    EXPECT_EQ(record.UnreadableRanges() + L' ' + std::to_wstring(record.MissingSectors()), L"none 100")
        << "a failed copy that kept nothing does not miss everything";
}
}
