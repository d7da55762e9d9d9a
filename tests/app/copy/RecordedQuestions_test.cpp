#include "RecordedQuestions.h"
#include "RecordingOwner.h"
#include <gtest/gtest.h>

namespace {
// What a person answered in the window's boxes reaches the report: one answer per question, the
// last where it came again, and the failure told last as the reason.
TEST(RecordedQuestions, TheLastAnswerToEachQuestionAndTheLastFailureAreKept)
{
    std::vector<std::string> log;
    RecordingOwner owner(log);
    owner.choices = {ReadErrorChoice::TryAgain, ReadErrorChoice::SkipAndGoOn};
    owner.resumeAnswer = QuestionAnswer::No;
    RecordedQuestions recorded(owner);
    for (int ask = 0; ask < 2; ++ask) {
        SetLastError(ERROR_CRC);
        recorded.AskReadErrorChoice(L"Sector 7 could not be read.");
    }
    EXPECT_EQ(recorded.AskYesNoCancel(L"Finish it?"), QuestionAnswer::No);
    recorded.ShowCopyError(L"The disc is gone.");
    std::wstring answers;
    for (const CopyRecord::Answer& a : recorded.Answers())
        answers += a.question + L"=" + a.answer + L";";
    EXPECT_EQ(answers, L"Skip unreadable sectors=yes;Resume=no: copied anew;");
    EXPECT_EQ(recorded.Reason(), L"The disc is gone.");
}
}
