#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <string>
#include <thread>

#include "MVSystemError.h"

namespace
{
std::wstring SystemText(DWORD code)
{
    wchar_t text[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_MAX_WIDTH_MASK | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   code, 0, text, 512, nullptr);
    return text;
}

// The system's text on one line, the caller's error code kept; a message with an insert and no
// arguments still comes back, and an unknown code gives an empty text.
TEST(SystemErrorText, GivesTheSystemsTextOnOneLine)
{
    const DWORD codes[] = {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_INVALID_PARAMETER, ERROR_NOT_READY,
                           ERROR_CRC, ERROR_IO_DEVICE, ERROR_DISK_FULL, ERROR_BAD_EXE_FORMAT, 0x3FFF1234};
    for (DWORD code : codes) {
        SetLastError(code);
        const MVString text = SystemErrorText();
        EXPECT_EQ(code, GetLastError()) << "the caller's error code is kept";
        EXPECT_EQ(code != 0x3FFF1234, text.GetLength() > 0) << code;
        EXPECT_EQ(wcslen(text.GetBuffer()), text.GetLength());
        EXPECT_EQ(SystemText(code), text.GetBuffer());
        EXPECT_EQ(nullptr, wcschr(text.GetBuffer(), L'\n')) << code;
        EXPECT_EQ(nullptr, wcschr(text.GetBuffer(), L'\r')) << code;
    }
}

TEST(SystemErrorText, DescribesTheCallingThreadsError)
{
    std::wstring otherThreads;
    std::thread([&] {
        SetLastError(ERROR_ACCESS_DENIED);
        otherThreads = SystemErrorText().GetBuffer();
    }).join();
    EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED), otherThreads);
    SetLastError(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND), SystemErrorText().GetBuffer());
}
}
