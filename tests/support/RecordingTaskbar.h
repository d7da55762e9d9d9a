#pragma once
#include <string>
#include <vector>
#include "TaskbarProgress.h"

// The taskbar button's progress display as the window drives it, one word per call appended to
// `calls`: "none", "normal", "error" for the states, "done/total" for a value.
class RecordingTaskbar : public TaskbarProgress
{
public:
    explicit RecordingTaskbar(std::vector<std::wstring>& log) : calls(log) {}
    void SetState(TaskbarProgressState state) override
    {
        const wchar_t* names[] = {L"none", L"normal", L"error"};
        calls.push_back(names[static_cast<int>(state)]);
    }
    void SetValue(ULONGLONG done, ULONGLONG total) override
    {
        calls.push_back(std::to_wstring(done) + L"/" + std::to_wstring(total));
    }
    std::vector<std::wstring>& calls;
};
