#include "FakeCopyIO.h"
#include "ImageWriter.h"
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

class ImageWriterTest : public ::testing::Test
{
protected:
    std::vector<std::string> log;
    FakeCopyIO io{log};
    BYTE* buffer = nullptr;
    BYTE* other = nullptr;

    void SetUp() override
    {
        buffer = static_cast<BYTE*>(io.AllocateBuffer(ImageWriter::BufferBytes(8 * 2048)));
        other = static_cast<BYTE*>(io.AllocateBuffer(ImageWriter::BufferBytes(8 * 2048)));
        io.CreateImage(L"x");
    }

    // Commits `sectors` sectors, sector n filled with the value n.
    void CommitSectors(ImageWriter& writer, DWORD first, DWORD count)
    {
        BYTE* target = writer.ReadTarget();
        for (DWORD i = 0; i < count; ++i)
            std::memset(target + i * 2048, int(first + i), 2048);
        ASSERT_TRUE(writer.Commit(count * 2048));
    }

    std::vector<BYTE> Expected(DWORD sectors)
    {
        std::vector<BYTE> bytes;
        for (DWORD n = 0; n < sectors; ++n)
            bytes.insert(bytes.end(), 2048, BYTE(n));
        return bytes;
    }
};

TEST_F(ImageWriterTest, CarriesHalfUnitsToTheOtherBufferAndCutsThePaddedTail)
{
    io.imageSector = 4096;
    ImageWriter writer(io, buffer, other);
    CommitSectors(writer, 0, 1);
    EXPECT_EQ(writer.ReadTarget(), other + 2048);
    CommitSectors(writer, 1, 1);
    EXPECT_EQ(writer.ReadTarget(), buffer);
    // Each write is carried out only when the next commit (or the end) waits for it.
    EXPECT_TRUE(io.writes.empty());
    CommitSectors(writer, 2, 3);
    EXPECT_EQ(io.writes, std::vector<DWORD>{4096});
    EXPECT_EQ(writer.ReadTarget(), other + 2048);
    EXPECT_EQ(writer.BytesCommitted(), 5u * 2048);
    ASSERT_TRUE(writer.Finish());
    EXPECT_EQ(io.writes, (std::vector<DWORD>{4096, 4096, 4096}));
    EXPECT_EQ(io.protocolViolations, 0);
    EXPECT_EQ(io.setLengthCalls, 1);
    EXPECT_EQ(io.files[L"x"], Expected(5));
    EXPECT_EQ(io.alignmentViolations, 0);
}
}
