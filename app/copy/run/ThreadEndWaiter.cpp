#include "ThreadEndWaiter.h"
#include <algorithm>

ThreadEndWaiter::~ThreadEndWaiter()
{
    for (HANDLE thread : threads)
        CloseHandle(thread);
}

ThreadEndWaiter& ThreadEndWaiter::CopyThreads()
{
    static ThreadEndWaiter waiter;
    return waiter;
}

bool ThreadEndWaiter::Add(HANDLE thread)
{
    HANDLE own = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), thread, GetCurrentProcess(), &own, SYNCHRONIZE, FALSE, 0))
        return false;
    std::lock_guard<std::mutex> guard(lock);
    ForgetEnded();
    try {
        threads.push_back(own);
    } catch (...) {
        CloseHandle(own);
        throw;
    }
    return true;
}

bool ThreadEndWaiter::WaitForAll(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        HANDLE next = nullptr;
        {
            std::lock_guard<std::mutex> guard(lock);
            ForgetEnded();
            if (threads.empty())
                return true;
            next = threads.front();
            // Duplicated again so that the wait does not hold the lock against Add.
            if (!DuplicateHandle(GetCurrentProcess(), next, GetCurrentProcess(), &next, SYNCHRONIZE, FALSE, 0))
                return false;
        }
        DWORD spent = GetTickCount() - start;
        DWORD left = spent >= timeoutMs ? 0 : timeoutMs - spent;
        DWORD result = WaitForSingleObject(next, left);
        CloseHandle(next);
        if (result != WAIT_OBJECT_0)
            return false;
    }
}

std::size_t ThreadEndWaiter::Count()
{
    std::lock_guard<std::mutex> guard(lock);
    ForgetEnded();
    return threads.size();
}

void ThreadEndWaiter::ForgetEnded()
{
    auto ended = [](HANDLE thread) {
        if (WaitForSingleObject(thread, 0) != WAIT_OBJECT_0)
            return false;
        CloseHandle(thread);
        return true;
    };
    threads.erase(std::remove_if(threads.begin(), threads.end(), ended), threads.end());
}
