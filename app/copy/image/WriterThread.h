#pragma once
#include <windows.h>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Runs one task at a time on a thread of its own, so that the caller goes on meanwhile: the
// copy reads the next chunk from the disc while this thread writes the last one to the image.
//
// A task reports failure with the thread's last error, and an error code belongs to the thread
// that got it: Finish hands the task's result back together with its error, set as the calling
// thread's last error, so the caller reports the failing call's own reason.
class WriterThread
{
public:
    using Task = std::function<bool()>;

    WriterThread() = default;
    // Waits for a task in flight, then ends the thread.
    ~WriterThread();
    WriterThread(const WriterThread&) = delete;
    WriterThread& operator=(const WriterThread&) = delete;

    // Hands `task` over; the thread is started on first use. A task still pending is finished
    // first. Where no thread can be had, the task runs here and now: slower, never wrong.
    void Start(Task task);
    // Waits for the task handed over last and returns its result, with its last error as the
    // calling thread's last error. True, and the last error untouched, when none is pending.
    bool Finish();

private:
    enum class State { Idle, Queued, Done };

    void Loop();
    bool RunHere(const Task& work);

    std::mutex lock;
    std::condition_variable changed;
    State state = State::Idle;
    Task task;
    bool result = true;
    DWORD error = 0;
    bool quit = false;
    std::thread thread;
};
