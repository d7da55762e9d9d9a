#include "ImageDigests.h"
#include "TestDisc.h"
#include <gtest/gtest.h>
#include <vector>

namespace {
struct DigestRow
{
    const char* fault;
    std::string input;
    std::vector<std::size_t> pieces;  // the rest of the input after these goes in one last piece
    ImageDigestText digests;
};

std::string Bytes(const std::vector<BYTE>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// The test disc's 40 sectors were checked outside Windows: md5sum, sha1sum, sha256sum, and the
// CRC32 of Python's zlib.crc32, which the trailer of `gzip -c | tail -c8` confirms.
TEST(ImageDigests, EveryDigestOfEveryPieceFedEqualsAnOutsideTool)
{
    const DigestRow rows[] = {
        {"a digest of nothing is not each algorithm's empty digest", "", {},
         {"00000000", "d41d8cd98f00b204e9800998ecf8427e", "da39a3ee5e6b4b0d3255bfef95601890afd80709",
          "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"}},
        {"an algorithm swapped for another, or hex in the wrong case", "abc", {},
         {"352441c2", "900150983cd24fb0d6963f7d28e17f72", "a9993e364706816aba3e25717850c26c9cd0d89d",
          "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"}},
        {"the CRC restarts at each piece, or a piece is lost or fed twice", Bytes(MakeTestDisc(40, 40)),
         {1, 0, 65537, 2048},
         {"9b1b02f6", "d5ffaa9071fa585997d39d2d1c38894b", "12a9ba65046419dbcc1021e73f4084dd03d9f69c",
          "97d602491a33d38ffa2a5fb0d6c5988f2ae93af3781c8d4e01cfe27f6ed2c148"}},
    };
    for (const DigestRow& row : rows) {
        ImageDigests digests;
        std::size_t at = 0;
        for (std::size_t piece : row.pieces) {
            EXPECT_TRUE(digests.Add(row.input.data() + at, piece));
            at += piece;
        }
        EXPECT_TRUE(digests.Add(row.input.data() + at, row.input.size() - at));
        ImageDigestText text;
        ASSERT_TRUE(digests.Finish(text)) << row.fault;
        EXPECT_EQ(text.crc32, row.digests.crc32) << row.fault;
        EXPECT_EQ(text.md5, row.digests.md5) << row.fault;
        EXPECT_EQ(text.sha1, row.digests.sha1) << row.fault;
        EXPECT_EQ(text.sha256, row.digests.sha256) << row.fault;
    }
}
}
