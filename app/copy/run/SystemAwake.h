#pragma once
#include <windows.h>
#include <functional>

// Keeps Windows from going to sleep while a copy runs: a laptop left alone during a rescue of
// hours would sleep after its idle time and take the drive away from the copy. The request
// belongs to the thread that makes it, so the copy's worker holds one of these for the copy's
// whole run, and it is given back at every end, an exception's too.
class SystemAwake
{
public:
    // SetThreadExecutionState, or a test's recorder in its place (Wine accepts the call and does
    // nothing with it, so nothing else would see it).
    using SetState = std::function<void(EXECUTION_STATE state)>;
    static void System(EXECUTION_STATE state) { SetThreadExecutionState(state); }

    explicit SystemAwake(SetState setState) : set(std::move(setState)) { set(ES_CONTINUOUS | ES_SYSTEM_REQUIRED); }
    ~SystemAwake()
    {
        try
        {
            set(ES_CONTINUOUS);
        }
        catch (...)
        {
        }
    }
    SystemAwake(const SystemAwake&) = delete;
    SystemAwake& operator=(const SystemAwake&) = delete;

private:
    SetState set;
};
