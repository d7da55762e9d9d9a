#pragma once
#include <windows.h>
#include <atomic>
#include <string>
#include <vector>
#include "CopyFrontEnd.h"
#include "CopyRecord.h"

// The front end of a copy that nobody watches: no box ever waits for a person. Each question
// gets the answer the command line's options decide, and is written down for the report:
// - a sector that fails every attempt: skip it and go on with /rescue, else stop (the copy fails);
// - a disc of several sessions: go on with the first session;
// - an image with a map of this disc: finish it;
// - an image whose map cannot be used here (another disc's, unreadable, longer than the
//   image): never replaced; the run is refused.
// Failures are kept in words as the reason of the outcome. The end is posted to the owner
// window, as the main window's boxes do. Called on the worker; read once the copy has ended.
class UnattendedAnswers : public CopyFrontEnd
{
public:
    explicit UnattendedAnswers(bool rescue) : rescue(rescue) {}
    // Any thread; null: the end is posted nowhere.
    void SetOwner(HWND window, UINT message)
    {
        endMessage = message;
        owner = window;
    }

    void ReportLastError() override;
    void ReportReadError(const wchar_t* detail) override;
    ReadErrorChoice AskReadErrorChoice(const wchar_t* detail) override;
    void ShowCopyError(const wchar_t* text) override { CopyRecord::AddToReason(reason, text); }
    bool AskToContinue(const wchar_t* question) override;
    bool AskToReplace(const wchar_t* question) override;
    QuestionAnswer AskYesNoCancel(const wchar_t* question) override;
    void CopyEnded(CopyOutcome outcome) override;

    // Before a copy starts, on the worker: a question settled there, and a refusal of the run.
    void Answer(const wchar_t* question, const std::wstring& answer) { answers.push_back({question, answer}); }
    void Refuse(const std::wstring& why);
    // The worker is waiting for a readable disc.
    void SetWaiting(bool on) { waiting = on; }
    bool Waiting() const { return waiting; }

    // After the end.
    bool Ended() const { return ended; }
    CopyOutcome Outcome() const { return outcome; }
    bool Refused() const { return refused; }
    const std::wstring& Reason() const { return reason; }
    const std::vector<CopyRecord::Answer>& Answers() const { return answers; }

private:
    const bool rescue;
    std::atomic<HWND> owner{nullptr};
    UINT endMessage = 0;
    std::atomic<bool> waiting{false};
    std::atomic<bool> ended{false};
    CopyOutcome outcome = CopyOutcome::Stopped;
    bool refused = false;
    std::wstring reason;
    std::vector<CopyRecord::Answer> answers;
};
