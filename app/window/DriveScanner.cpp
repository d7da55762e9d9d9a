#include "DriveScanner.h"
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

struct DriveScanner::Shared
{
    explicit Shared(DriveQueries driveQueries) : queries(std::move(driveQueries)) {}

    std::wstring BusyEntryFor(wchar_t letter)
    {
        std::lock_guard<std::mutex> guard(lock);
        return DriveLetterOf(busyEntry) == letter ? busyEntry : std::wstring();
    }

    const DriveQueries queries;
    std::mutex lock;
    std::condition_variable wake;
    bool requested = false;
    bool quitting = false;
    bool scanning = false;
    bool hasResult = false;
    HWND window = nullptr;
    UINT message = 0;
    std::wstring busyEntry;
    std::vector<std::wstring> result;
};

DriveScanner::DriveScanner(DriveQueries queries) : shared(std::make_shared<Shared>(std::move(queries)))
{
}

DriveScanner::~DriveScanner()
{
    bool scanning;
    {
        std::lock_guard<std::mutex> guard(shared->lock);
        shared->quitting = true;
        scanning = shared->scanning;
    }
    shared->wake.notify_one();
    if (!thread.joinable())
        return;
    // Not scanning, the thread sees the flag before it could start a query, and returns.
    if (scanning)
        thread.detach();
    else
        thread.join();
}

void DriveScanner::Request(HWND window, UINT message, const std::wstring& busyEntry)
{
    {
        std::lock_guard<std::mutex> guard(shared->lock);
        shared->window = window;
        shared->message = message;
        shared->busyEntry = busyEntry;
        shared->requested = true;
    }
    // Started on the first request, not in the constructor: a dialog that never shows never
    // gets a thread.
    if (!thread.joinable())
    {
        try
        {
            thread = std::thread(Run, shared);
        }
        catch (const std::system_error&)
        {
            // No thread, no list for now; the next request tries again.
            return;
        }
    }
    shared->wake.notify_one();
}

void DriveScanner::SetBusyEntry(const std::wstring& busyEntry)
{
    std::lock_guard<std::mutex> guard(shared->lock);
    shared->busyEntry = busyEntry;
}

bool DriveScanner::TakeResult(std::vector<std::wstring>& entries)
{
    std::lock_guard<std::mutex> guard(shared->lock);
    if (!shared->hasResult)
        return false;
    entries.swap(shared->result);
    shared->hasResult = false;
    return true;
}

void DriveScanner::Run(const std::shared_ptr<Shared>& shared)
{
    // The thread's entry: nothing may leave it. A scan that fails is dropped; the next
    // request tries again.
    for (;;)
    {
        try
        {
            {
                std::unique_lock<std::mutex> guard(shared->lock);
                shared->wake.wait(guard, [&] { return shared->requested || shared->quitting; });
                if (shared->quitting)
                    return;
                shared->requested = false;
                shared->scanning = true;
            }
            std::vector<std::wstring> entries =
                ListCdromDrives(shared->queries, [&](wchar_t letter) { return shared->BusyEntryFor(letter); });
            std::lock_guard<std::mutex> guard(shared->lock);
            shared->scanning = false;
            // After the scanner has gone, its window may be gone too, and the handle reused.
            if (shared->quitting)
                return;
            shared->result.swap(entries);
            shared->hasResult = true;
            PostMessageW(shared->window, shared->message, 0, 0);
        }
        catch (...)
        {
            // Idle again, so that closing waits for this thread as for any idle one.
            try
            {
                std::lock_guard<std::mutex> guard(shared->lock);
                shared->scanning = false;
            }
            catch (...)
            {
            }
        }
    }
}
