#include "ImageDigests.h"
#include "TestDisc.h"
#include <gtest/gtest.h>

namespace {
// The 40-sector test disc was checked outside Windows: md5sum, sha1sum, sha256sum, and the
// CRC32 of Python's zlib.crc32, which the trailer of `gzip -c | tail -c8` confirms.
TEST(ImageDigests, EveryDigestOfEveryPieceFedEqualsAnOutsideTool)
{
    const std::vector<BYTE> disc = MakeTestDisc(40, 40);
    const struct { const char* fault; std::string input; std::vector<std::size_t> pieces; const char* digests; } rows[] = {
        {"an algorithm swapped for another, or hex in the wrong case", "abc", {3},
         "352441c2 900150983cd24fb0d6963f7d28e17f72 a9993e364706816aba3e25717850c26c9cd0d89d "
         "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"the CRC restarts at each piece, or a piece is lost or fed twice", std::string(disc.begin(), disc.end()),
         {1, 0, 65537, disc.size() - 65538},
         "9b1b02f6 d5ffaa9071fa585997d39d2d1c38894b 12a9ba65046419dbcc1021e73f4084dd03d9f69c "
         "97d602491a33d38ffa2a5fb0d6c5988f2ae93af3781c8d4e01cfe27f6ed2c148"},
    };
    for (const auto& row : rows) {
        ImageDigests digests;
        std::size_t at = 0;
        for (std::size_t piece : row.pieces) {
            EXPECT_TRUE(digests.Add(row.input.data() + at, piece));
            at += piece;
        }
        ImageDigestText text;
        ASSERT_TRUE(digests.Finish(text)) << row.fault;
        EXPECT_EQ(text.crc32 + ' ' + text.md5 + ' ' + text.sha1 + ' ' + text.sha256, row.digests) << row.fault;
    }
}
}
