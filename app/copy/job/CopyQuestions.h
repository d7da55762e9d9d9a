#pragma once
#include "CopyOutcome.h"

// What a copy asks of the person (or the script) that started it: its failures to be told and
// its questions to be answered. A front end implements it: the main window with message boxes,
// tests without any window. Every operation is called on the copy's worker thread and returns
// once it has been dealt with.
class CopyQuestions
{
public:
    virtual ~CopyQuestions() = default;

    // Shows the system's text for the calling thread's last error; returns when dismissed.
    virtual void ReportLastError() = 0;

    // Shows the system's text for the calling thread's last error, then `detail` (what the job
    // adds: which sector could not be read); returns when dismissed.
    virtual void ReportReadError(const wchar_t* detail) = 0;

    // The same box as ReportReadError, offering the three ways out of ReadErrorChoice; Stop is
    // the default and Escape.
    virtual ReadErrorChoice AskReadErrorChoice(const wchar_t* detail) = 0;

    // Shows a copy failure of the job's own (exclamation icon); returns when dismissed.
    virtual void ShowCopyError(const wchar_t* text) = 0;

    // Asks whether to go on with the copy (question icon, Yes and No); true for Yes.
    virtual bool AskToContinue(const wchar_t* question) = 0;

    // Asks a question whose careful answer is No (exclamation icon, Yes and No, No the default).
    virtual bool AskToReplace(const wchar_t* question) = 0;

    // Asks with Yes, No and Cancel (question icon, Yes the default).
    virtual QuestionAnswer AskYesNoCancel(const wchar_t* question) = 0;
};
