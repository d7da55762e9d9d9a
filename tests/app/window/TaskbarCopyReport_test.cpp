#include "TaskbarCopyReport.h"
#include <gtest/gtest.h>
#include "RecordingTaskbar.h"

namespace
{
// Plays a script on the report, one letter per call: A a display attached, S the copy started,
// a digit n the fraction n/9 (0: a fraction of nothing, 0/0), E an error box shown, G gone; the
// copy ended C completed, I incomplete or X stopped while the user is elsewhere, F completed in
// the foreground. The display's calls come back space-separated, "flash" where the end asks for it.
std::wstring Play(const char* script)
{
    std::vector<std::wstring> calls;
    TaskbarCopyReport report;
    for (const char* step = script; *step; ++step)
    {
        const char c = *step;
        if (c == 'A')
            report.Attach(std::make_unique<RecordingTaskbar>(calls));
        else if (c == 'S')
            report.CopyStarted();
        else if (c >= '0' && c <= '9')
            report.ShowFraction(ULONGLONG(c - '0'), c == '0' ? 0 : 9);
        else if (c == 'E')
            report.ErrorShown();
        else if (c == 'G')
            report.ErrorGone();
        else if (report.CopyEnded(c == 'I'   ? CopyOutcome::Incomplete
                                  : c == 'X' ? CopyOutcome::Stopped
                                             : CopyOutcome::Completed,
                                  c == 'F'))
            calls.push_back(L"flash");
    }
    std::wstring text;
    for (const std::wstring& call : calls)
        text += (text.empty() ? L"" : L" ") + call;
    return text;
}

TEST(TaskbarCopyReport, TheButtonFollowsTheCopyItsErrorBoxesAndItsEnd)
{
    const struct
    {
        const char* fault;
        const char* script;
        const wchar_t* calls;
    } rows[] = {
        {"a copy completed elsewhere not flashed", "AS5C", L"normal 5/9 none flash"},
        {"a copy completed in the foreground flashed", "AS5F", L"normal 5/9 none"},
        {"an incomplete copy flashed", "ASI", L"normal none"},
        {"a stopped copy flashed", "ASX", L"normal none"},
        {"an unchanged fraction sent again", "AS55", L"normal 5/9"},
        {"a fraction of nothing sent", "AS0", L"normal"},
        {"a fraction over the error colour, or an error shown twice", "ASEE6", L"normal error"},
        {"the fraction not shown again once the box is gone", "AS5EG5", L"normal 5/9 error normal 5/9"},
        {"progress shown outside a copy", "A5EG", L""},
        {"a display attached during a copy stays blank", "SA5", L"normal 5/9"},
        {"the end leaves the error colour", "ASEF", L"normal error none"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Play(row.script), row.calls) << row.fault;
}
}
