#include "DriveScanner.h"
#include <system_error>

DriveScanner::DriveScanner(DriveQueries driveQueries) : queries(std::move(driveQueries))
{
}

DriveScanner::~DriveScanner()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        quitting = true;
    }
    wake.notify_one();
    if (thread.joinable())
        thread.join();
}

void DriveScanner::Request(HWND target, UINT targetMessage, const std::wstring& busy)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        window = target;
        message = targetMessage;
        busyEntry = busy;
        requested = true;
    }
    // Started on the first request, not in the constructor: a dialog that never shows never
    // gets a thread.
    if (!thread.joinable())
    {
        try
        {
            thread = std::thread(&DriveScanner::Run, this);
        }
        catch (const std::system_error&)
        {
            // No thread, no list for now; the next request tries again.
            return;
        }
    }
    wake.notify_one();
}

void DriveScanner::SetBusyEntry(const std::wstring& busy)
{
    std::lock_guard<std::mutex> guard(lock);
    busyEntry = busy;
}

bool DriveScanner::TakeResult(std::vector<std::wstring>& entries)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!hasResult)
        return false;
    entries.swap(result);
    hasResult = false;
    return true;
}

std::wstring DriveScanner::BusyEntryFor(wchar_t letter)
{
    std::lock_guard<std::mutex> guard(lock);
    return DriveLetterOf(busyEntry) == letter ? busyEntry : std::wstring();
}

void DriveScanner::Run()
{
    // The thread's entry: nothing may leave it. A scan that fails is dropped; the next
    // request tries again.
    for (;;)
    {
        try
        {
            {
                std::unique_lock<std::mutex> guard(lock);
                wake.wait(guard, [this] { return requested || quitting; });
                if (quitting)
                    return;
                requested = false;
            }
            std::vector<std::wstring> entries =
                ListCdromDrives(queries, [this](wchar_t letter) { return BusyEntryFor(letter); });
            HWND target = nullptr;
            UINT targetMessage = 0;
            {
                std::lock_guard<std::mutex> guard(lock);
                result.swap(entries);
                hasResult = true;
                target = window;
                targetMessage = message;
            }
            PostMessageW(target, targetMessage, 0, 0);
        }
        catch (...)
        {
        }
    }
}
