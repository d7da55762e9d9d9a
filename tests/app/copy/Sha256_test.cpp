#include "Sha256.h"
#include <gtest/gtest.h>
#include <vector>

namespace {
// Known digests (FIPS 180-2 examples), each fed in the pieces given: a copy feeds whatever
// its reads returned.
TEST(Sha256, DigestOfEveryPieceFedEqualsTheKnownVector)
{
    const std::string million(1000000, 'a');
    // The rest of the input after `pieces` goes in one last piece.
    const struct { const char* fault; std::string input; std::vector<std::size_t> pieces; const char* digest; } rows[] = {
        {"hex digits in the wrong case or order", "", {}, "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"a piece restarts the hash, or is lost", million, {65537, 0, 3, 500000},
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& row : rows) {
        Sha256 sha;
        std::size_t at = 0;
        for (std::size_t piece : row.pieces) {
            EXPECT_TRUE(sha.Add(row.input.data() + at, piece));
            at += piece;
        }
        EXPECT_TRUE(sha.Add(row.input.data() + at, row.input.size() - at));
        std::string hex;
        EXPECT_TRUE(sha.Finish(hex));
        EXPECT_EQ(hex, row.digest) << row.fault;
    }
}
}
