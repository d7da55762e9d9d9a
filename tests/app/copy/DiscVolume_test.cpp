#include "CopyBench.h"
#include "CopyTexts.h"
#include "DiscVolume.h"
#include <gtest/gtest.h>
#include <functional>

namespace {
// A disc of `sectors` sectors in an open drive; `scratch` holds two of them.
struct DiscBench : CopyBench
{
    DiscVolume disc{io, owner};
    BYTE* scratch = nullptr;

    void Open(std::vector<BYTE> bytes)
    {
        io.disc = std::move(bytes);
        scratch = static_cast<BYTE*>(io.AllocateBuffer(2 * 2048));
        EXPECT_TRUE(disc.Open(L"\\\\.\\E:"));
    }
};

TEST(DiscVolume, DevicePathIsTheEntrysDriveLetterAndColon)
{
    const std::pair<const wchar_t*, std::wstring> rows[] = {
        {L"E:\\ - MYDISC", L"\\\\.\\E:"}, {L"z:", L"\\\\.\\Z:"}, {nullptr, L""}, {L" E:", L""}};
    for (const auto& row : rows)
        EXPECT_EQ(DiscVolume::DevicePath(row.first), row.second);
}

struct SizeCase
{
    const char* fault;
    long long volume;  // -1: no ISO 9660 volume descriptor
    std::function<void(DiscBench&)> arrange;
    DWORD sectors;         // the size found; 0: none
    std::wstring message = L"";  // told when none
};

TEST(DiscVolume, SizeComesFromTheDescriptorElseTheTableOfContentsElseTheDevice)
{
    auto none = [](DiscBench&) {};
    auto sessions = [](DWORD toc) {
        return [toc](DiscBench& bench) {
            bench.io.sessions = 2;
            bench.io.firstSessionSectors = toc;
        };
    };
    const SizeCase cases[] = {
        {"volume taken for the disc", 100, none, 100},
        {"header cut off a small volume", 0, none, 17},
        {"supplementary descriptor trusted", 100, [](DiscBench& bench) { bench.io.disc[16 * 2048] = 2; }, 140},
        {"descriptor read short trusted", 100, [](DiscBench& bench) { bench.io.script[16] = "S"; }, 140},
        {"disc without ISO 9660 guessed", -1, none, 140},
        {"size guessed", -1, [](DiscBench& bench) { bench.io.sizeKnown = false; }, 0, CopyTexts::NoSize()},
        {"sessions sized by the device", -1, sessions(60), 60},
        {"sessions guessed", -1, sessions(0), 0, CopyTexts::SessionsWithoutEnd(2)},
        {"sessions of a volume sized by the table of contents", 100, sessions(60), 100},
        {"descriptor read fewer than four times", 100, [](DiscBench& bench) { bench.io.script[16] = "FFF."; }, 100},
        {"descriptor unreadable guessed", 100, [](DiscBench& bench) { bench.io.script[16] = "F"; }, 0,
         CopyTexts::DescriptorUnreadable()},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.fault);
        DiscBench bench;
        bench.io.disc = MakeTestDisc(140, c.volume);
        c.arrange(bench);
        bench.Open(bench.io.disc);
        DWORD sectors = 0;
        EXPECT_EQ(bench.disc.PeekSize(bench.scratch, sectors), c.sectors != 0);
        EXPECT_EQ(sectors, c.sectors);
        EXPECT_EQ(bench.owner.messages, bench.Told(c.message));
    }
}

struct IdentityCase
{
    const char* fault;
    std::function<void(std::vector<BYTE>& image, RescueMap& map, FakeCopyIO& io)> change;
    bool same;
};

TEST(DiscVolume, SameDiscHasTheImagesVolumeDescriptorsUpToTheTerminator)
{
    const IdentityCase cases[] = {
        {"same disc refused", [](std::vector<BYTE>&, RescueMap&, FakeCopyIO&) {}, true},
        {"another volume's name taken",
         [](std::vector<BYTE>& image, RescueMap&, FakeCopyIO&) { image[16 * 2048 + 40] ^= 1; }, false},
        {"descriptor after the primary not compared",
         [](std::vector<BYTE>& image, RescueMap&, FakeCopyIO&) { image[17 * 2048 + 9] ^= 1; }, false},
        {"sectors past the terminator compared",
         [](std::vector<BYTE>& image, RescueMap&, FakeCopyIO&) { image[19 * 2048 + 9] ^= 1; }, true},
        {"descriptor unreadable on a later try taken for another disc",
         [](std::vector<BYTE>&, RescueMap&, FakeCopyIO& io) { io.script[16] = "F"; }, true},
        {"no descriptor read taken for the same",
         [](std::vector<BYTE>&, RescueMap&, FakeCopyIO& io) { io.script = {{16, "F"}, {17, "F"}, {18, "F"}}; },
         false},
    };
    for (const IdentityCase& c : cases) {
        SCOPED_TRACE(c.fault);
        DiscBench bench;
        std::vector<BYTE> disc = MakeTestDisc(40, 40);
        disc[17 * 2048] = 2;    // a supplementary descriptor
        disc[18 * 2048] = 255;  // the set terminator
        std::vector<BYTE> image = disc;
        RescueMap map(40);
        map.Mark(0, 40, RescueMap::kFinished);
        c.change(image, map, bench.io);
        bench.io.files[L"C:\\disc.iso"] = image;
        bench.Open(disc);
        EXPECT_EQ(bench.disc.SameDiscAs(L"C:\\disc.iso", map, bench.scratch), c.same);
    }
}

struct HoldingCase
{
    const char* fault;
    std::string drive;
    DiscVolume::SectorRead read;
    DiscVolume::Holding holds;
    size_t reads;  // of the drive, the checks of sector 16 included
};

TEST(DiscVolume, AFailedReadCountsAgainstItsSectorOnlyWhileSectorSixteenReadsAsRemembered)
{
    using Read = DiscVolume::SectorRead;
    using Holding = DiscVolume::Holding;
    const HoldingCase cases[] = {
        {"scratch taken for a lost disc", "", Read::Unreadable, Holding::ThisDisc, 8},
        {"empty drive taken for a bad sector", "G", Read::Lost, Holding::NoDisc, 2},
        {"another disc taken for a bad sector", ".X", Read::Lost, Holding::OtherDisc, 2},
    };
    for (const HoldingCase& c : cases) {
        SCOPED_TRACE(c.fault);
        DiscBench bench;
        bench.io.script[30] = "F";
        bench.io.drive = c.drive;
        bench.Open(MakeTestDisc(40, 40));
        bench.disc.Remember(kDescriptorSector, &bench.io.disc[16 * 2048]);
        EXPECT_EQ(bench.disc.ReadSector(30, bench.scratch, DiscVolume::kReadAttempts, nullptr), c.read);
        EXPECT_EQ(bench.disc.Holds(), c.holds);
        // A lost disc is not read again.
        DWORD got = 0;
        EXPECT_EQ(bench.disc.ReadOn(bench.scratch, 2048, got), !bench.disc.Lost());
        EXPECT_EQ(bench.io.reads.size(), c.reads + !bench.disc.Lost());
    }
}
}
