#pragma once
#include <windows.h>
#include <atomic>
#include <cwchar>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include "DriveList.h"

// The CD-ROM drives that drive-list scans see: a label for a readable disc, none for an empty
// drive. A volume query of drive `blockOn` hangs until `release` is set, as a drive spinning up
// or retrying a bad sector does. Queries() shares the object with the scan thread, which may
// outlive whoever made it.
struct FakeDrives
{
    std::mutex lock;
    std::map<wchar_t, std::optional<std::wstring>> cdroms;
    std::map<wchar_t, int> asked;
    const DWORD madeOnThread = GetCurrentThreadId();
    std::atomic<bool> askedOnMakersThread{false};
    std::atomic<DWORD> scanThread{0};
    std::atomic<wchar_t> blockOn{0};
    std::atomic<bool> blocked{false};
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~FakeDrives() { CloseHandle(release); }

    void Set(wchar_t letter, std::optional<std::wstring> label)
    {
        std::lock_guard<std::mutex> guard(lock);
        cdroms[letter] = std::move(label);
    }
    // The drive is gone from the system, not only its disc.
    void Remove(wchar_t letter)
    {
        std::lock_guard<std::mutex> guard(lock);
        cdroms.erase(letter);
    }
    int Asked(wchar_t letter)
    {
        std::lock_guard<std::mutex> guard(lock);
        return asked[letter];
    }
    static DriveQueries Queries(const std::shared_ptr<FakeDrives>& self)
    {
        DriveQueries queries;
        queries.driveType = [self](const wchar_t* root) {
            std::lock_guard<std::mutex> guard(self->lock);
            return self->cdroms.count(root[0]) ? UINT(DRIVE_CDROM) : UINT(DRIVE_NO_ROOT_DIR);
        };
        queries.volumeInfo = [self](VolumeInfo& info, const wchar_t* root) { return self->Volume(info, root[0]); };
        return queries;
    }
    BOOL Volume(VolumeInfo& info, wchar_t letter)
    {
        askedOnMakersThread = askedOnMakersThread || GetCurrentThreadId() == madeOnThread;
        scanThread = GetCurrentThreadId();
        blocked = letter == blockOn;
        // Bounded, so that a broken scanner fails the test instead of hanging it.
        if (blocked)
            WaitForSingleObject(release, 20000);
        blocked = false;
        std::lock_guard<std::mutex> guard(lock);
        ++asked[letter];
        const std::optional<std::wstring>& label = cdroms[letter];
        if (label)
            wcscpy(info.volumeLabel, label->c_str());
        return label ? TRUE : FALSE;
    }
};
