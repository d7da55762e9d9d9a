#include "CopyMessageBoxes.h"
#include "CopyProgressRecord.h"
#include "MVApp.h"
#include "MVSystemError.h"

namespace
{
// The system's text for the calling thread's last error, then the job's detail; taken first,
// while the last error is still the failed read's or write's.
std::wstring ReadErrorText(const wchar_t* detail)
{
    const MVString text = SystemErrorText();
    return std::wstring(text.GetBuffer()) + L"\n\n" + detail;
}
}

int CopyMessageBoxes::Show(const std::wstring& text, UINT style) const
{
    return MVApp::ShowMessage(text.c_str(), style, owner);
}

int CopyMessageBoxes::ShowFailure(const std::wstring& text, UINT style)
{
    record.NoteErrorShown(true);
    return Show(text, style);
}

void CopyMessageBoxes::ReportLastError()
{
    const MVString text = SystemErrorText();
    ShowFailure(text.GetBuffer(), MB_ICONEXCLAMATION);
}

void CopyMessageBoxes::ReportReadError(const wchar_t* detail)
{
    ShowFailure(ReadErrorText(detail), MB_ICONEXCLAMATION);
}

ReadErrorChoice CopyMessageBoxes::AskReadErrorChoice(const wchar_t* detail)
{
    const std::wstring message =
        ReadErrorText(detail) +
        L"\n\nCancel stops and deletes the image. Try Again reads the sector again. Continue skips unreadable "
        L"sectors and saves everything else; the missing sectors are listed beside the image, to be read later.";
    const int button = ShowFailure(message, MB_ICONEXCLAMATION | MB_CANCELTRYCONTINUE | MB_DEFBUTTON1);
    if (button != IDTRYAGAIN && button != IDCONTINUE)
        return ReadErrorChoice::Stop;
    // The copy goes on: the taskbar button shows its progress again.
    record.NoteErrorShown(false);
    return button == IDTRYAGAIN ? ReadErrorChoice::TryAgain : ReadErrorChoice::SkipAndGoOn;
}

void CopyMessageBoxes::ShowCopyError(const wchar_t* text)
{
    ShowFailure(text, MB_ICONEXCLAMATION);
}

bool CopyMessageBoxes::AskToContinue(const wchar_t* question)
{
    return Show(question, MB_ICONQUESTION | MB_YESNO) == IDYES;
}

bool CopyMessageBoxes::AskToReplace(const wchar_t* question)
{
    return Show(question, MB_ICONEXCLAMATION | MB_YESNO | MB_DEFBUTTON2) == IDYES;
}

QuestionAnswer CopyMessageBoxes::AskYesNoCancel(const wchar_t* question)
{
    const int button = Show(question, MB_ICONQUESTION | MB_YESNOCANCEL);
    return button == IDYES ? QuestionAnswer::Yes : button == IDNO ? QuestionAnswer::No : QuestionAnswer::Cancel;
}

void CopyMessageBoxes::CopyEnded(CopyOutcome outcome)
{
    PostMessageW(owner, endMessage, static_cast<WPARAM>(outcome), 0);
}
