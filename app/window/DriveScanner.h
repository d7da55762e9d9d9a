#pragma once
#include <windows.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>
#include "DriveList.h"

// Lists the CD-ROM drives on a thread of its own and posts each finished list to a window.
// A volume query blocks while a disc spins up (seconds) or a drive retries a bad sector (often
// longer); on the window's thread that would freeze the window, Stop included.
//
// One scan runs at a time. A request made while one runs starts another right after it, so
// requests never pile up behind a slow drive. The drive being copied is never queried: the
// scan keeps its entry as the copy found it, and checks this before every drive, so a copy
// that starts during a scan is spared too.
//
// Threads: Request, SetBusyEntry and TakeResult are for the window's thread; the scan thread
// only posts. The thread shares its state with the scanner and may outlive it: destroying the
// scanner does not wait for a query that hangs, so a closed window does not keep the program
// (and its single-instance mutex) alive behind a slow drive. The thread ends as soon as its
// query returns, or with the process. An idle thread, the usual case, is waited for: it ends at
// once, and a thread still ending while the process exits can keep the process from ending.
class DriveScanner
{
public:
    explicit DriveScanner(DriveQueries queries);
    ~DriveScanner();
    DriveScanner(const DriveScanner&) = delete;
    DriveScanner& operator=(const DriveScanner&) = delete;

    // Asks for a scan whose list is announced by posting `message` to `window`. busyEntry:
    // the entry of the drive being copied, empty when none.
    void Request(HWND window, UINT message, const std::wstring& busyEntry);
    // Changes the drive that must not be queried, also for a scan already running.
    void SetBusyEntry(const std::wstring& busyEntry);
    // The newest finished list; false when none arrived since the last call.
    bool TakeResult(std::vector<std::wstring>& entries);

private:
    struct Shared;
    static void Run(const std::shared_ptr<Shared>& shared);

    std::shared_ptr<Shared> shared;
    std::thread thread;
};
