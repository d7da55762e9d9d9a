#include "CopyBench.h"
#include "DiscVolume.h"
#include "MapKeeper.h"
#include "RescuePasses.h"
#include <gtest/gtest.h>
#include <algorithm>

namespace {
const ULONGLONG kChunk = 16;  // sectors of one first-pass read
const wchar_t kImage[] = L"C:\\disc.iso";
const wchar_t kMap[] = L"C:\\disc.iso.map";

std::map<ULONGLONG, std::string> Band(ULONGLONG first, ULONGLONG sectors)
{
    std::map<ULONGLONG, std::string> band;
    for (ULONGLONG sector = first; sector < first + sectors; ++sector)
        band[sector] = "F";
    return band;
}

struct RescueCase
{
    const char* fault;
    ULONGLONG sectors;
    std::map<ULONGLONG, std::string> script;  // the disc's faults in the passes' reads
    CopyProgress::Phase stopIn;                // Stop at the first report of this phase; Starting: never
    const char* areas;
    long mostReads;  // of any one sector, the first pass's chunk read included
    long goodDataAfterFailures;  // failed reads before the last read of a sound sector
};

// A scratched disc after its first pass: every chunk holding a faulty sector failed once, was
// left as zeros and marked non-trimmed.
TEST(RescuePassesTest, ReturnPassesReadWhatTheyCanWithAtMostFourAttempts)
{
    using Phase = CopyProgress::Phase;
    const Phase never = Phase::Starting;
    const RescueCase cases[] = {
        {"band of 2000 sectors tried before the good data past it, or more than 4 times", 2100, Band(50, 2000),
         never, "0+50 50-2000 2050+50", 4, 1},
        {"isolated bad sectors in two areas, only the first trimmed", 64, {{20, "F"}, {50, "F"}}, never,
         "0+20 20-1 21+29 50-1 51+13", 4, 2},
        {"marginal sector left to the retries instead of scraped", 64, {{20, "F"}, {21, "."}, {22, "F"}}, never,
         "0+20 20-1 21+1 22-1 23+41", 4, 1},
        {"fewer retries than 4 attempts", 64, {{20, "F"}, {21, "FF."}, {22, "F"}}, never,
         "0+20 20-1 21+1 22-1 23+41", 4, 1},
        {"bad first and last sectors of the disc", 64, {{0, "F"}, {63, "F"}}, never, "0-1 1+62 63-1", 4, 1},
        {"stop while trimming", 64, Band(20, 20), Phase::Trimming, "0+17 17*31 48+16", 2, 0},
        {"stop while scraping", 64, Band(20, 20), Phase::Scraping, "0+20 20-2 22/17 39-1 40+24", 2, 1},
        {"stop while retrying", 64, Band(20, 20), Phase::Retrying, "0+20 20-20 40+24", 3, 1},
    };
    for (const RescueCase& row : cases) {
        SCOPED_TRACE(row.fault);
        CopyBench bench;
        FakeCopyIO& io = bench.io;
        RecordingOwner& owner = bench.owner;
        io.disc = MakeTestDisc(DWORD(row.sectors), row.sectors);
        io.msPerRead = 1000;  // a slow drive: the map is saved every few reads
        io.script = row.script;
        RescueMap map(row.sectors);
        map.Mark(0, row.sectors, RescueMap::kFinished);
        std::vector<BYTE> image = io.disc;
        for (const auto& bad : row.script) {
            const ULONGLONG first = bad.first - bad.first % kChunk;
            map.Mark(first, kChunk, RescueMap::kNonTrimmed);
            std::fill_n(image.begin() + first * 2048, kChunk * 2048, 0);
        }
        io.files[kImage] = image;
        owner.onProgress = [&](const CopyProgress& p) {
            owner.stopRequested = owner.stopRequested || p.phase == row.stopIn;
        };
        DiscVolume disc(io, owner);
        ASSERT_TRUE(disc.Open(L"\\\\.\\E:") && io.OpenImageForPatching(kImage));
        MapKeeper maps(io, kMap, map);
        maps.StartSaving();
        const RunningCopy copy{io, owner, owner, 0};
        EXPECT_EQ(RescuePasses(copy, disc, maps, io.AllocateBuffer(2048)).Run(),
                  row.stopIn == never ? PassEnd::Done : PassEnd::Stopped);
        EXPECT_EQ(Areas(maps.Map()), row.areas);
        EXPECT_EQ(std::string(io.files[kMap].begin(), io.files[kMap].end()), maps.Map().Serialize());
        EXPECT_EQ(maps.Map().CurrentStatus(), row.stopIn == never ? '+' : "?*/-"[int(row.stopIn) - 1]);
        EXPECT_EQ(io.mapLies, 0);
        std::map<ULONGLONG, long> reads;
        long failures = 0, goodDataAfterFailures = -1, sectorReads = 0;
        for (const std::string& transfer : io.transfers)
            if (transfer[0] == 'R') {
                const ULONGLONG sector = std::stoull(transfer.substr(1));
                ++sectorReads;
                reads[sector] += 1;
                if (row.script.count(sector))
                    ++failures;
                else
                    goodDataAfterFailures = failures;
            }
        EXPECT_EQ(owner.updates, sectorReads);
        EXPECT_GE(bench.Count("ReplaceTextFile"), sectorReads / 6);
        EXPECT_EQ(goodDataAfterFailures, row.goodDataAfterFailures);
        long most = 0;
        for (const auto& sector : reads)
            most = std::max(most, sector.second + 1);
        EXPECT_EQ(most, row.mostReads);
    }
}

// Trimming reads sectors 32 to 39 (reads 1 to 8), fails at 40, then checks sector 16.
TEST(RescuePassesTest, ADiscLostEndsThePassesLeavingTheSectorUntriedAsItWas)
{
    const std::pair<std::string, PassEnd> cases[] = {{std::string(9, '.') + "G", PassEnd::DiscGone},
                                                    {std::string(9, '.') + "X", PassEnd::OtherDisc}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        CopyBench bench;
        bench.io.disc = MakeTestDisc(64, 64);
        bench.io.script = Band(40, 8);
        bench.io.drive = c.first;
        const RescueMap map = MapWith(64, {{32, 16, RescueMap::kNonTrimmed}});
        bench.io.files[kImage] = ImageOf(bench.io.disc, 64, map);
        DiscVolume disc(bench.io, bench.owner);
        ASSERT_TRUE(disc.Open(L"\\\\.\\E:") && bench.io.OpenImageForPatching(kImage));
        disc.Remember(kDescriptorSector, &bench.io.disc[16 * 2048]);
        MapKeeper maps(bench.io, kMap, map);
        const RunningCopy copy{bench.io, bench.owner, bench.owner, 0};
        EXPECT_EQ(RescuePasses(copy, disc, maps, bench.io.AllocateBuffer(2048)).Run(), c.second);
        EXPECT_EQ(Areas(maps.Map()), "0+40 40*8 48+16");
        EXPECT_EQ(bench.Text(kMap), maps.Map().Serialize());
        EXPECT_TRUE(bench.io.files[kImage] == ImageOf(bench.io.disc, 64, maps.Map()));
    }
}
}
