#include "RecordedQuestions.h"
#include <windows.h>
#include "MVSystemError.h"

std::wstring RecordedQuestions::LastErrorText()
{
    const DWORD error = GetLastError();
    const std::wstring text = SystemErrorText().GetBuffer();
    SetLastError(error);
    return text;
}

void RecordedQuestions::ReportLastError()
{
    CopyRecord::AddToReason(reason, LastErrorText());
    shown.ReportLastError();
}

void RecordedQuestions::ReportReadError(const wchar_t* detail)
{
    CopyRecord::AddToReason(reason, LastErrorText() + L" " + detail);
    shown.ReportReadError(detail);
}

ReadErrorChoice RecordedQuestions::AskReadErrorChoice(const wchar_t* detail)
{
    const std::wstring text = LastErrorText() + L" " + detail;
    const ReadErrorChoice choice = shown.AskReadErrorChoice(detail);
    if (choice == ReadErrorChoice::Stop)
        CopyRecord::AddToReason(reason, text);
    Answered(CopyRecord::kSkipUnreadableQuestion, choice == ReadErrorChoice::SkipAndGoOn ? L"yes"
                                                : choice == ReadErrorChoice::TryAgain  ? L"try again"
                                                                                       : L"no: stop");
    return choice;
}

void RecordedQuestions::ShowCopyError(const wchar_t* text)
{
    CopyRecord::AddToReason(reason, text);
    shown.ShowCopyError(text);
}

bool RecordedQuestions::AskToContinue(const wchar_t* question)
{
    const bool yes = shown.AskToContinue(question);
    Answered(CopyRecord::kMultisessionQuestion, yes ? L"yes: the first session is copied" : L"no");
    return yes;
}

bool RecordedQuestions::AskToReplace(const wchar_t* question)
{
    const bool yes = shown.AskToReplace(question);
    Answered(CopyRecord::kReplaceQuestion, yes ? L"yes" : L"no");
    return yes;
}

QuestionAnswer RecordedQuestions::AskYesNoCancel(const wchar_t* question)
{
    const QuestionAnswer answer = shown.AskYesNoCancel(question);
    Answered(CopyRecord::kResumeQuestion, answer == QuestionAnswer::Yes ? L"yes"
                                        : answer == QuestionAnswer::No ? L"no: copied anew"
                                                                       : L"cancel");
    return answer;
}

void RecordedQuestions::Answered(const wchar_t* question, const wchar_t* answer)
{
    for (CopyRecord::Answer& earlier : answers)
        if (earlier.question == question) {
            earlier.answer = answer;
            return;
        }
    answers.push_back({question, answer});
}
