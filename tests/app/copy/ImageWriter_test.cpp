#include "CopyBench.h"
#include "ImageWriter.h"
#include "ImageDigests.h"
#include "TestDisc.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {
TEST(ImageWriter, UnitIsTheSectorSizeWhenUsableElse64KiB)
{
    const std::pair<DWORD, DWORD> cases[] = {
        {512, 512},     {2048, 2048},   {4096, 4096},   {65536, 65536},
        {0, 65536},     {256, 65536},   {1000, 65536},  {131072, 65536}, {4095, 65536},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ImageWriter::UnitFor(c.first), c.second) << c.first;
}

TEST(ImageWriter, CarriesHalfUnitsToTheOtherBufferAndCutsThePaddedTail)
{
    CopyBench bench;
    FakeCopyIO& io = bench.io;
    io.imageSector = 4096;
    BYTE* buffer = static_cast<BYTE*>(io.AllocateBuffer(ImageWriter::BufferBytes(8 * 2048)));
    BYTE* other = static_cast<BYTE*>(io.AllocateBuffer(ImageWriter::BufferBytes(8 * 2048)));
    ASSERT_TRUE(io.CreateImage(L"x"));
    ImageWriter writer(io, buffer, other);
    const std::vector<BYTE> disc = MakeTestDisc(5, 5);
    auto commit = [&](DWORD first, DWORD count) {
        std::memcpy(writer.ReadTarget(), &disc[first * 2048], count * 2048);
        ASSERT_TRUE(writer.Commit(count * 2048));
    };
    commit(0, 1);
    EXPECT_EQ(writer.ReadTarget(), other + 2048);
    commit(1, 1);
    EXPECT_EQ(writer.ReadTarget(), buffer);
    // Each write is carried out only when the next commit (or the end) waits for it.
    EXPECT_TRUE(io.transfers.empty());
    commit(2, 3);
    EXPECT_EQ(io.transfers, std::vector<std::string>{"W4096"});
    EXPECT_EQ(writer.ReadTarget(), other + 2048);
    EXPECT_EQ(writer.BytesCommitted(), 5u * 2048);
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(io.transfers, (std::vector<std::string>{"W4096", "W4096", "W4096"}));
    EXPECT_EQ(bench.Count("SetImageLength"), 1);
    EXPECT_TRUE(io.files[L"x"] == disc);
    EXPECT_EQ(io.violations, 0);
}

// Whole images written through the writer in chunks as the copy makes them, on every sector
// size: every write fits the sector, the image is cut to its length only where it must be, and
// the hash covers exactly the bytes committed, never the padding of the last unit.
TEST(ImageWriter, EveryWriteFitsTheSectorAndTheHashCoversTheImageExactly)
{
    const DWORD sectorSizes[] = {512, 2048, 4096, 8192, 65536}, lengths[] = {18, 19, 519, 1001};
    for (DWORD sectorSize : sectorSizes) {
        for (DWORD sectors : lengths) {
            SCOPED_TRACE(std::to_string(sectorSize) + " bytes, " + std::to_string(sectors) + " sectors");
            CopyBench bench;
            FakeCopyIO& io = bench.io;
            io.imageSector = sectorSize;
            const std::vector<BYTE> disc = MakeTestDisc(sectors, sectors);
            BYTE* first = static_cast<BYTE*>(io.AllocateBuffer(ImageWriter::BufferBytes(500 * 2048)));
            BYTE* second = static_cast<BYTE*>(io.AllocateBuffer(ImageWriter::BufferBytes(500 * 2048)));
            ASSERT_TRUE(io.CreateImage(L"x"));
            ImageDigestText hashed, expected;
            {
                ImageDigests hash;
                ImageWriter writer(io, first, second, &hash);
                for (DWORD done = 0, count = 1; done < sectors;
                     done += count, count = std::min<DWORD>(500, sectors - done)) {
                    std::memcpy(writer.ReadTarget(), &disc[done * 2048], count * 2048);
                    ASSERT_TRUE(writer.Commit(count * 2048));
                }
                ASSERT_TRUE(writer.Finish());
                ASSERT_TRUE(hash.Finish(hashed));
            }
            ImageDigests whole;
            ASSERT_TRUE(whole.Add(disc.data(), disc.size()) && whole.Finish(expected));
            EXPECT_EQ(hashed.crc32 + hashed.md5 + hashed.sha256, expected.crc32 + expected.md5 + expected.sha256);
            EXPECT_TRUE(io.files[L"x"] == disc);
            for (const std::string& write : io.transfers)
                EXPECT_EQ(std::stoul(write.substr(1)) % sectorSize, 0u);
            EXPECT_EQ(bench.Count("SetImageLength"), (sectors * 2048) % sectorSize != 0 ? 1 : 0);
            EXPECT_EQ(io.violations, 0);
        }
    }
}
}
