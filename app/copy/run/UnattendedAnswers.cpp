#include "UnattendedAnswers.h"
#include "MVSystemError.h"

void UnattendedAnswers::ReportLastError()
{
    CopyRecord::AddToReason(reason, SystemErrorText().GetBuffer());
}

void UnattendedAnswers::ReportReadError(const wchar_t* detail)
{
    const std::wstring system = SystemErrorText().GetBuffer();
    CopyRecord::AddToReason(reason, system + L" " + detail);
}

ReadErrorChoice UnattendedAnswers::AskReadErrorChoice(const wchar_t* detail)
{
    // Asked once: the job skips every later unreadable sector without asking again.
    Answer(CopyRecord::kSkipUnreadableQuestion, rescue ? L"yes (/rescue)" : L"no (no /rescue): the copy fails");
    if (!rescue)
        ReportReadError(detail);
    return rescue ? ReadErrorChoice::SkipAndGoOn : ReadErrorChoice::Stop;
}

bool UnattendedAnswers::AskToContinue(const wchar_t*)
{
    Answer(CopyRecord::kMultisessionQuestion, L"yes: the first session is copied");
    return true;
}

bool UnattendedAnswers::AskToReplace(const wchar_t* question)
{
    Refuse(question);
    return false;
}

QuestionAnswer UnattendedAnswers::AskYesNoCancel(const wchar_t*)
{
    Answer(CopyRecord::kResumeQuestion, L"yes: the image with its map of this disc is finished");
    return QuestionAnswer::Yes;
}

void UnattendedAnswers::Refuse(const std::wstring& why)
{
    Answer(CopyRecord::kReplaceQuestion, L"no: an unattended run never replaces this image");
    refused = true;
    reason = why;
}

void UnattendedAnswers::CopyEnded(CopyOutcome how)
{
    outcome = how;
    ended = true;
    const HWND window = owner;
    if (window)
        PostMessageW(window, endMessage, static_cast<WPARAM>(how), 0);
}
