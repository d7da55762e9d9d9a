#pragma once
#include <string>
#include <vector>
#include "CopyQuestions.h"
#include "CopyRecord.h"

// The front end of a run from the window, as the report sees it: every call goes on to the
// window's boxes, and what the person answered is written down, one answer per question (the
// last, where a question came again), with the last failure told as the reason of the outcome.
class RecordedQuestions : public CopyQuestions
{
public:
    explicit RecordedQuestions(CopyQuestions& shown) : shown(shown) {}
    RecordedQuestions(const RecordedQuestions&) = delete;
    RecordedQuestions& operator=(const RecordedQuestions&) = delete;

    void ReportLastError() override;
    void ReportReadError(const wchar_t* detail) override;
    ReadErrorChoice AskReadErrorChoice(const wchar_t* detail) override;
    void ShowCopyError(const wchar_t* text) override;
    bool AskToContinue(const wchar_t* question) override;
    bool AskToReplace(const wchar_t* question) override;
    QuestionAnswer AskYesNoCancel(const wchar_t* question) override;

    // A question its front end settled before the copy began.
    void Answered(const wchar_t* question, const wchar_t* answer);

    const std::wstring& Reason() const { return reason; }
    const std::vector<CopyRecord::Answer>& Answers() const { return answers; }

private:
    // The system's text for the last error, which it leaves as it was for the box that follows.
    static std::wstring LastErrorText();

    CopyQuestions& shown;
    std::wstring reason;
    std::vector<CopyRecord::Answer> answers;
};
