#pragma once
#include "CopyProgressRecord.h"
#include "CopyQuestions.h"
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// The copy job's owner without a window: every call is appended to `log` as text, with what a
// display would show, and a stop can be requested at a chosen poll.
class RecordingOwner : public CopyQuestions, public CopyProgressRecord
{
public:
    explicit RecordingOwner(std::vector<std::string>& log) : log(log) {}

    int stopAtPoll = 0;          // IsStopRequested answers yes on this call (1-based); 0: never
    int throwAtUpdate = 0;       // UpdateProgress throws on this call (1-based); 0: never
    bool stopRequested = false;  // IsStopRequested answers yes from now on
    bool answer = true;          // AskToContinue's answer
    // AskReadErrorChoice's answers in turn; the last holds for every later question.
    std::vector<ReadErrorChoice> choices{ReadErrorChoice::Stop};
    bool replaceAnswer = false;  // AskToReplace's answer
    QuestionAnswer resumeAnswer = QuestionAnswer::Yes;  // AskYesNoCancel's answer
    std::function<void()> whileAsking;  // run while the question is up
    std::function<void(const CopyProgress&)> onProgress;  // run at every progress report
    std::vector<std::wstring> questions;
    std::vector<std::wstring> messages;
    std::vector<DWORD> reportedErrors;
    std::vector<CopyOutcome> outcomes;
    mutable int polls = 0;
    int updates = 0;

    // "UpdateProgress(done/total,ms)", marked when it does not say the copy runs.
    void Update(const CopyProgress& p) override
    {
        if (++updates == throwAtUpdate)
            throw std::runtime_error("display failed");
        if (onProgress)
            onProgress(p);
        log.push_back(std::string(p.phase == CopyProgress::Phase::Copying ? "" : "starting ") + "UpdateProgress("
                      + std::to_string(p.sectorsDone) + "/" + std::to_string(p.totalSectors) + ","
                      + std::to_string(p.elapsedMs) + ")");
    }

    void ReportLastError() override
    {
        DWORD error = GetLastError();
        reportedErrors.push_back(error);
        log.push_back("ReportLastError(" + std::to_string(error) + ")");
    }

    void ReportReadError(const wchar_t* detail) override
    {
        DWORD error = GetLastError();
        reportedErrors.push_back(error);
        messages.push_back(detail);
        log.push_back("ReportReadError(" + std::to_string(error) + ")");
    }

    // "AskReadErrorChoice(error)", then the choice's first letter: S(top), T(ry again), C(ontinue).
    ReadErrorChoice AskReadErrorChoice(const wchar_t* detail) override
    {
        DWORD error = GetLastError();
        reportedErrors.push_back(error);
        messages.push_back(detail);
        const ReadErrorChoice choice = choices.front();
        if (choices.size() > 1)
            choices.erase(choices.begin());
        log.push_back("AskReadErrorChoice(" + std::to_string(error) + ")" + "STC"[int(choice)]);
        return choice;
    }

    bool AskToReplace(const wchar_t* question) override
    {
        questions.push_back(question);
        log.push_back("AskToReplace");
        return replaceAnswer;
    }

    QuestionAnswer AskYesNoCancel(const wchar_t* question) override
    {
        questions.push_back(question);
        log.push_back("AskYesNoCancel");
        return resumeAnswer;
    }

    bool AskToContinue(const wchar_t* question) override
    {
        questions.push_back(question);
        log.push_back("AskToContinue");
        if (whileAsking)
            whileAsking();
        return answer;
    }

    void ShowCopyError(const wchar_t* text) override
    {
        messages.push_back(text);
        log.push_back("ShowCopyError");
    }

    bool StopRequested() const override { return ++polls == stopAtPoll || stopRequested; }
    // What the job returned, logged as its last step.
    void CopyEnded(CopyOutcome outcome)
    {
        outcomes.push_back(outcome);
        static const char* const names[] = {"Completed", "Stopped", "Failed", "Incomplete"};
        log.push_back(std::string("CopyEnded(") + names[int(outcome)] + ")");
    }

private:
    std::vector<std::string>& log;
};
