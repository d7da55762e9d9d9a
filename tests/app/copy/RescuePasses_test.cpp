#include "RescuePasses.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <vector>

namespace {
const ULONGLONG kChunk = 16;  // sectors of one first-pass read

// A scratched disc after its first pass: every chunk holding a bad sector failed once, was left
// as zeros and marked non-trimmed. Writes reach the image only when flushed, and each saved map
// is checked against the flushed image.
class FakeRescueDisc : public RescueIO
{
public:
    FakeRescueDisc(ULONGLONG sectors, const std::map<ULONGLONG, unsigned>& readsOnAttempt)
        : map(sectors), readsOnAttempt(readsOnAttempt), attempts(sectors), image(sectors)
    {
        map.Mark(0, sectors, RescueMap::kFinished);
        for (const auto& bad : readsOnAttempt)
            map.Mark(bad.first - bad.first % kChunk, kChunk, RescueMap::kNonTrimmed);
        for (ULONGLONG sector = 0; sector < sectors; ++sector) {
            attempts[sector] = map.StatusOf(sector) == RescueMap::kNonTrimmed;  // its chunk's read
            image[sector] = attempts[sector] != 0 ? 0 : Byte(sector);
        }
    }

    RescueMap map;
    std::map<ULONGLONG, unsigned> readsOnAttempt;  // 0: never
    std::vector<unsigned> attempts;
    std::vector<BYTE> image;  // flushed, a byte for each sector
    std::map<ULONGLONG, BYTE> unflushed;
    char stopIn = 0;  // Stop is asked for after the first read of this phase
    bool stopped = false;
    int failures = 0, goodDataAfterFailures = -1;  // when the last sector that is not bad was read
    int reads = 0, progressCalls = 0, saves = 0, falseSaves = 0;
    std::string savedMap;
    DWORD clock = 0;

    static BYTE Byte(ULONGLONG sector) { return BYTE(sector % 251 + 1); }

    bool ReadSector(ULONGLONG sector, void* buffer) override
    {
        ++reads;
        clock += 1000;  // a slow drive
        unsigned attempt = ++attempts[sector];
        auto bad = readsOnAttempt.find(sector);
        if (bad != readsOnAttempt.end() && (bad->second == 0 || attempt < bad->second))
        {
            ++failures;
            return false;
        }
        if (bad == readsOnAttempt.end())
            goodDataAfterFailures = failures;
        static_cast<BYTE*>(buffer)[0] = Byte(sector);
        return true;
    }
    bool WriteSector(ULONGLONG sector, const void* buffer) override
    {
        unflushed[sector] = static_cast<const BYTE*>(buffer)[0];
        return true;
    }
    bool FlushImage() override
    {
        for (const auto& write : unflushed)
            image[write.first] = write.second;
        unflushed.clear();
        return true;
    }
    bool SaveMap(const RescueMap& saved) override
    {
        ++saves;
        savedMap = saved.Serialize();
        for (ULONGLONG sector = 0; sector < saved.Sectors(); ++sector)
            falseSaves += (saved.StatusOf(sector) == RescueMap::kFinished) != (image[sector] == Byte(sector));
        return true;
    }
    bool StopRequested() override { return stopped; }
    void Progress(const RescueProgress& progress) override
    {
        ++progressCalls;
        stopped = stopped || progress.phase == stopIn;
    }
    DWORD Milliseconds() override { return clock; }
};

std::string Areas(const RescueMap& map)
{
    std::string text;
    for (const RescueMap::Area& area : map.Areas())
        text += (text.empty() ? "" : " ") + std::to_string(area.first) + area.status + std::to_string(area.sectors);
    return text;
}

std::map<ULONGLONG, unsigned> Band(ULONGLONG first, ULONGLONG sectors)
{
    std::map<ULONGLONG, unsigned> band;
    for (ULONGLONG sector = first; sector < first + sectors; ++sector)
        band[sector] = 0;
    return band;
}

struct RescueCase
{
    const char* fault;
    ULONGLONG sectors;
    std::map<ULONGLONG, unsigned> bad;  // sector -> attempt that reads it, 0: none
    char stopIn;
    const char* areas;
    unsigned mostAttempts;  // on any sector
    int goodDataAfterFailures;
};

TEST(RescuePassesTest, ReturnPassesReadWhatTheyCanWithAtMostFourAttempts)
{
    const RescueCase cases[] = {
        {"band of 2000 sectors tried before the good data past it, or more than 4 times", 2100,
         Band(50, 2000), 0, "0+50 50-2000 2050+50", 4, 1},
        {"isolated bad sectors in two areas, only the first trimmed", 64, {{20, 0}, {50, 0}}, 0,
         "0+20 20-1 21+29 50-1 51+13", 4, 2},
        {"marginal sector left to the retries instead of scraped", 64, {{20, 0}, {21, 2}, {22, 0}}, 0,
         "0+20 20-1 21+1 22-1 23+41", 4, 1},
        {"fewer retries than 4 attempts", 64, {{20, 0}, {21, 4}, {22, 0}}, 0, "0+20 20-1 21+1 22-1 23+41", 4, 1},
        {"bad first and last sectors of the disc", 64, {{0, 0}, {63, 0}}, 0, "0-1 1+62 63-1", 4, 1},
        {"stop while trimming", 64, Band(20, 20), '*', "0+17 17*31 48+16", 2, 0},
        {"stop while scraping", 64, Band(20, 20), '/', "0+20 20-2 22/17 39-1 40+24", 2, 1},
        {"stop while retrying", 64, Band(20, 20), '-', "0+20 20-20 40+24", 3, 1},
    };
    for (const RescueCase& row : cases) {
        SCOPED_TRACE(row.fault);
        FakeRescueDisc disc(row.sectors, row.bad);
        disc.stopIn = row.stopIn;
        std::vector<BYTE> buffer(2048);
        RescuePasses passes(disc, disc.map, buffer.data());
        EXPECT_EQ(passes.Run(), row.stopIn == 0 ? RescuePasses::Outcome::Done : RescuePasses::Outcome::Stopped);
        EXPECT_EQ(Areas(disc.map), row.areas);
        EXPECT_EQ(disc.savedMap, disc.map.Serialize());
        EXPECT_EQ(disc.map.CurrentStatus(), row.stopIn == 0 ? '+' : row.stopIn);
        EXPECT_EQ(disc.falseSaves, 0);
        EXPECT_TRUE(disc.unflushed.empty());
        EXPECT_GE(disc.saves, disc.reads / 6);
        EXPECT_EQ(disc.progressCalls, disc.reads);
        EXPECT_EQ(disc.goodDataAfterFailures, row.goodDataAfterFailures);
        EXPECT_EQ(*std::max_element(disc.attempts.begin(), disc.attempts.end()), row.mostAttempts);
    }
}
}
