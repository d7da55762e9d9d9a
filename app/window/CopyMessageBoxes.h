#pragma once
#include <windows.h>
#include <atomic>
#include <string>
#include "CopyFrontEnd.h"

class CopyProgressRecord;

// The main window's side of a running copy, called on the worker thread: the copy's failures
// and questions as message boxes owned by the window and captioned with the application's name,
// and the copy's end posted to the window as one message. While a box about a failure is up the
// record says so, and the taskbar button shows its error colour meanwhile.
class CopyMessageBoxes : public CopyFrontEnd
{
public:
    // endMessage: posted to the owner with the CopyOutcome as its wParam.
    CopyMessageBoxes(CopyProgressRecord& record, UINT endMessage) : record(record), endMessage(endMessage) {}
    // Set before a copy starts, and cleared when the window goes; null: boxes of no window, and
    // the end posted nowhere. Any thread.
    void SetOwner(HWND window) { owner = window; }

    void ReportLastError() override;
    void ReportReadError(const wchar_t* detail) override;
    ReadErrorChoice AskReadErrorChoice(const wchar_t* detail) override;
    void ShowCopyError(const wchar_t* text) override;
    bool AskToContinue(const wchar_t* question) override;
    bool AskToReplace(const wchar_t* question) override;
    QuestionAnswer AskYesNoCancel(const wchar_t* question) override;
    void CopyEnded(CopyOutcome outcome) override;

private:
    int Show(const std::wstring& text, UINT style) const;
    // A box about a failure, noted in the record first.
    int ShowFailure(const std::wstring& text, UINT style);

    CopyProgressRecord& record;
    const UINT endMessage;
    std::atomic<HWND> owner{nullptr};
};
