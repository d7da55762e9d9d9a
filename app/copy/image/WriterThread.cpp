#include "WriterThread.h"
#include "ThreadErrorModeScope.h"
#include <system_error>

WriterThread::~WriterThread()
{
    Finish();
    if (thread.joinable()) {
        {
            std::lock_guard<std::mutex> guard(lock);
            quit = true;
        }
        changed.notify_all();
        thread.join();
    }
}

void WriterThread::Start(Task work)
{
    Finish();
    if (!thread.joinable()) {
        try {
            thread = std::thread(&WriterThread::Loop, this);
        } catch (const std::system_error&) {
            std::lock_guard<std::mutex> guard(lock);
            result = RunHere(work);
            error = GetLastError();
            state = State::Done;
            return;
        }
    }
    {
        std::lock_guard<std::mutex> guard(lock);
        task = std::move(work);
        state = State::Queued;
    }
    changed.notify_all();
}

bool WriterThread::Finish()
{
    std::unique_lock<std::mutex> guard(lock);
    if (state == State::Idle)
        return true;
    changed.wait(guard, [this] { return state == State::Done; });
    state = State::Idle;
    SetLastError(error);
    return result;
}

// A task that throws has failed; nothing may leave the thread's entry.
bool WriterThread::RunHere(const Task& work)
{
    try {
        return work();
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
}

void WriterThread::Loop()
{
    // A target that vanishes (a stick pulled out) must fail the write, not wait behind a box.
    ThreadErrorModeScope errorMode;
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
        changed.wait(guard, [this] { return quit || state == State::Queued; });
        if (state != State::Queued)
            return;
        Task work = std::move(task);
        guard.unlock();
        bool ok = RunHere(work);
        DWORD lastError = GetLastError();
        guard.lock();
        result = ok;
        error = lastError;
        state = State::Done;
        changed.notify_all();
    }
}
