#pragma once
#include "CopyProgressRecord.h"
#include "CopyQuestions.h"
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// The copy's owner without a window: every call is appended to `log` as text, with what a
// display would show, and each question gets the answer set for it.
class RecordingOwner : public CopyQuestions, public CopyProgressRecord
{
public:
    explicit RecordingOwner(std::vector<std::string>& log) : log(log) {}

    int stopAtPoll = 0;          // StopRequested answers yes on this call (1-based); 0: never
    int throwAtUpdate = 0;       // Update throws on this call (1-based); 0: never
    bool stopRequested = false;  // StopRequested answers yes from now on
    bool answer = true;          // AskToContinue's answer
    bool replaceAnswer = false;  // AskToReplace's answer
    QuestionAnswer resumeAnswer = QuestionAnswer::Yes;
    // AskReadErrorChoice's answers in turn; the last holds for every later question.
    std::vector<ReadErrorChoice> choices{ReadErrorChoice::Stop};
    std::function<void()> whileAsking;                    // run while AskToContinue's question is up
    std::function<void(const CopyProgress&)> onProgress;  // run at every update
    std::vector<std::wstring> questions;
    std::vector<std::wstring> messages;
    std::vector<DWORD> reportedErrors;
    mutable int polls = 0;
    int updates = 0;

    // "UpdateProgress(done/total,ms)", the phase's number after the name unless it is Copying.
    void Update(const CopyProgress& p) override
    {
        if (++updates == throwAtUpdate)
            throw std::runtime_error("display failed");
        if (onProgress)
            onProgress(p);
        const std::string phase = p.phase == CopyProgress::Phase::Copying ? "" : std::to_string(int(p.phase));
        log.push_back("UpdateProgress" + phase + "(" + std::to_string(p.sectorsDone) + "/"
                      + std::to_string(p.totalSectors) + "," + std::to_string(p.elapsedMs) + ")");
    }
    bool StopRequested() const override { return ++polls == stopAtPoll || stopRequested; }

    void ReportLastError() override { Error("ReportLastError", nullptr); }
    void ReportReadError(const wchar_t* detail) override { Error("ReportReadError", detail); }
    void ShowCopyError(const wchar_t* text) override { Told("ShowCopyError", text); }

    // "AskReadErrorChoice(error)" and the choice's first letter: S(top), T(ry again), C(ontinue).
    ReadErrorChoice AskReadErrorChoice(const wchar_t* detail) override
    {
        const ReadErrorChoice choice = choices.front();
        if (choices.size() > 1)
            choices.erase(choices.begin());
        Error(std::string("AskReadErrorChoice"), detail);
        log.back() += "STC"[int(choice)];
        return choice;
    }

    bool AskToContinue(const wchar_t* question) override
    {
        Asked("AskToContinue", question);
        if (whileAsking)
            whileAsking();
        return answer;
    }
    bool AskToReplace(const wchar_t* question) override { return Asked("AskToReplace", question), replaceAnswer; }
    QuestionAnswer AskYesNoCancel(const wchar_t* question) override
    {
        return Asked("AskYesNoCancel", question), resumeAnswer;
    }

private:
    // A box with the system's text for the last error, "call(error)", and what the copy added.
    void Error(const std::string& call, const wchar_t* detail)
    {
        reportedErrors.push_back(GetLastError());
        Told(call + "(" + std::to_string(reportedErrors.back()) + ")", detail);
    }
    void Told(const std::string& call, const wchar_t* text)
    {
        if (text)
            messages.push_back(text);
        log.push_back(call);
    }
    void Asked(const std::string& call, const wchar_t* question)
    {
        questions.push_back(question);
        log.push_back(call);
    }

    std::vector<std::string>& log;
};
