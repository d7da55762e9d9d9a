#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>

#include "MVException.h"

namespace
{
TEST(MVException, KeepsOnlyTheFileNameOfTheSourcePath)
{
    struct { const wchar_t* path; const wchar_t* file; } cases[] = {
        {L"C:\\work\\MV\\INC\\MVThread", L"MVThread"}, {L"MV\\INC\\MVWnd", L"MVWnd"}, {L"MVStringfunc", L"MVStringfunc"},
        {L"folder\\", L""},
    };
    for (const auto& c : cases) {
        const MVException e(L"message", c.path, 7, 0);
        EXPECT_STREQ(c.file, e.GetFile()) << c.path;
    }
    const MVException noPath(L"message", nullptr, 7, 0);
    EXPECT_EQ(nullptr, noPath.GetFile());
}

TEST(MVException, RecordsWhatTheThrowerGives)
{
    const wchar_t message[] = L"The system cannot find the file specified.";
    const MVException e(message, L"MV\\INC\\MVWnd", 523, 0xBEEF);
    EXPECT_STREQ(message, e.GetText());
    EXPECT_NE(message, e.GetText());  // its own copy
    EXPECT_EQ(523, e.GetLine());
    EXPECT_EQ(0xBEEFu, e.GetValue());

    const MVException noMessage(nullptr, L"x", 1, 0);
    EXPECT_EQ(nullptr, noMessage.GetText());
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

TEST(MVException, CopyOwnsSeparateTexts)
{
    std::optional<MVException> original;
    original.emplace(L"message text", L"MV\\INC\\MVThread", 36, 3);
    const MVException copy(*original);
    EXPECT_NE(original->GetText(), copy.GetText());
    EXPECT_NE(original->GetFile(), copy.GetFile());
    EXPECT_EQ(original->GetAddress(), copy.GetAddress());
    original.reset();
    EXPECT_STREQ(L"message text", copy.GetText());
    EXPECT_STREQ(L"MVThread", copy.GetFile());
    EXPECT_EQ(36, copy.GetLine());
    EXPECT_EQ(3u, copy.GetValue());
}

// Answers the first message box of this process captioned "Exception" and reports its text.
class MessageBoxAnswerer
{
public:
    MessageBoxAnswerer() : worker([this] { Answer(); }) {}
    ~MessageBoxAnswerer()
    {
        stop = true;
        worker.join();
    }
    std::wstring seenText;

private:
    void Answer()
    {
        for (int i = 0; i < 1000 && !stop; ++i) {
            HWND box = FindWindowW(L"#32770", L"Exception");
            DWORD process = 0;
            if (box)
                GetWindowThreadProcessId(box, &process);
            if (box && process == GetCurrentProcessId()) {
                wchar_t text[256] = {};
                GetDlgItemTextW(box, 0xFFFF, text, 256);
                seenText = text;
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(10);
        }
    }
    std::atomic<bool> stop{false};
    std::thread worker;
};

TEST(MVException, ShowWithoutMessageDisplaysException)
{
    MVException e(nullptr, L"MV\\INC\\MVThread", 227, 0);
    int result;
    std::wstring seen;
    {
        MessageBoxAnswerer answerer;
        result = e.Show(nullptr, MB_OK);
        Sleep(0);
        seen = answerer.seenText;
    }
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(L"Exception", seen);
    EXPECT_STREQ(L"Exception", e.GetText());
}
}
