#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "DialogTestKit.h"
#include "MVException.h"

namespace
{
// What the thrower gives is kept in copies of its own (the source path cut by FileNamePart),
// which outlive the original.
TEST(MVException, KeepsOwnCopiesOfWhatTheThrowerGives)
{
    std::optional<MVException> original;
    original.emplace(L"message text", L"C:\\work\\MV\\INC\\MVThread", 36, 0xBEEF);
    const MVException copy(*original);
    EXPECT_NE(original->GetText(), copy.GetText());
    EXPECT_NE(original->GetFile(), copy.GetFile());
    EXPECT_EQ(original->GetAddress(), copy.GetAddress());
    original.reset();
    EXPECT_STREQ(L"message text", copy.GetText());
    EXPECT_STREQ(L"MVThread", copy.GetFile());
    EXPECT_EQ(36, copy.GetLine());
    EXPECT_EQ(0xBEEFu, copy.GetValue());

    const MVException bare(nullptr, nullptr, 1, 0);
    EXPECT_EQ(nullptr, bare.GetText());
    EXPECT_EQ(nullptr, bare.GetFile());
}

__attribute__((noinline)) const void* AddressOfAThrow()
{
    try {
        throw MVException(L"m", nullptr, 1, 0);
    } catch (const MVException& e) {
        return e.GetAddress();
    }
}

TEST(MVException, RecordsAnAddressInsideTheThrowingFunction)
{
    const BYTE* address = static_cast<const BYTE*>(AddressOfAThrow());
    const BYTE* function = reinterpret_cast<const BYTE*>(&AddressOfAThrow);
    EXPECT_GT(address, function);
    EXPECT_LT(address, function + 512);
}

TEST(MVException, ShowWithoutMessageDisplaysException)
{
    MVException e(nullptr, L"MV\\INC\\MVThread", 227, 0);
    dialogtest::BoxWatcher watcher({L"Exception"});
    EXPECT_EQ(IDOK, e.Show(nullptr, MB_OK));
    ASSERT_EQ(1u, watcher.boxes.size());
    EXPECT_EQ(L"Exception", watcher.boxes[0].text);
    EXPECT_STREQ(L"Exception", e.GetText());
}
}
