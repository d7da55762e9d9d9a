#include "CopyProgressView.h"
#include <gtest/gtest.h>
#include "MVProgressRange.h"
#include "MVString.h"
#include "RecordingTaskbar.h"
#include "TimeSpan.h"

namespace
{
std::wstring Elapsed(DWORD ms)
{
    MVString text;
    FormatElapsedTime(text, ms);
    return text.GetBuffer();
}

std::wstring TextOf(HWND window)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, ARRAYSIZE(text));
    return text;
}

// Ticks of the window's progress timer during one copy, each showing one read of the record.
TEST(CopyProgressView, BarStatusLineAndTaskbarFollowEachReport)
{
    using Phase = CopyProgress::Phase;
    TransferRate rate;
    rate.Add(2000, 100 * 2048);
    rate.Add(4000, 600 * 2048);
    MVString speed;
    FormatCopyStatus(speed, 4000, rate, 600 * 2048, 1000 * 2048);
    const struct
    {
        const char* fault;
        Phase phase;
        DWORD sectors, ms;
        bool errorShown;
        std::wstring status;
    } rows[] = {
        {"a report before the disc is read shown", Phase::Starting, 0, 0, false, L""},
        {"a speed taken from the header's single sectors", Phase::Copying, 10, 500, false, Elapsed(500)},
        {"a speed taken from the header's single sectors", Phase::Copying, 16, 1500, false, Elapsed(1500)},
        {"a speed guessed from one sample", Phase::Copying, 100, 2000, false, Elapsed(2000)},
        {"the speed or the time left not shown", Phase::Copying, 600, 4000, false, speed.GetBuffer()},
        {"a speed taken from a return pass's count, or the pass not named", Phase::Retrying, 300, 5000, true,
         Elapsed(5000) + L" \u00B7 Retrying (pass 2) \u00B7 700 sectors missing"},
    };
    HWND parent = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 600, 200, nullptr, nullptr, nullptr, nullptr);
    HWND placeholder = CreateWindowW(L"STATIC", L"", WS_CHILD, 0, 0, 528, 60, parent, nullptr, nullptr, nullptr);
    HWND status = CreateWindowW(L"STATIC", L"", WS_CHILD, 0, 80, 528, 20, parent, nullptr, nullptr, nullptr);
    std::vector<std::wstring> taskbar;
    {
        CopyProgressView view;
        view.Create(placeholder, status);
        EXPECT_FALSE(IsWindow(placeholder)) << "the bar is not in the placeholder's place";
        EXPECT_EQ(view.Bar().GetBlockCount(), 528u);
        EXPECT_EQ(view.Bar().backgroundColor, GetSysColor(COLOR_BTNFACE));
        EXPECT_EQ(view.Bar().GetProgress()->filledColor, RGB(255, 0, 0));
        view.AttachTaskbar(std::make_unique<RecordingTaskbar>(taskbar));
        view.CopyStarted();
        CopyProgressRecord::Snapshot report;
        for (const auto& row : rows)
        {
            report.progress = {row.phase, row.sectors, 1000, row.ms, 2, 1000 - row.sectors};
            report.errorShown = row.errorShown;
            view.Show(report);
            EXPECT_EQ(TextOf(status), row.status) << row.fault;
            EXPECT_EQ(view.Bar().GetProgress()->position, int(row.sectors)) << row.fault;
        }
        EXPECT_FALSE(view.ShowEnd(report, CopyOutcome::Failed, false));
        EXPECT_EQ(TextOf(status), Elapsed(5000)) << "the pass still named after the end";
        EXPECT_EQ(view.Bar().GetProgress()->position, 0) << "the bar not emptied at the end";
        // A tick still queued after the end.
        report.progress.sectorsDone = 900;
        view.Show(report);
        EXPECT_EQ(view.Bar().GetProgress()->position, 0) << "a tick after the end filled the bar again";
    }
    DestroyWindow(parent);
    EXPECT_EQ(taskbar, (std::vector<std::wstring>{L"normal", L"10/1000", L"16/1000", L"100/1000", L"600/1000", L"error",
                                                  L"none"}));
}
}
