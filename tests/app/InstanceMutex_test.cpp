#include <gtest/gtest.h>
#include <string>
#include "InstanceMutex.h"
#include "MVException.h"
#include "MVThread.h"
#include "UniqueName.h"

namespace
{
TEST(InstanceMutex, SecondClaimFindsTheFirstAndGetsNothing)
{
    const std::wstring name = UniqueName(L"claim");
    std::unique_ptr<MVMutex> first = ClaimInstanceMutex(name.c_str());
    ASSERT_TRUE(first);
    EXPECT_EQ(MutexExists(name.c_str()), 1);
    EXPECT_FALSE(ClaimInstanceMutex(name.c_str()));
    // The refused claim did not take the name away from the first instance.
    EXPECT_EQ(MutexExists(name.c_str()), 1);

    first.reset();
    EXPECT_EQ(MutexExists(name.c_str()), 0);
    EXPECT_TRUE(ClaimInstanceMutex(name.c_str()));
}

TEST(InstanceMutex, ANameHeldByAnotherKindOfObjectThrows)
{
    const std::wstring name = UniqueName(L"event");
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, name.c_str());
    ASSERT_TRUE(event);
    EXPECT_THROW(ClaimInstanceMutex(name.c_str()), MVException);
    CloseHandle(event);
}
}
