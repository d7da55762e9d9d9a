#include "RescueMap.h"
#include <gtest/gtest.h>

namespace {
const char kHeader[] = "# current_pos  current_status  current_pass\n0x00000000 ? 1\n";

RescueMap SampleMap()
{
    RescueMap map(8);
    map.Mark(0, 8, '+');
    map.Mark(2, 3, '*');
    map.Mark(3, 1, '-');
    map.Mark(7, 1, '/');
    map.SetCurrent(3, '*', 1);
    return map;
}

TEST(RescueMapTest, MarksMergeAndSerializeAsDdrescueWritesThem)
{
    RescueMap map = SampleMap();
    EXPECT_EQ(map.Count('+'), 4u);
    EXPECT_EQ(map.UnfinishedSectors(), 4u);
    map.Mark(4, 1, '*');
    map.Mark(2, 1, '+');  // joins the finished area before it
    EXPECT_EQ(map.Serialize(), "# Mapfile of a disc of 8 sectors of 2048 bytes, in GNU ddrescue's format\n"
                               "# current_pos  current_status  current_pass\n"
                               "0x00001800     *               1\n"
                               "#      pos        size  status\n"
                               "0x00000000  0x00001800  +\n"
                               "0x00001800  0x00000800  -\n"
                               "0x00002000  0x00000800  *\n"
                               "0x00002800  0x00001000  +\n"
                               "0x00003800  0x00000800  /\n");
    EXPECT_EQ(map.Count('+'), 5u);
    RescueMap parsed;
    std::wstring message;
    ASSERT_TRUE(RescueMap::Parse(map.Serialize(), 8, L"d.iso.map", parsed, message)) << message;
    EXPECT_TRUE(parsed == map);
    EXPECT_EQ(parsed.Count('*'), 1u);
    // As ddrescue before 1.20 wrote it, with Windows line ends and comments after the fields.
    ASSERT_TRUE(RescueMap::Parse("0x0 +\r\n0x0 0x4000 + # all\r\n", 8, L"d.iso.map", parsed, message)) << message;
    EXPECT_EQ(parsed.UnfinishedSectors(), 0u);
    // Read only after failing: sector 2 above and 3 here; not a first read, nor a finished one
    // marked again.
    map.Mark(0, 4, '+');
    EXPECT_EQ(map.Recovered(), 2u);
}

struct MalformedMap
{
    const char* fault;
    std::string text;
    const wchar_t* message;  // after "The map d.iso.map cannot be used: "
};

TEST(RescueMapTest, EveryKindOfBrokenMapIsRefusedByName)
{
    const std::string ok = kHeader;
    const MalformedMap cases[] = {
        {"empty file", "# nothing\n", L"it is empty or cut short, with no status line."},
        {"no blocks", ok, L"it is cut short, with no areas after the status line."},
        {"trailing area missing", ok + "0x0 0x3000 +\n",
         L"its areas end at sector 6, before the end of the disc at 8: it is cut short or belongs to another disc."},
        {"status line with extra field", "0x0 ? 1 9\n0x0 0x4000 +\n",
         L"line 1 should be the status line \"position status pass\"."},
        {"pass zero", "0x0 ? 0\n0x0 0x4000 +\n", L"line 1 is not a valid status line."},
        {"negative size", ok + "0x0 -0x4000 +\n", L"line 3 holds a number that is not written as 0x and hex digits."},
        {"bad hex digit", ok + "0x0 0x40G0 +\n", L"line 3 holds a number that is not written as 0x and hex digits."},
        {"bad status", ok + "0x0 0x4000 x\n", L"line 3 has an unknown status \"x\"."},
        {"extra field", ok + "0x0 0x4000 + +\n", L"line 3 should hold three fields, \"position size status\"."},
        {"zero size", ok + "0x0 0x0 +\n0x0 0x4000 +\n", L"line 3 describes an empty area."},
        {"part sector", ok + "0x0 0x200 +\n", L"line 3 does not describe whole sectors of 2048 bytes."},
        {"not from 0", ok + "0x800 0x3800 +\n", L"line 3 should start the areas at 0x00000000, the start of the disc."},
        {"overlap", ok + "0x0 0x1000 +\n0x800 0x3800 -\n", L"line 4 overlaps an earlier area or is out of order."},
        {"gap", ok + "0x0 0x1000 +\n0x1800 0x2800 -\n", L"line 4 leaves a gap after the area before it."},
        {"larger than the disc", ok + "0x0 0x4800 +\n", L"line 3 goes past the end of the disc, which has 8 sectors."},
        {"overflowing size", ok + "0x0 0x800 +\n0x800 0xFFFFFFFFFFFFF800 +\n",
         L"line 4 goes past the end of the disc, which has 8 sectors."},
        {"binary file", std::string("0x0 ? 1\n\0\x01", 10), L"line 2 holds a NUL character: this is not a text file."},
    };
    for (const MalformedMap& row : cases) {
        SCOPED_TRACE(row.fault);
        RescueMap map = SampleMap();
        std::wstring message;
        EXPECT_FALSE(RescueMap::Parse(row.text, 8, L"d.iso.map", map, message));
        EXPECT_EQ(message, std::wstring(L"The map d.iso.map cannot be used: ") + row.message);
        EXPECT_TRUE(map == SampleMap());
    }
}
}
