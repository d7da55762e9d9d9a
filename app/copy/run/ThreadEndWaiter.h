#pragma once
#include <windows.h>
#include <mutex>
#include <vector>

// Remembers threads so that the process can wait for their real end before it exits: a
// thread killed by the process exit while it still frees memory could leave the heap locked
// for the exit code that follows. Safe to use from any thread.
class ThreadEndWaiter
{
public:
    ThreadEndWaiter() = default;
    ThreadEndWaiter(const ThreadEndWaiter&) = delete;
    ThreadEndWaiter& operator=(const ThreadEndWaiter&) = delete;
    ~ThreadEndWaiter();

    // The waiter of the copy threads.
    static ThreadEndWaiter& CopyThreads();

    // Keeps a handle of its own to the thread; threads seen ended are forgotten on the way.
    // False when the handle cannot be duplicated.
    bool Add(HANDLE thread);
    // Waits for every thread added, at most timeoutMs in all; false on timeout.
    bool WaitForAll(DWORD timeoutMs);
    // Threads added and not yet seen ended.
    std::size_t Count();

private:
    void ForgetEnded();

    std::mutex lock;
    std::vector<HANDLE> threads;
};
