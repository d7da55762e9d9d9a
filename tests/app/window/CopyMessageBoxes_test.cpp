#include "CopyMessageBoxes.h"
#include <gtest/gtest.h>
#include <atomic>
#include <functional>
#include <thread>
#include "CopyProgressRecord.h"
#include "DialogTestKit.h"
#include "MVSystemError.h"

namespace
{
// Each row calls the boxes on a worker thread, as a copy does, after a failed read (ERROR_CRC);
// the test reads the box, notes whether the record says an error box is up, and presses a button.
TEST(CopyMessageBoxes, ShowTheCopysFailuresAndQuestionsAndNoteTheErrorBoxes)
{
    SetLastError(ERROR_CRC);
    const std::wstring system = SystemErrorText().GetBuffer();
    const wchar_t detail[] = L"Sector 7 could not be read in 4 attempts.";
    const std::wstring choice =
        system + L"\n\n" + detail +
        L"\n\nCancel stops and deletes the image. Try Again reads the sector again. Continue skips unreadable "
        L"sectors and saves everything else; the missing sectors are listed beside the image, to be read later.";
    using Call = std::function<int(CopyMessageBoxes&)>;
    const struct
    {
        const char* fault;
        Call call;
        int button;
        std::wstring text;
        bool errorWhileUp, errorAfter;
        int answer;
    } rows[] = {
        {"the system's text lost", [](CopyMessageBoxes& b) { return b.ReportLastError(), 0; }, IDOK, system, true, true,
         0},
        {"the read error loses its detail or the error colour",
         [&](CopyMessageBoxes& b) { return b.ReportReadError(detail), 0; }, IDOK, system + L"\n\n" + detail, true, true,
         0},
        {"the copy's own failure without the error colour",
         [](CopyMessageBoxes& b) { return b.ShowCopyError(L"No room."), 0; }, IDOK, L"No room.", true, true, 0},
        {"Try Again not taken, or the error colour kept",
         [&](CopyMessageBoxes& b) { return int(b.AskReadErrorChoice(detail)); }, IDTRYAGAIN, choice, true, false,
         int(ReadErrorChoice::TryAgain)},
        {"Continue not taken", [&](CopyMessageBoxes& b) { return int(b.AskReadErrorChoice(detail)); }, IDCONTINUE,
         choice, true, false, int(ReadErrorChoice::SkipAndGoOn)},
        {"Cancel does not stop, or clears the error colour",
         [&](CopyMessageBoxes& b) { return int(b.AskReadErrorChoice(detail)); }, IDCANCEL, choice, true, true,
         int(ReadErrorChoice::Stop)},
        {"Yes to go on not taken", [](CopyMessageBoxes& b) { return int(b.AskToContinue(L"Go on?")); }, IDYES,
         L"Go on?", false, false, 1},
        {"Yes to replace not taken", [](CopyMessageBoxes& b) { return int(b.AskToReplace(L"Replace?")); }, IDYES,
         L"Replace?", false, false, 1},
        {"No taken as another answer", [](CopyMessageBoxes& b) { return int(b.AskYesNoCancel(L"Finish?")); }, IDNO,
         L"Finish?", false, false, int(QuestionAnswer::No)},
    };
    for (const auto& row : rows)
    {
        CopyProgressRecord record;
        CopyMessageBoxes boxes(record, WM_APP);
        std::atomic<DWORD> thread{0};
        int answer = -1;
        std::thread worker([&] {
            thread = GetCurrentThreadId();
            SetLastError(ERROR_CRC);
            answer = row.call(boxes);
        });
        HWND box = nullptr;
        EXPECT_TRUE(dialogtest::PumpUntil([&] {
            box = thread ? dialogtest::FindThreadDialog(L"app_tests", nullptr, thread) : nullptr;
            return box != nullptr;
        })) << row.fault;
        EXPECT_EQ(dialogtest::TextOf(GetDlgItem(box, 0xFFFF)), row.text) << row.fault;
        EXPECT_EQ(record.Read().errorShown, row.errorWhileUp) << row.fault;
        PostMessageW(box, WM_COMMAND, row.button, 0);
        worker.join();
        EXPECT_EQ(record.Read().errorShown, row.errorAfter) << row.fault;
        EXPECT_EQ(answer, row.answer) << row.fault;
    }
}
}
