#include "CngHash.h"
#include <gtest/gtest.h>

namespace {
TEST(CngHash, AFailureIsKeptAndLeftInTheLastError)
{
    CngHash hash(L"NoSuchAlgorithm");
    ASSERT_TRUE(hash.Failed());
    std::string hex;
    SetLastError(0);
    EXPECT_FALSE(hash.Add("x", 1));
    EXPECT_EQ(GetLastError(), hash.Error());
    SetLastError(0);
    EXPECT_FALSE(hash.Finish(hex));
    EXPECT_EQ(GetLastError(), hash.Error());
}
}
